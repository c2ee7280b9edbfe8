/*
 * Example host of VrexDll: loads the library at run time, as a simulator
 * does, and integrates the reaction network of a few nodes over a day in
 * hourly steps, then takes one explicit flushing step. It prints the course
 * of some species of the first node, and on request draws it or prints the
 * bits of every result (the Fortran example host, examples/host-fortran,
 * integrates the same nodes on OpenMP threads and prints the same bits).
 *
 * Usage: vrex_host [--svg PICTURE] [--bits] [path/to/libVrexDll.so]
 *   --svg PICTURE  draws the first node's species that change most over the
 *                  hours into an SVG picture
 *   --bits         prints a line per node and step: node, step, status and
 *                  the 39 concentrations as the hexadecimal bits of their
 *                  doubles
 */
#include "species_plot.h"
#include "vrex.h"

#include <dlfcn.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

enum { NSPECIES = VREX_SPECIES_COUNT, NODES = 4, HOURLY_STEPS = 24, STEPS = HOURLY_STEPS + 1 };

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
 * dissolved species, a little biomass (more in each further node), some
 * mineral. */
static void initialState(int node, double *c) {
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
    c[i] = 1e-6 * (1.0 + 0.5 * node);
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

/* The results of every node and step. */
static double results[NODES][STEPS][NSPECIES];
static int statuses[NODES][STEPS];

/* One node over the day and the flushing step; returns the hourly steps
 * without convergence. */
static int integrateNode(vrex_invoke_fn invoke, int node) {
  double conc[NSPECIES];
  int fixFlags[NSPECIES] = {0};
  const int nSpecies = NSPECIES;
  const double hour = 3600.0, minute = 60.0;
  const double reactive = 1.0, flushing = 0.001; /* switch values */
  const double tag1 = 1.0, tag2 = 0.0;
  double carried = 0.0;
  int step, failures = 0;
  initialState(node, conc);
  for (step = 0; step < STEPS; ++step) {
    int status = 0; /* no rates record */
    const int flush = step == HOURLY_STEPS;
    invoke(conc, conc, results[node][step], &nSpecies, flush ? &minute : &hour, fixFlags, &status,
           flush ? &flushing : &reactive, &tag1, &tag2, &carried);
    statuses[node][step] = status;
    if (!flush && status != 0 && status != 1) {
      ++failures;
    }
    memcpy(conc, results[node][step], sizeof(conc));
  }
  return failures;
}

static void printBits(void) {
  int node, step, i;
  for (node = 0; node < NODES; ++node) {
    for (step = 0; step < STEPS; ++step) {
      printf("%d %d %d", node + 1, step + 1, statuses[node][step]);
      for (i = 0; i < NSPECIES; ++i) {
        unsigned long long bits;
        memcpy(&bits, &results[node][step][i], sizeof(bits));
        printf(" %016llX", bits);
      }
      printf("\n");
    }
  }
}

/* How much a concentration changes from a to b, as the decades between
 * them (a large change when either is not positive). */
static double change(double a, double b) {
  return a > 0.0 && b > 0.0 ? fabs(log10(b / a)) : HUGE_VAL;
}

enum { PLOTTED = 8 };

/* The first node over the hourly steps: the species that change most from
 * the first hour to the last (PLOTTED of them, in species order). The first
 * hour is where the start composition settles into the equilibria. */
static int drawFirstNode(const char *path) {
  double times[HOURLY_STEPS], values[HOURLY_STEPS * PLOTTED];
  const double *first = results[0][0], *last = results[0][HOURLY_STEPS - 1];
  int species[PLOTTED], chosen[NSPECIES] = {0};
  char names[PLOTTED][24];
  const char *labels[PLOTTED];
  int step, k, i;
  for (k = 0; k < PLOTTED; ++k) {
    int best = -1;
    for (i = 0; i < NSPECIES; ++i) {
      if (!chosen[i] && (best < 0 || change(first[i], last[i]) > change(first[best], last[best]))) {
        best = i;
      }
    }
    chosen[best] = 1;
  }
  for (i = 0, k = 0; i < NSPECIES; ++i) {
    if (chosen[i]) {
      species[k++] = i;
    }
  }
  for (step = 0; step < HOURLY_STEPS; ++step) {
    times[step] = step + 1;
    for (k = 0; k < PLOTTED; ++k) {
      values[step * PLOTTED + k] = results[0][step][species[k]];
    }
  }
  for (k = 0; k < PLOTTED; ++k) {
    snprintf(names[k], sizeof(names[k]), "species %d", species[k] + 1);
    labels[k] = names[k];
  }
  return writeSpeciesPlot(path, "One node, hourly reaction steps: the species that change most",
                          "hour", times, HOURLY_STEPS, values, PLOTTED, labels);
}

int main(int argc, char **argv) {
  const char *path = "libVrexDll.so", *picture = NULL;
  int bits = 0, node, step, a, failures = 0;
  for (a = 1; a < argc; ++a) {
    if (strcmp(argv[a], "--bits") == 0) {
      bits = 1;
    } else if (strcmp(argv[a], "--svg") == 0 && a + 1 < argc) {
      picture = argv[++a];
    } else {
      path = argv[a];
    }
  }
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

  for (node = 0; node < NODES; ++node) {
    failures += integrateNode(invoke.function, node);
  }
  dlclose(library);
  if (bits) {
    printBits();
    return failures == 0 ? 0 : 2;
  }

  {
    double start[NSPECIES];
    initialState(0, start);
    printf("\nThe first of %d nodes, hourly reaction steps (concentrations of selected species)\n",
           NODES);
    printHeader();
    printRow(0.0, "start", 0, start);
  }
  for (step = 0; step < HOURLY_STEPS; ++step) {
    if (step < 3 || (step + 1) % 6 == 0) {
      printRow(step + 1.0, "react", statuses[0][step], results[0][step]);
    }
  }
  printRow(HOURLY_STEPS + 1.0 / 60.0, "flush", statuses[0][HOURLY_STEPS], results[0][HOURLY_STEPS]);
  printf("\n%d nodes, %d hourly steps each, %d without convergence; status -1 marks the "
         "flushing step\n",
         NODES, HOURLY_STEPS, failures);
  if (picture != NULL) {
    if (drawFirstNode(picture) != 0) {
      fprintf(stderr, "cannot write the picture %s\n", picture);
      return 1;
    }
    printf("picture of the first node's species that change most: %s\n", picture);
  }
  return failures == 0 ? 0 : 2;
}
