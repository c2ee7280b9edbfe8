#include "read/TecplotSyntax.h"

#include "base/NumberForms.h"
#include "base/TextScan.h"

#include <utility>

namespace zonvert {

bool isDataWord(std::string_view word) { return !word.empty() && (isNumberStart(word[0]) || isNonFinite(word)); }

bool isZoneKey(std::string_view key) {
  static constexpr std::string_view kKeys[] = {
      "T", "I", "J", "K", "N", "E", "NODES", "ELEMENTS", "ET", "F", "ZONETYPE", "DATAPACKING", "SOLUTIONTIME",
      "STRANDID", "VARLOCATION", "VARSHARELIST", "CONNECTIVITYSHAREZONE", "PASSIVEVARLIST", "DT", "C",
      "PARENTZONE", "NV", "D", "FACENEIGHBORMODE", "FACENEIGHBORCONNECTIONS",
  };
  for (std::string_view known : kKeys)
    if (key == known)
      return true;
  return false;
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

} // namespace zonvert
