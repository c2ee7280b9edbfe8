// The file series description that ParaView opens as one dataset with a
// time per file: NAME.vtk.series or NAME.vtu.series beside the zone files,
// JSON, listing the zone files in order, each with its time.
#pragma once

#include "write/ZoneFormat.h"
#include "zone/ZoneRecord.h"

#include <string>
#include <vector>

namespace zonvert {

// The time a zone stands for: its SOLUTIONTIME where it has one that is a
// finite number, else the number in its title where the title is just a
// time, else its zone number. A title is just a time when it is a number,
// optionally after the word T, TIME or SOLUTIONTIME (any case, followed by
// a blank, "=" or ":") and optionally followed by one word of letters, its
// unit: "3.5", "3.5 d", "t = 2.0", "TIME 10 d", "Time: 1.5E+03 s". The number
// is taken as it stands, whatever the unit.
double zoneTime(const ZoneRecord &zone);

struct SeriesEntry {
  std::string fileName; // as the series file names it: relative to its folder
  double time = 0.0;
  int zoneIndex = 0;
};

// The series file's name for the zone files of `baseName`.
std::string seriesFileName(const std::string &baseName, ZoneFormat format);

// Why the series cannot list the zone files named like `zoneFileName` (a
// complete line), or empty when it can. JSON is UTF-8, and a name that is
// not cannot be written so that ParaView finds the file: it takes the
// characters of an escaped name as UTF-8, which names another file.
std::string seriesNameProblem(const std::string &zoneFileName);

// The JSON text of the series.
std::string seriesText(const std::vector<SeriesEntry> &entries);

// A warning line (empty when there is none) when zones share a time: ParaView
// keys the files by time, so it shows only one of them.
std::string duplicateTimeWarning(const std::vector<SeriesEntry> &entries, const std::string &seriesName);

} // namespace zonvert
