#include "base/TextScan.h"

#include <algorithm>
#include <utility>

namespace zonvert {

namespace {

char upcaseChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::size_t skipScanSpace(std::string_view text, std::size_t pos = 0) {
  while (pos < text.size() && isScanSpace(text[pos]))
    ++pos;
  return pos;
}

// The integer at the start of `text` as "%d" reads it; `end` is set to the
// position after its last digit. False when there is no digit. (Plain out
// parameters: element lines run through here millions of times, and an
// optional handed between the two scan functions costs a stall each time.)
bool parseDecimal(std::string_view text, std::int64_t &value, std::size_t &end) {
  // Far outside any 32-bit count, yet far from overflowing 64 bits.
  constexpr std::int64_t kSaturation = std::int64_t{1} << 40;
  std::size_t pos = skipScanSpace(text);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos == text.size() || text[pos] < '0' || text[pos] > '9')
    return false;
  value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value >= kSaturation) {
      value = kSaturation;
      // The digits past the saturation are still part of the number.
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
      break;
    }
  }
  end = pos;
  if (negative)
    value = -value;
  return true;
}

} // namespace

bool equalsInAnyCase(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size())
    return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (upcaseChar(text[i]) != upper[i])
      return false;
  return true;
}

RecordKind recordKindOf(std::string_view word) {
  static constexpr std::pair<std::string_view, RecordKind> kKeywords[] = {
      {"TITLE", RecordKind::Title},
      {"FILETYPE", RecordKind::FileType},
      {"VARIABLES", RecordKind::Variables},
      {"ZONE", RecordKind::Zone},
      {"TEXT", RecordKind::Text},
      {"GEOMETRY", RecordKind::Geometry},
      {"DATASETAUXDATA", RecordKind::DatasetAuxData},
      {"CUSTOMLABELS", RecordKind::CustomLabels},
  };
  for (const auto &[keyword, kind] : kKeywords)
    if (equalsInAnyCase(word, keyword))
      return kind;
  return RecordKind::None;
}

std::string_view stripChar(std::string_view text, char c) {
  const std::size_t first = text.find_first_not_of(c);
  if (first == std::string_view::npos)
    return text.substr(text.size());
  const std::size_t last = text.find_last_not_of(c);
  return text.substr(first, last - first + 1);
}

void removeBlanks(std::string &text) { text.erase(std::remove(text.begin(), text.end(), ' '), text.end()); }

std::string upcaseKey(std::string_view line) {
  std::string copy(line);
  const std::size_t keyEnd = std::min(copy.find('='), copy.size());
  for (std::size_t i = 0; i < keyEnd; ++i)
    copy[i] = upcaseChar(copy[i]);
  return copy;
}

std::string upcase(std::string_view text) {
  std::string copy(text);
  for (char &c : copy)
    c = upcaseChar(c);
  return copy;
}

bool isBlankLine(std::string_view line) { return line.find_first_not_of(" \t\r") == std::string_view::npos; }

std::optional<std::int64_t> scanDecimal(std::string_view text) {
  std::int64_t value = 0;
  std::size_t end = 0;
  if (!parseDecimal(text, value, end))
    return std::nullopt;
  return value;
}

std::optional<std::int64_t> scanWholeDecimal(std::string_view text) {
  std::int64_t value = 0;
  std::size_t end = 0;
  if (!parseDecimal(text, value, end) || (end != text.size() && skipScanSpace(text, end) != text.size()))
    return std::nullopt;
  return value;
}

std::optional<std::string_view> scanWord(std::string_view text) {
  const std::size_t begin = skipScanSpace(text);
  std::size_t end = begin;
  while (end < text.size() && !isScanSpace(text[end]))
    ++end;
  if (end == begin)
    return std::nullopt;
  return text.substr(begin, end - begin);
}

} // namespace zonvert
