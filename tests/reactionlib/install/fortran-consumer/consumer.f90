! Uses the installed module vrex and calls both entry points once.
program consumer
  use, intrinsic :: iso_c_binding, only: c_double, c_int
  use vrex
  implicit none
  real(c_double) :: conc(VREX_SPECIES_COUNT), out(VREX_SPECIES_COUNT), carried
  integer(c_int) :: fix(VREX_SPECIES_COUNT), status
  conc = 1e-6_c_double
  out = -1.0_c_double
  fix = 0
  carried = 0.5_c_double
  status = 0
  call vrexIsAlive()
  ! A wrong species count is refused without computing anything.
  call invokevrex(conc, conc, out, VREX_SPECIES_COUNT - 1, 1.0_c_double, fix, status, &
                  1.0_c_double, 0.0_c_double, 0.0_c_double, carried)
  if (status /= 111 .or. any(out /= -1.0_c_double) .or. carried /= 0.5_c_double) then
    error stop 1
  end if
end program consumer
