// Calls invokevrex with arbitrary arguments: the fuzzer's bytes become the
// doubles (any bit pattern: NaN, infinities, denormals, huge and tiny values,
// zero and negative time steps), the hold flags, the rates-file mode and the
// species count. Every call must return with a known status, with every
// returned concentration inside the driver's bounds and the carried value
// handed back unchanged, and without any sanitizer finding.
#include "ScratchFolder.h"
#include "vrex.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr int kSpecies = VREX_SPECIES_COUNT;

// Reads the fuzzer's bytes in order; past their end it gives zeros.
class ByteStream {
public:
  ByteStream(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
  template <typename T> T next() {
    T value{};
    const std::size_t take = pos_ < size_ ? std::min(sizeof(T), size_ - pos_) : 0;
    std::memcpy(&value, data_ + pos_, take);
    pos_ += take;
    return value;
  }

private:
  const std::uint8_t *data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

bool withinBounds(double x) {
  const double magnitude = std::fabs(x);
  return magnitude >= 1e-20 && magnitude <= 1e30;
}

void enterScratchFolder() {
  // The library writes its rates file in the working directory, and the
  // console pause after a singular matrix must find standard input closed.
  const std::string folder = fuzzsupport::makeScratchFolder("vrex-fuzz");
  if (chdir(folder.c_str()) != 0)
    std::abort();
  if (!std::freopen("/dev/null", "r", stdin))
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  enterScratchFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  ByteStream bytes(data, size);
  double concIn[kSpecies], concGuess[kSpecies], concOut[kSpecies];
  int fixFlags[kSpecies];
  const std::uint8_t control = bytes.next<std::uint8_t>();
  // Mostly the right species count, sometimes any count at all.
  const int nSpecies = (control & 0x0f) == 0 ? bytes.next<int>() : kSpecies;
  // Rates-file modes: none, start anew, append.
  const int modes[] = {0, -1, -2, 1};
  int status = modes[(control >> 4) & 3];
  double timeStep = bytes.next<double>();
  double switchValue = bytes.next<double>();
  const double tag1 = bytes.next<double>();
  const double tag2 = bytes.next<double>();
  double carried = bytes.next<double>();
  for (int i = 0; i < kSpecies; ++i) {
    concIn[i] = bytes.next<double>();
    concGuess[i] = (control & 0x40) ? concIn[i] : bytes.next<double>();
    fixFlags[i] = bytes.next<std::uint8_t>() % 7 == 0;
  }
  if (control & 0x80)
    switchValue = 1.0; // favour the Newton solve
  for (int i = 0; i < kSpecies; ++i)
    concOut[i] = -7.0;
  double carriedIn = carried;

  invokevrex(concIn, concGuess, concOut, &nSpecies, &timeStep, fixFlags, &status, &switchValue, &tag1, &tag2,
             &carried);

  if (nSpecies != kSpecies) {
    if (status != 111 || std::memcmp(&carried, &carriedIn, sizeof carried) != 0)
      std::abort();
    for (double x : concOut)
      if (x != -7.0)
        std::abort();
    return 0;
  }
  if (status < -1 || status > 3)
    std::abort();
  if (std::memcmp(&carried, &carriedIn, sizeof carried) != 0)
    std::abort();
  for (double x : concOut)
    if (!withinBounds(x))
      std::abort();
  return 0;
}
