// Reads the zones of a Tecplot ASCII data file one at a time.
//
// The file is a sequence of records: TITLE, FILETYPE and VARIABLES, then
// ZONE records, each followed by its data, with TEXT, GEOMETRY and
// DATASETAUXDATA records read past wherever they stand. Keywords and keys
// come in any case; blank lines and "#" comment lines may stand anywhere.
// A zone's data is read by count, not by line: its node values (node after
// node, or variable after variable in block layout), then the node numbers
// of its elements, separated by blanks, tabs, commas or line ends.
//
// Writers leave things out: a line of zone keys without the ZONE keyword
// before it starts a zone where data follows; data that no zone record
// introduces, and an ordered zone that gives no count, are a zone of one
// point per data line; a finite-element zone that names no element type
// and inherits none takes the one its first element line's count of node
// numbers tells.
#pragma once

#include "read/TecplotFile.h"
#include "read/ZoneHeader.h"
#include "zone/ZoneRecord.h"

#include <cstdint>
#include <memory>

namespace zonvert {

// Reads records until one zone is complete (true) or the file ends outside
// a zone (false). The record is emptied first and then holds that zone
// alone; what carries over to the zones after it stays in `file`. Throws
// ConversionFailure on a format error, on a feature that cannot be
// converted, when the file ends inside a zone (fewer values or elements
// than its counts announce), and when more data follows a zone than its
// counts announce. Where the file ends right after the zone's last number,
// without a line end, the record's warnings tell that it may be cut.
//
// A zone that holds no nodes (N=0, or an ordered zone without data lines)
// is read past: the next zone is read, keeping its own number in the file.
//
// With `apart`, a large zone whose data needs nothing of the file but its
// header (no data shared with another zone) is left to be read apart, on
// another thread: readZone reads its header into the record and returns
// with `apart` holding where its data starts and a reader of its own for
// it; the file stands there. findZoneApartEnd then reads past the data, up
// to where it ends for certain (the next line that is neither blank, nor a
// comment, nor begun by a number), while readZoneApart reads it. Only where
// the file can be read by position (a plain file, see
// ByteSource::readerFrom).
struct ZoneApart;
bool readZone(TecplotFile &file, ZoneRecord &zone, ZoneApart *apart = nullptr);

// Reads the next zone alone: a zone, an empty zone (which holds no nodes,
// Empty) or the end of the file.
enum class ZoneRead { Zone, Empty, End };
ZoneRead readOneZone(TecplotFile &file, ZoneRecord &zone, ZoneApart *apart = nullptr);

// The data of a zone that readZone left to be read apart.
struct ZoneApart {
  bool held = false; // the data is to be read, not in the zone's record yet
  ZoneShape shape;
  TecplotInput::Position start;     // where the data starts in the file
  std::unique_ptr<ByteSource> data; // the file from `start` on
};

// The file standing where the data of `zone`, left to be read apart,
// starts: reads past the lines up to where it ends for certain, and
// returns where that is (the file stands there, for the next zone). Lines
// begun by a number are read past in one pass for where lines start, and
// after a zone read apart of the same counts, only from seven eighths of
// its bytes on: a zone far shorter than that one is found to end later.
std::uint64_t findZoneApartEnd(TecplotFile &file, const ZoneRecord &zone);

// Reads the zone of `apart` into `zone`: what readZone left in `header`,
// and the data, as readZone would have read it in the file (`zone` keeps
// its memory, for the next zone read apart), and throws what readZone
// would throw. Returns where reading the file would go on: at the record
// after the data (past blank lines and comments), or the end of the file.
// Where that is not where findZoneApartEnd found its end, readZone would
// not read the zone so (data that goes on where the zone ends, or a
// zone that ends before the place its end was looked for from): the zone is
// to be read in the file.
std::uint64_t readZoneApart(const ZoneRecord &header, const ZoneApart &apart, ZoneRecord &zone);

// Where the next zone's records start, with what is in force there. The
// names are shared with `earlier` (a point taken before, or null) where they
// are the same.
ReadingPoint readingPoint(const TecplotFile &file, const ReadingPoint *earlier);

// Goes back to `point`: the next readZone reads the zone after it again.
// False, with nothing changed, when the input cannot move (a pipe).
bool returnTo(TecplotFile &file, const ReadingPoint &point);

} // namespace zonvert
