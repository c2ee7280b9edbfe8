! VrexDll for Fortran hosts: the interfaces of the library's two entry
! points through ISO_C_BINDING, with the constants of vrex.h. Compile this
! file with the host (find_package(VrexDll) gives the target
! VrexDll::Fortran, which adds it to a target's sources; pkg-config gives its
! path as the variable fortran_module) and link the library:
!
!   use vrex
!   call invokevrex(concIn, concGuess, concOut, nSpecies, timeStep, &
!                   fixFlags, status, switchValue, recordTag1, recordTag2, &
!                   carriedValue)
!
! Every argument is passed by reference, as the library expects; the arrays
! hold VREX_SPECIES_COUNT elements. What the arguments and the status codes
! mean, and what a host must know about threads, stacks, the rates file and
! fork, is described in vrex.h. In short: calls from any number of threads
! (OpenMP included) give the results of the same calls made one after
! another, and each calling thread needs VREX_STACK_KIB KiB of free stack
! (OMP_STACKSIZE for the workers of OpenMP).
module vrex
  use, intrinsic :: iso_c_binding, only: c_double, c_int
  implicit none
  private

  public :: invokevrex, vrexIsAlive, VREX_SPECIES_COUNT, VREX_STACK_KIB

  ! Number of species the library expects in nSpecies and in every array.
  integer(c_int), parameter :: VREX_SPECIES_COUNT = 39
  ! Free stack each calling thread needs, in KiB.
  integer(c_int), parameter :: VREX_STACK_KIB = 32

  interface
    ! One reaction step of one node. status on entry: 0 or more no rates
    ! record, -1 starts ratesAtFinish.dat anew with this call's record,
    ! below -1 appends to it. On return: 111 wrong nSpecies (nothing
    ! computed, concOut and carriedValue untouched), -1 flushing step,
    ! 0 converged, 1 converged after a negative value, 2 not converged,
    ! 3 not converged after a negative value.
    subroutine invokevrex(concIn, concGuess, concOut, nSpecies, timeStep, fixFlags, status, &
                          switchValue, recordTag1, recordTag2, carriedValue) &
        bind(C, name="invokevrex")
      import :: c_double, c_int
      real(c_double), intent(in) :: concIn(*)    ! start-of-step concentrations
      real(c_double), intent(in) :: concGuess(*) ! starting values of the unknowns
      ! Concentrations at the end of the step (left as they were on status 111).
      real(c_double), intent(inout) :: concOut(*)
      integer(c_int), intent(in) :: nSpecies     ! must be VREX_SPECIES_COUNT
      real(c_double), intent(in) :: timeStep
      integer(c_int), intent(in) :: fixFlags(*)  ! nonzero holds a species at concIn
      integer(c_int), intent(inout) :: status
      real(c_double), intent(in) :: switchValue  ! below 0.002: the flushing step
      real(c_double), intent(in) :: recordTag1, recordTag2
      real(c_double), intent(inout) :: carriedValue ! handed back unchanged
    end subroutine invokevrex

    ! Writes " VREX is Alive!" to standard output.
    subroutine vrexIsAlive() bind(C, name="vrexIsAlive")
    end subroutine vrexIsAlive
  end interface
end module vrex
