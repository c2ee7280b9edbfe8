#include "read/FileRecords.h"

#include "base/ConversionFailure.h"
#include "base/TextScan.h"
#include "read/TecplotSyntax.h"

#include <string>
#include <vector>

namespace zonvert {

namespace {

// VARIABLES = names: quoted or not, separated by commas, blanks or nothing
// ("X""Y"). Quoted names may go on over the following lines; unquoted ones
// when a line ends with a comma. A ZONE keyword ends them also on the same
// line ("VARIABLES = X Y ZONE T=..."), as some writers start the first zone.
void readVariables(TokenCursor &cursor, std::vector<std::string> &names) {
  names.clear();
  if (cursor.peek().kind == TokenKind::Equals)
    cursor.take();
  bool mayContinue = true; // a following line may hold unquoted names
  for (;;) {
    const Token &token = cursor.peek();
    const bool quoted = token.kind == TokenKind::Quoted;
    const RecordKind record = token.kind == TokenKind::Word ? recordKindOf(token.text) : RecordKind::None;
    const bool word = token.kind == TokenKind::Word && record != RecordKind::Zone &&
                      (!token.startsLine ||
                       (mayContinue && !isDataWord(token.text) && record == RecordKind::None));
    if (!quoted && !word)
      return;
    names.emplace_back(cursor.take().text);
    const std::string_view rest = cursor.restOfLine();
    mayContinue = rest.find_first_not_of(" \t,\v\f") == std::string_view::npos && rest.find(',') != rest.npos;
  }
}

// TITLE = "text"; an unquoted title runs to the end of its line.
void skipTitle(TokenCursor &cursor) {
  if (cursor.peek().kind == TokenKind::Equals)
    cursor.take();
  if (cursor.peek().kind == TokenKind::Quoted)
    cursor.take();
  else
    cursor.dropLine();
}

// FILETYPE = FULL, GRID or SOLUTION: the variables tell what a file holds.
void skipFileType(TokenCursor &cursor) {
  if (cursor.peek().kind == TokenKind::Equals)
    cursor.take();
  if (cursor.peek().kind == TokenKind::Word)
    cursor.take();
}

// TEXT, GEOMETRY and CUSTOMLABELS records, with the data that follows a
// GEOMETRY record, run up to the next line that starts a record.
void skipToNextRecord(TokenCursor &cursor) {
  cursor.dropLine();
  for (;;) {
    const Token &token = cursor.peek();
    if (token.kind == TokenKind::End ||
        (token.startsLine && token.kind == TokenKind::Word && recordKindOf(token.text) != RecordKind::None))
      return;
    cursor.dropLine();
  }
}

} // namespace

ZoneStart readRecordsBeforeZone(TokenCursor &cursor, std::vector<std::string> &variableNames,
                                TecplotInput::Position &zoneStart) {
  // Lines that are no record are read past where they hold "=", and after a
  // VARIABLES record up to the first zone (as older versions of this reader
  // did); anywhere else they are an error. Data and lines of zone keys that
  // start a line are no such lines: they start a zone.
  bool afterVariables = false;
  for (;;) {
    const Token &token = cursor.peek();
    if (token.kind == TokenKind::End)
      return ZoneStart::None;
    if (token.kind == TokenKind::Word && token.startsLine && recordKindOf(token.text) == RecordKind::None) {
      if (isDataWord(token.text) && !cursor.nextIsKey()) {
        if (variableNames.empty()) {
          const std::string_view line = cursor.lineFromNext();
          throw formattedFailure("ERROR IN FILE: DATA WITHOUT A ZONE RECORD OR VARIABLE NAMES: \"%.*s\"\n",
                                 quotedLength(line), line.data());
        }
        zoneStart = cursor.positionOfNext();
        return ZoneStart::Data;
      }
      if (cursor.nextIsKey() && isZoneKey(upcase(token.text))) {
        zoneStart = cursor.positionOfNext();
        return ZoneStart::Keys;
      }
    }
    switch (token.kind == TokenKind::Word ? recordKindOf(token.text) : RecordKind::None) {
    case RecordKind::Zone:
      zoneStart = cursor.positionOfNext();
      cursor.take();
      return ZoneStart::Keyword;
    case RecordKind::Variables:
      cursor.take();
      readVariables(cursor, variableNames);
      afterVariables = true;
      continue;
    case RecordKind::Title:
      cursor.take();
      skipTitle(cursor);
      continue;
    case RecordKind::FileType:
      cursor.take();
      skipFileType(cursor);
      continue;
    case RecordKind::DatasetAuxData:
      cursor.dropLine();
      continue;
    case RecordKind::Text:
    case RecordKind::Geometry:
    case RecordKind::CustomLabels:
      skipToNextRecord(cursor);
      continue;
    case RecordKind::None:
      break;
    }
    if (!afterVariables && !cursor.lineHasEquals())
      throw ConversionFailure("ERROR IN FILE\n");
    cursor.dropLine();
  }
}

} // namespace zonvert
