#include "run/ZoneSelection.h"

#include <algorithm>
#include <climits>

namespace zonvert {

namespace {

// A zone number of a list: digits alone, at most INT_MAX.
bool parseNumber(std::string_view text, int &number) {
  if (text.empty() || text.size() > 10)
    return false;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    value = value * 10 + (c - '0');
  }
  if (value > INT_MAX)
    return false;
  number = static_cast<int>(value);
  return true;
}

// `text` in double quotes, for a message.
std::string quoted(std::string_view text) {
  std::string out(1, '"');
  out += text;
  out += '"';
  return out;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(separator, from);
    parts.push_back(text.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos)
      return parts;
    from = at + 1;
  }
}

} // namespace

std::optional<ZoneSelection> ZoneSelection::parse(std::string_view list, std::string &refusal) {
  const auto refuse = [&](const std::string &why) {
    refusal = std::string("ERROR: BAD ZONE LIST FOR --zones: ") + quoted(list) + ": " + why +
              "; GIVE ZONE NUMBERS (FROM 0) AND RANGES FIRST:END OR FIRST:END:STEP (END NOT INCLUDED), "
              "SEPARATED BY COMMAS, SUCH AS 0,5,10:20,100: OR 0::10\n";
    return std::nullopt;
  };
  if (list.empty())
    return refuse("THE LIST IS EMPTY");
  ZoneSelection selection;
  for (const std::string_view item : split(list, ',')) {
    if (item.empty())
      return refuse("AN EMPTY ITEM");
    const std::vector<std::string_view> parts = split(item, ':');
    if (parts.size() > 3)
      return refuse(quoted(item) + " HAS MORE THAN TWO COLONS");
    Range range;
    const auto number = [&](std::string_view part, int &value) {
      if (parseNumber(part, value))
        return true;
      refuse(quoted(part) + " IN " + quoted(item) + " IS NO ZONE NUMBER");
      return false;
    };
    if (!(parts[0].empty() && parts.size() > 1) && !number(parts[0], range.first))
      return std::nullopt;
    if (parts.size() == 1) {
      // INT_MAX, the last zone number there is, runs to the end.
      if (range.first < INT_MAX)
        range.end = range.first + 1;
    } else if (!parts[1].empty()) {
      int end = 0;
      if (!number(parts[1], end))
        return std::nullopt;
      range.end = end;
    }
    if (parts.size() == 3 && !parts[2].empty() && !number(parts[2], range.step))
      return std::nullopt;
    if (range.step == 0)
      return refuse(quoted(item) + " HAS THE STEP 0");
    if (range.end && *range.end <= range.first)
      return refuse(quoted(item) + " HOLDS NO ZONE (ITS END IS NOT INCLUDED)");
    selection.ranges_.push_back(range);
  }
  return selection;
}

bool ZoneSelection::selects(int zoneNumber) const {
  if (zoneNumber < start_)
    return false;
  if (ranges_.empty())
    return true;
  return std::any_of(ranges_.begin(), ranges_.end(), [&](const Range &range) {
    return zoneNumber >= range.first && (!range.end || zoneNumber < *range.end) &&
           (zoneNumber - range.first) % range.step == 0;
  });
}

std::optional<int> ZoneSelection::lastZone() const {
  if (ranges_.empty())
    return std::nullopt;
  int last = -1;
  for (const Range &range : ranges_) {
    if (!range.end)
      return std::nullopt;
    const int count = (*range.end - 1 - range.first) / range.step;
    last = std::max(last, range.first + count * range.step);
  }
  return last;
}

std::string ZoneSelection::missingZonesWarning(int lastZoneRead) const {
  const std::optional<int> last = lastZone();
  if (!last || lastZoneRead >= *last || *last < start_)
    return {};
  const std::string end = lastZoneRead < 0 ? "THE FILE HOLDS NO ZONE"
                                           : "THE FILE ENDS AFTER ZONE " + std::to_string(lastZoneRead);
  return "WARNING: " + end + "; --zones NAMES ZONES UP TO " + std::to_string(*last) + "\n";
}

} // namespace zonvert
