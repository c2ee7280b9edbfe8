// The zones a run converts: --zones LIST, and the starting zone.
//
// A list holds zone numbers (counted from 0, as the console prints them)
// and ranges, separated by commas: "0,5,10:20,100:", "0::10". A range is
// FIRST:END or FIRST:END:STEP, END not included; FIRST left out is 0, END
// left out is the end of the file, STEP left out is 1. Both the list and the
// starting zone apply: a zone is converted when it is in the list and not
// before the starting zone.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert {

class ZoneSelection {
public:
  // Every zone.
  ZoneSelection() = default;

  // The list's zones, or a refusal (a complete line) in `refusal`.
  static std::optional<ZoneSelection> parse(std::string_view list, std::string &refusal);

  // Only the zones from `startZone` on, as well.
  void startAt(int startZone) { start_ = startZone; }

  bool selects(int zoneNumber) const;

  // The last zone selected, where the list ends; none where it runs to the
  // end of the file.
  std::optional<int> lastZone() const;

  // True when no zone after `zoneNumber` is selected: reading may end.
  bool endsBy(int zoneNumber) const {
    const std::optional<int> last = lastZone();
    return last && zoneNumber >= *last;
  }

  // A warning line (empty when there is none) when the file ended, after
  // the zone numbered `lastZoneRead` (-1: none), before the last zone the
  // list names.
  std::string missingZonesWarning(int lastZoneRead) const;

private:
  struct Range {
    int first = 0;
    std::optional<int> end; // not included
    int step = 1;
  };
  std::vector<Range> ranges_; // empty: every zone
  int start_ = 0;
};

} // namespace zonvert
