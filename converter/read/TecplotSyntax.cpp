#include "read/TecplotSyntax.h"

#include "base/TextScan.h"

#include <utility>

namespace zonvert {

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
