! Independent reference for the number fields of the rates record: the
! compiler's own formatted output. Reads values one per line from standard
! input (list-directed, so NaN and Infinity are accepted).
!   fortran_fields fields   each value as "F12.4|E14.7|" on a line of its own
!   fortran_fields record   57 values as one record: 3F12.4 then 54E14.7
program fortran_fields
  implicit none
  character(len=16) :: mode
  double precision :: value, record(57)
  integer :: status, i

  call get_command_argument(1, mode)
  if (trim(mode) == 'record') then
    read (*, *) (record(i), i = 1, 57)
    write (*, '(3F12.4,54E14.7)') record
  else
    do
      read (*, *, iostat=status) value
      if (status /= 0) exit
      write (*, '(F12.4,A,E14.7,A)') value, '|', value, '|'
    end do
  end if
end program fortran_fields
