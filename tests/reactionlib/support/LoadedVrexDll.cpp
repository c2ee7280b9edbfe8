#include "LoadedVrexDll.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vrex::test {

void VrexCall::startFrom(const double *conc) {
  for (int i = 0; i < VREX_SPECIES_COUNT; ++i) {
    concIn[i] = conc[i];
    concGuess[i] = conc[i];
  }
}

const char *LoadedVrexDll::path() { return VREXDLL_PATH; }

LoadedVrexDll::LoadedVrexDll() {
  handle_ = dlopen(path(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    throw std::runtime_error(std::string("dlopen failed: ") + dlerror());
  }
  invoke_ = reinterpret_cast<vrex_invoke_fn>(dlsym(handle_, "invokevrex"));
  isAlive_ = reinterpret_cast<vrex_is_alive_fn>(dlsym(handle_, "vrexIsAlive"));
  if (invoke_ == nullptr || isAlive_ == nullptr) {
    throw std::runtime_error("entry points not found");
  }
}

LoadedVrexDll::~LoadedVrexDll() { dlclose(handle_); }

void LoadedVrexDll::invoke(VrexCall &c) const {
  invoke_(c.concIn, c.concGuess, c.concOut, &c.nSpecies, &c.timeStep, c.fixFlags, &c.status,
          &c.switchValue, &c.recordTag1, &c.recordTag2, &c.carriedValue);
}

void LoadedVrexDll::isAlive() const { isAlive_(); }

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path().string()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "vrexdll-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a scratch directory");
  }
  path_ = pattern;
  std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string fileContent(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    return "<missing>";
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

} // namespace vrex::test
