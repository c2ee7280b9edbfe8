// Reads the zones of a Tecplot ASCII finite-element result file one at a time.
//
// The subset understood: header lines with "=" (among them the variables
// line), zone lines with comma-separated keys, then one line per node (all
// variables of a node on one line) and one line per element (its 1-based
// node numbers).
#pragma once

#include "TecplotInput.h"
#include "ZoneRecord.h"

namespace zonvert {

// The line state of one readZone call.
enum class ReadState : int { Header = 0, ZoneHeader = 1, Nodes = 2, Elements = 3 };

// Reads lines until one zone is complete (true) or the file ends outside a
// zone (false). The record must be new or reset with clearZone. Throws
// ConversionFailure on a format error, and when the file ends inside a zone
// (fewer node or element lines than its counts announce).
bool readZone(TecplotInput &input, ZoneRecord &zone);

} // namespace zonvert
