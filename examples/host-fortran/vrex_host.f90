! Example Fortran host of VrexDll: links the library through the module
! vrex (reactionlib/vrex.f90) and integrates the nodes of the C example host
! (examples/host), each node on an OpenMP thread: a day in hourly reaction
! steps, then one explicit flushing step. It prints the course of some
! species of the first node, or with --bits a line per node and step with
! the status and the bits of the 39 concentrations, as the C host prints
! them: the same bits, whatever threads the nodes ran on.
!
! Each OpenMP worker calls the library on its own stack: give the workers
! at least VREX_STACK_KIB KiB (OMP_STACKSIZE, which is larger by default).
!
! Usage: vrex_host_fortran [--bits]
program vrex_host_fortran
  use, intrinsic :: iso_c_binding, only: c_double, c_int, c_int64_t
  use vrex
  implicit none

  integer, parameter :: dp = c_double
  integer, parameter :: nodes = 4, hourlySteps = 24, steps = hourlySteps + 1
  ! Species shown in the table.
  integer, parameter :: shown(8) = [1, 2, 5, 7, 10, 24, 26, 31]

  real(dp) :: results(VREX_SPECIES_COUNT, steps, nodes)
  integer(c_int) :: statuses(steps, nodes)
  real(dp) :: start(VREX_SPECIES_COUNT)
  character(len=16) :: argument
  logical :: bits
  integer :: node, step, failures

  bits = .false.
  if (command_argument_count() >= 1) then
    call get_command_argument(1, argument)
    bits = argument == '--bits'
  end if

  call vrexIsAlive()
  failures = 0
  !$omp parallel do schedule(static, 1) reduction(+:failures)
  do node = 1, nodes
    failures = failures + integrateNode(node, results(:, :, node), statuses(:, node))
  end do
  !$omp end parallel do

  if (bits) then
    call printBits()
  else
    call initialState(1, start)
    write (*, '(/,A,I0,A)') 'The first of ', nodes, &
        ' nodes, hourly reaction steps (concentrations of selected species)'
    write (*, '(A6,1X,A6,1X,A7,8(2X,A,I3))') 'hour', 'step', 'status', &
        ('species ', shown(step), step = 1, size(shown))
    call printRow(0.0_dp, 'start', 0, start)
    do step = 1, hourlySteps
      if (step <= 3 .or. mod(step, 6) == 0) then
        call printRow(real(step, dp), 'react', statuses(step, 1), results(:, step, 1))
      end if
    end do
    call printRow(hourlySteps + 1.0_dp / 60.0_dp, 'flush', statuses(steps, 1), results(:, steps, 1))
    write (*, '(/,I0,A,I0,A,I0,A)') nodes, ' nodes, ', hourlySteps, ' hourly steps each, ', &
        failures, ' without convergence; status -1 marks the flushing step'
  end if
  if (failures /= 0) then
    error stop 2
  end if

contains

  ! A node filled with inflow water, as the C host fills it: exchange
  ! partners in balance with the dissolved species, a little biomass (more
  ! in each further node), some mineral. The flushing laws pull species i
  ! towards target(i) / coefficient.
  subroutine initialState(node, c)
    integer, intent(in) :: node
    real(dp), intent(out) :: c(VREX_SPECIES_COUNT)
    real(dp), parameter :: flushingTargets(20) = [ &
        9.998887134932133e-12_dp, 1.5833329656059214e-12_dp, 2.4999989058083205e-12_dp, &
        1.9166660446268136e-12_dp, 8.333332288112949e-12_dp, 8.333331819491971e-19_dp, &
        2.7916660106373e-16_dp, 2.499998897337991e-15_dp, 1.4999999940062958e-12_dp, &
        1.9999999920083944e-11_dp, 2.7916659259340053e-14_dp, 8.333331819491971e-19_dp, &
        8.333331819491971e-19_dp, 8.333331819491971e-19_dp, 8.333331819491971e-19_dp, &
        1.773333037657671e-15_dp, 1.6647500707305756e-29_dp, 3.0491659306021923e-32_dp, &
        1.108666011153181e-29_dp, 1.5547220527090042e-32_dp]
    real(dp), parameter :: flushingCoefficient = 8.333332246479586e-09_dp
    integer :: i
    c = 0.0_dp
    c(1:20) = flushingTargets / flushingCoefficient
    c(21) = 1e-4_dp
    c(22) = 1e-4_dp
    c(23) = 1e-6_dp
    c(24) = c(1)
    c(25) = c(17)
    c(26) = c(2)
    c(27) = c(3)
    c(28) = c(4)
    c(37) = 1e-8_dp
    c(29) = 2650.0_dp * c(37)
    c(30) = 2650.0_dp * c(23)
    do i = 31, 36
      c(i) = 1e-6_dp * (1.0_dp + 0.5_dp * (node - 1))
    end do
    c(38) = 1e-6_dp
    c(39) = 1.0_dp
  end subroutine initialState

  ! One node over the day and the flushing step, on the calling thread;
  ! returns the hourly steps without convergence.
  integer function integrateNode(node, results, statuses) result(missed)
    integer, intent(in) :: node
    real(dp), intent(out) :: results(VREX_SPECIES_COUNT, steps)
    integer(c_int), intent(out) :: statuses(steps)
    real(dp) :: conc(VREX_SPECIES_COUNT), timeStep, switchValue, carried
    integer(c_int) :: fixFlags(VREX_SPECIES_COUNT), status
    real(dp), parameter :: tag1 = 1.0_dp, tag2 = 0.0_dp
    integer :: step
    call initialState(node, conc)
    fixFlags = 0
    carried = 0.0_dp
    missed = 0
    do step = 1, steps
      status = 0 ! no rates record
      if (step == steps) then
        timeStep = 60.0_dp
        switchValue = 0.001_dp ! the flushing step
      else
        timeStep = 3600.0_dp
        switchValue = 1.0_dp
      end if
      call invokevrex(conc, conc, results(:, step), VREX_SPECIES_COUNT, timeStep, fixFlags, &
                      status, switchValue, tag1, tag2, carried)
      statuses(step) = status
      if (step < steps .and. status /= 0 .and. status /= 1) then
        missed = missed + 1
      end if
      conc = results(:, step)
    end do
  end function integrateNode

  subroutine printRow(hour, kind, status, c)
    real(dp), intent(in) :: hour, c(VREX_SPECIES_COUNT)
    character(len=*), intent(in) :: kind
    integer(c_int), intent(in) :: status
    write (*, '(F6.1,1X,A6,1X,I7,8(2X,ES12.5))') hour, kind, status, c(shown)
  end subroutine printRow

  subroutine printBits()
    integer :: node, step, i
    do node = 1, nodes
      do step = 1, steps
        write (*, '(I0,1X,I0,1X,I0,39(1X,Z16.16))') node, step, statuses(step, node), &
            (transfer(results(i, step, node), 0_c_int64_t), i = 1, VREX_SPECIES_COUNT)
      end do
    end do
  end subroutine printBits
end program vrex_host_fortran
