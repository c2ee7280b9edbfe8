/*
 * Example host of VrexDll: loads the library at run time, as a simulator
 * does, and integrates the reaction network of one node over a day in hourly
 * steps, then takes one explicit flushing step.
 *
 * Usage: vrex_host [path/to/libVrexDll.so]
 */
#include "vrex.h"

#include <dlfcn.h>
#include <stdio.h>

enum { NSPECIES = VREX_SPECIES_COUNT, HOURLY_STEPS = 24 };

/*
 * Inflow composition: the flushing laws pull species i towards a_i / b, so
 * these targets are the composition of the water that enters the node.
 */
static const double flushingTargets[20] = {
    9.998887134932133e-12, 1.5833329656059214e-12, 2.4999989058083205e-12,
    1.9166660446268136e-12, 8.333332288112949e-12, 8.333331819491971e-19,
    2.7916660106373e-16,   2.499998897337991e-15,  1.4999999940062958e-12,
    1.9999999920083944e-11, 2.7916659259340053e-14, 8.333331819491971e-19,
    8.333331819491971e-19, 8.333331819491971e-19,  8.333331819491971e-19,
    1.773333037657671e-15, 1.6647500707305756e-29, 3.0491659306021923e-32,
    1.108666011153181e-29, 1.5547220527090042e-32};
static const double flushingCoefficient = 8.333332246479586e-09;

/* A node filled with inflow water: exchange partners in balance with the
 * dissolved species, a little biomass, some mineral. */
static void initialState(double *c) {
  int i;
  for (i = 0; i < 20; ++i) {
    c[i] = flushingTargets[i] / flushingCoefficient;
  }
  c[20] = 1e-4;
  c[21] = 1e-4;
  c[22] = 1e-6;
  c[23] = c[0];
  c[24] = c[16];
  c[25] = c[1];
  c[26] = c[2];
  c[27] = c[3];
  c[36] = 1e-8;
  c[28] = 2650.0 * c[36];
  c[29] = 2650.0 * c[22];
  for (i = 30; i < 36; ++i) {
    c[i] = 1e-6;
  }
  c[37] = 1e-6;
  c[38] = 1.0;
}

/* Species shown in the table (numbers counted from 1). */
static const int shown[] = {1, 2, 5, 7, 10, 24, 26, 31};
enum { NSHOWN = sizeof(shown) / sizeof(shown[0]) };

static void printHeader(void) {
  int k;
  printf("%6s %6s %7s", "hour", "step", "status");
  for (k = 0; k < NSHOWN; ++k) {
    char label[16];
    snprintf(label, sizeof(label), "species %d", shown[k]);
    printf("  %12s", label);
  }
  printf("\n");
}

static void printRow(double hour, const char *kind, int status, const double *c) {
  int k;
  printf("%6.1f %6s %7d", hour, kind, status);
  for (k = 0; k < NSHOWN; ++k) {
    printf("  %12.5e", c[shown[k] - 1]);
  }
  printf("\n");
}

int main(int argc, char **argv) {
  const char *path = argc > 1 ? argv[1] : "libVrexDll.so";
  void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (library == NULL) {
    fprintf(stderr, "cannot load %s: %s\n", path, dlerror());
    return 1;
  }
  /* Converting the object pointer of dlsym to a function pointer is what
   * POSIX guarantees to work; the union keeps ISO C compilers quiet. */
  union { void *object; vrex_invoke_fn function; } invoke;
  union { void *object; vrex_is_alive_fn function; } isAlive;
  invoke.object = dlsym(library, "invokevrex");
  isAlive.object = dlsym(library, "vrexIsAlive");
  if (invoke.object == NULL || isAlive.object == NULL) {
    fprintf(stderr, "%s does not export invokevrex and vrexIsAlive\n", path);
    dlclose(library);
    return 1;
  }
  isAlive.function();

  double conc[NSPECIES], next[NSPECIES];
  int fixFlags[NSPECIES] = {0};
  const int nSpecies = NSPECIES;
  const double hour = 3600.0;
  const double reactive = 1.0, flushing = 0.001; /* switch values */
  const double tag1 = 1.0, tag2 = 0.0;
  double carried = 0.0;
  int step, i, failures = 0;

  initialState(conc);
  printf("\nOne node, hourly reaction steps (concentrations of selected species)\n");
  printHeader();
  printRow(0.0, "start", 0, conc);
  for (step = 1; step <= HOURLY_STEPS; ++step) {
    int status = 0; /* no rates record */
    invoke.function(conc, conc, next, &nSpecies, &hour, fixFlags, &status, &reactive, &tag1,
                    &tag2, &carried);
    if (status != 0 && status != 1) {
      ++failures;
    }
    for (i = 0; i < NSPECIES; ++i) {
      conc[i] = next[i];
    }
    if (step <= 3 || step % 6 == 0) {
      printRow(step * 1.0, "react", status, conc);
    }
  }
  {
    int status = 0;
    const double minute = 60.0;
    invoke.function(conc, conc, next, &nSpecies, &minute, fixFlags, &status, &flushing, &tag1,
                    &tag2, &carried);
    printRow(HOURLY_STEPS + 1.0 / 60.0, "flush", status, next);
  }
  printf("\n%d hourly steps, %d without convergence; status -1 marks the flushing step\n",
         HOURLY_STEPS, failures);
  dlclose(library);
  return failures == 0 ? 0 : 2;
}
