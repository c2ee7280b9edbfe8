// zonvert: converts the zones of a Tecplot ASCII result file into legacy VTK
// unstructured-grid files, one file per zone.
#include "files/ProcessSignals.h"
#include "run/ConverterDriver.h"

#include <cstdio>
#include <malloc.h>

int main(int argc, char **argv) {
  // A limit on memory (ulimit -v) counts address space, not memory in use;
  // with threads, a run is to hold no more of it than a run on one thread.
  // So: one pool of memory for all threads (each further pool would set 64
  // MiB of address space aside), and every large block mapped on its own
  // and given back whole when freed (a zone's memory, freed by one thread
  // and taken by another, is then never held twice).
  mallopt(M_ARENA_MAX, 1);
  mallopt(M_MMAP_THRESHOLD, 128 << 10);
  zonvert::installSignalHandling();
  return zonvert::runConverter(argc, argv, stdin);
}
