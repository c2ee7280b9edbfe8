/*
 * VrexDll: integrates a fixed reaction network of 39 species over one time
 * step of one node. For C and C++ hosts, whether they link the library or
 * load it at run time with dlopen and look up the two names below.
 *
 * Every argument is passed by address. The library keeps no pointer beyond
 * the call, and each call works on a record of its own: calls from any
 * number of threads at once give the same results as the same calls made
 * one after another. Writes to "ratesAtFinish.dat" are serialised inside the
 * library (one whole record per call), and each console line goes out whole.
 * Fortran hosts use the module vrex (vrex.f90, installed beside this header).
 *
 * Descriptors: the rates file is opened close-on-exec and written through a
 * descriptor above 2, also in a host that has closed standard input, output
 * or error; those stay closed, and no console line of the library goes into
 * the file. Nothing stays open between calls.
 *
 * fork: the library's two locks (console lines, rates file) are taken by
 * pthread_atfork handlers before the host forks and released in parent and
 * child, so a child can call at once, even if another thread was writing a
 * record when the host forked.
 *
 * Each call computes in the default floating-point environment (round to
 * nearest, no flush-to-zero or denormals-are-zero, all exceptions masked)
 * and restores the caller's environment, exception flags included, before
 * it returns: trapping hosts get no SIGFPE, and results do not depend on the
 * host's settings. Numbers are written in C conventions whatever locale the
 * host has set.
 */
#ifndef VREX_H
#define VREX_H

#ifdef __cplusplus
extern "C" {
#endif

/* Number of species the library expects in nSpecies and in every array. */
#define VREX_SPECIES_COUNT 39

/*
 * Stack: each calling thread needs VREX_STACK_KIB KiB of free stack for a
 * call of invokevrex or vrexIsAlive (on top of what the thread has used when
 * it calls). A call of the optimised x86-64 build touches about 28 KiB; the
 * rest is headroom. Size worker threads accordingly
 * (pthread_attr_setstacksize, OMP_STACKSIZE, a thread pool's stack size),
 * with room for the thread's own start and thread-local storage besides:
 * the default stacks of glibc (8 MiB) and musl (128 KiB) are ample. The
 * library is built so that a stack too small for a call faults at the
 * stack's guard page (SIGSEGV) instead of writing past it into memory the
 * call does not own.
 */
#define VREX_STACK_KIB 32

/*
 * One reaction step of one node.
 *
 * concIn        [39] start-of-step concentrations (and the value a held
 *                    species is held at)
 * concGuess     [39] starting values of the unknowns
 * concOut       [39] concentrations at the end of the step
 * nSpecies           must be 39
 * timeStep           length of the step
 * fixFlags      [39] nonzero holds the species at its concIn value
 * status             on entry the rates-file mode: 0 or more writes no
 *                    record, -1 starts "ratesAtFinish.dat" anew with this
 *                    call's record, below -1 appends to it.
 *                    On return: 111 wrong nSpecies (nothing computed, no
 *                    other output written), -1 flushing step taken,
 *                    0 converged, 1 converged after a negative value was
 *                    seen, 2 not converged, 3 not converged and a negative
 *                    value was seen.
 * switchValue        below 0.002 selects the explicit flushing step
 * recordTag1, recordTag2  labels of the rates record
 * carriedValue       handed back unchanged (not written when status is 111)
 */
void invokevrex(const double *concIn, const double *concGuess, double *concOut,
                const int *nSpecies, const double *timeStep, const int *fixFlags, int *status,
                const double *switchValue, const double *recordTag1, const double *recordTag2,
                double *carriedValue);

/* Writes " VREX is Alive!" to standard output: the library is loaded and bound. */
void vrexIsAlive(void);

/* Pointer types for hosts that look the functions up with dlsym. */
typedef void (*vrex_invoke_fn)(const double *, const double *, double *, const int *,
                               const double *, const int *, int *, const double *,
                               const double *, const double *, double *);
typedef void (*vrex_is_alive_fn)(void);

#ifdef __cplusplus
}
#endif

#endif /* VREX_H */
