#include "run/VariableList.h"

namespace zonvert {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::optional<std::vector<std::string>> parseVariableList(std::string_view list, std::string &refusal) {
  const auto refuse = [&](const std::string &why) {
    refusal = "ERROR: BAD VARIABLE LIST FOR --variables: \"" + std::string(list) + "\": " + why +
              "; GIVE NAMES SEPARATED BY COMMAS, A NAME THAT HOLDS A COMMA IN DOUBLE QUOTES\n";
    return std::nullopt;
  };
  std::vector<std::string> names;
  std::size_t at = 0;
  for (;;) {
    while (at < list.size() && isBlank(list[at]))
      ++at;
    std::string name;
    if (at < list.size() && list[at] == '"') {
      for (++at;; ++at) {
        if (at == list.size())
          return refuse("A QUOTE IS NOT CLOSED");
        if (list[at] == '"' && (at + 1 == list.size() || list[at + 1] != '"'))
          break;
        if (list[at] == '"')
          ++at; // a doubled quote
        name.push_back(list[at]);
      }
      ++at;
      while (at < list.size() && isBlank(list[at]))
        ++at;
      if (at < list.size() && list[at] != ',')
        return refuse("TEXT AFTER THE QUOTED NAME \"" + name + "\"");
    } else {
      const std::size_t comma = list.find(',', at);
      name = std::string(list.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at));
      while (!name.empty() && isBlank(name.back()))
        name.pop_back();
      if (name.find('"') != std::string::npos)
        return refuse("A QUOTE INSIDE THE NAME \"" + name + "\"");
      at = comma == std::string_view::npos ? list.size() : comma;
    }
    if (name.empty())
      return refuse(list.empty() ? "THE LIST IS EMPTY" : "AN EMPTY NAME");
    names.push_back(std::move(name));
    if (at == list.size())
      return names;
    ++at; // the comma
  }
}

} // namespace zonvert
