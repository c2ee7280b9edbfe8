#include "FortranReference.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace vrex::test {

namespace {

// Writes the values in a form the list-directed read takes back exactly:
// 17 significant digits, or the words for NaN and the infinities.
std::string writeValues(const std::vector<double> &values) {
  const std::string name = (std::filesystem::temp_directory_path() /
                            ("fortran-values-" + std::to_string(getpid()) + ".txt"))
                               .string();
  std::ofstream out(name);
  for (double v : values) {
    if (std::isnan(v)) {
      out << "NaN\n";
    } else if (std::isinf(v)) {
      out << (v > 0 ? "Infinity\n" : "-Infinity\n");
    } else {
      char text[40];
      std::snprintf(text, sizeof(text), "%.17e\n", v);
      out << text;
    }
  }
  return name;
}

std::string run(const std::string &mode, const std::vector<double> &values) {
  const std::string input = writeValues(values);
  const std::string command = std::string(FORTRAN_FIELDS_PROGRAM) + " " + mode + " < " + input;
  std::FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    throw std::runtime_error("cannot run " + command);
  }
  std::string output;
  char piece[4096];
  std::size_t count = 0;
  while ((count = std::fread(piece, 1, sizeof(piece), pipe)) > 0) {
    output.append(piece, count);
  }
  const int status = pclose(pipe);
  std::filesystem::remove(input);
  if (status != 0) {
    throw std::runtime_error(command + " failed");
  }
  return output;
}

} // namespace

std::vector<std::string> fortranFields(const std::vector<double> &values) {
  const std::string output = run("fields", values);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < output.size()) {
    const std::size_t end = output.find('\n', start);
    lines.push_back(output.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string fortranRecord(const std::vector<double> &values) { return run("record", values); }

} // namespace vrex::test
