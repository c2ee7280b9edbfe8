// The names of --variables LIST: the scalar fields a run writes.
//
// Names are separated by commas; blanks around a name are dropped. A name
// that holds a comma, a double quote or blanks at its ends is given in
// double quotes, a double quote inside them doubled: --variables
// '"Na, total",pH,"say ""hi"""'. Names are then matched exactly as the
// file's VARIABLES record holds them, in case too.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert {

// The list's names, or a refusal (a complete line) in `refusal`.
std::optional<std::vector<std::string>> parseVariableList(std::string_view list, std::string &refusal);

} // namespace zonvert
