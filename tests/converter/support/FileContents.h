// A file's bytes read whole, and written whole.
#pragma once

#include <string>

namespace zonvert::test {

std::string readFile(const std::string &path);
void writeFile(const std::string &path, const std::string &content);

} // namespace zonvert::test
