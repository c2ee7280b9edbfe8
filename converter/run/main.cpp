// zonvert: converts the zones of a Tecplot ASCII result file into legacy VTK
// unstructured-grid files, one file per zone.
#include "files/ProcessSignals.h"
#include "run/ConverterDriver.h"

#include <cstdio>

int main(int argc, char **argv) {
  zonvert::installSignalHandling();
  return zonvert::runConverter(argc, argv, stdin);
}
