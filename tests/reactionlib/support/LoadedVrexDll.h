// The real shared library, loaded at run time with dlopen as a host
// simulator loads it, and one call's worth of arguments.
#pragma once

#include "vrex.h"

#include <string>

namespace vrex::test {

// The eleven arguments of one invokevrex call, with a reactive default.
struct VrexCall {
  double concIn[VREX_SPECIES_COUNT] = {};
  double concGuess[VREX_SPECIES_COUNT] = {};
  double concOut[VREX_SPECIES_COUNT] = {};
  int nSpecies = VREX_SPECIES_COUNT;
  double timeStep = 3600.0;
  int fixFlags[VREX_SPECIES_COUNT] = {};
  int status = 0; // rates-file mode on entry
  double switchValue = 1.0;
  double recordTag1 = 0.0;
  double recordTag2 = 0.0;
  double carriedValue = 0.7;

  // Start and guess both `conc`, as a host starts a step.
  void startFrom(const double *conc);
};

class LoadedVrexDll {
public:
  // Loads the library built by this tree (path given at compile time).
  LoadedVrexDll();
  ~LoadedVrexDll();
  LoadedVrexDll(const LoadedVrexDll &) = delete;
  LoadedVrexDll &operator=(const LoadedVrexDll &) = delete;

  void invoke(VrexCall &call) const;
  void isAlive() const;

  static const char *path();

private:
  void *handle_ = nullptr;
  vrex_invoke_fn invoke_ = nullptr;
  vrex_is_alive_fn isAlive_ = nullptr;
};

// Makes a fresh empty directory the working directory for the lifetime of
// the object, so that each test sees its own "ratesAtFinish.dat".
class ScratchDirectory {
public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory &) = delete;
  ScratchDirectory &operator=(const ScratchDirectory &) = delete;

private:
  std::string previous_;
  std::string path_;
};

// Whole content of a file, or "<missing>" when it cannot be read.
std::string fileContent(const std::string &name);

} // namespace vrex::test
