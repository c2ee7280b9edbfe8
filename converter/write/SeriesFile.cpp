#include "write/SeriesFile.h"

#include "base/ConversionFailure.h"
#include "base/NumberForms.h"
#include "base/TextScan.h"
#include "write/JsonText.h"
#include "write/Utf8Text.h"

#include <cmath>
#include <map>

namespace zonvert {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view skipBlanks(std::string_view text) {
  while (!text.empty() && isScanSpace(text.front()))
    text.remove_prefix(1);
  return text;
}

// The finite number a token in C or Fortran form stands for.
bool finiteNumber(std::string_view token, double &value) {
  std::string cForm(token.size() + 1, '\0');
  cForm.resize(copyInCForm(token, cForm.data()));
  return parseNumber(cForm, value) && std::isfinite(value);
}

// The length of the number at the start of `text`: [sign] digits [. digits]
// [exponent letter E or D, [sign] digits].
std::size_t numberLength(std::string_view text) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-'))
    ++at;
  std::size_t digits = 0;
  for (; at < text.size() && isDigit(text[at]); ++at)
    ++digits;
  if (at < text.size() && text[at] == '.')
    for (++at; at < text.size() && isDigit(text[at]); ++at)
      ++digits;
  if (digits == 0)
    return 0;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E' || text[at] == 'd' || text[at] == 'D')) {
    std::size_t exponent = at + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
      ++exponent;
    if (exponent < text.size() && isDigit(text[exponent])) {
      while (exponent < text.size() && isDigit(text[exponent]))
        ++exponent;
      at = exponent;
    }
  }
  return at;
}

bool titleTime(std::string_view title, double &time) {
  std::string_view text = skipBlanks(title);
  std::size_t word = 0;
  while (word < text.size() && isLetter(text[word]))
    ++word;
  const std::string_view label = text.substr(0, word);
  if (equalsInAnyCase(label, "T") || equalsInAnyCase(label, "TIME") || equalsInAnyCase(label, "SOLUTIONTIME")) {
    // The word and its number stand apart ("t0" names a step, not a time).
    const std::string_view afterWord = text.substr(word);
    text = skipBlanks(afterWord);
    if (!text.empty() && (text.front() == '=' || text.front() == ':'))
      text = skipBlanks(text.substr(1));
    if (text.size() == afterWord.size())
      return false;
  } else if (word > 0) {
    return false;
  }
  const std::size_t length = numberLength(text);
  if (length == 0 || !finiteNumber(text.substr(0, length), time))
    return false;
  std::string_view unit = skipBlanks(text.substr(length));
  while (!unit.empty() && isLetter(unit.front()))
    unit.remove_prefix(1);
  return skipBlanks(unit).empty();
}

} // namespace

double zoneTime(const ZoneRecord &zone) {
  double time = 0.0;
  if (!zone.solutionTime.empty() && finiteNumber(zone.solutionTime, time))
    return time;
  if (titleTime(zone.title, time))
    return time;
  return zone.zoneNumber;
}

std::string seriesFileName(const std::string &baseName, ZoneFormat format) {
  return baseName + std::string(extensionOf(format)) + ".series";
}

std::string seriesNameProblem(const std::string &zoneFileName) {
  const std::string name = zoneFileName.substr(zoneFileName.rfind('/') + 1);
  if (isUtf8(name))
    return {};
  return "ERROR: THE SERIES FILE (JSON, IN UTF-8) CANNOT NAME ZONE FILES WHOSE NAMES ARE NOT UTF-8: " + name + "\n";
}

std::string seriesText(const std::vector<SeriesEntry> &entries) {
  std::string text = "{\n  \"file-series-version\" : \"1.0\",\n  \"files\" : [";
  for (std::size_t k = 0; k < entries.size(); ++k)
    text += std::string(k == 0 ? "\n" : ",\n") + "    { \"name\" : " + jsonString(entries[k].fileName) +
            ", \"time\" : " + jsonNumber(entries[k].time) + " }";
  return text + (entries.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

std::string duplicateTimeWarning(const std::vector<SeriesEntry> &entries, const std::string &seriesName) {
  std::map<double, int> firstZoneOfTime;
  std::size_t duplicates = 0;
  std::string example;
  for (const SeriesEntry &entry : entries) {
    const auto [found, isNew] = firstZoneOfTime.emplace(entry.time, entry.zoneIndex);
    if (isNew)
      continue;
    if (duplicates++ == 0)
      example = formattedText("ZONE %d HAS THE TIME %s OF ZONE %d", entry.zoneIndex, jsonNumber(entry.time).c_str(),
                              found->second);
  }
  if (duplicates == 0)
    return {};
  return formattedText("WARNING: %zu ZONE FILE(S) IN %s SHARE THEIR TIME WITH AN EARLIER ONE (%s); PARAVIEW "
                       "SHOWS ONE FILE PER TIME\n",
                       duplicates, seriesName.c_str(), example.c_str());
}

} // namespace zonvert
