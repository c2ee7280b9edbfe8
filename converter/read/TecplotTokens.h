// The items of the header records of a Tecplot ASCII file (TITLE,
// VARIABLES, ZONE and the rest), read across lines.
//
// Items are separated by blanks, tabs, commas and line ends in any mix;
// "=", "(" and ")" are items of their own; a double quote starts a text that
// runs to the next double quote on its line (or to the line's end). Any
// other run of bytes is a word. Blank lines, and lines whose first non-blank
// character is "#" (comments), hold no items.
#pragma once

#include "read/TecplotInput.h"

#include <cstddef>
#include <string_view>

namespace zonvert {

enum class TokenKind { End, Word, Quoted, Equals, Open, Close };

struct Token {
  TokenKind kind = TokenKind::End;
  // A word, or a quoted text without its quotes. Valid until the cursor
  // reads its next line.
  std::string_view text;
  bool startsLine = false; // the first item of its line
  bool afterComma = false; // a comma stands between it and the item before it
};

// True for a line that holds nothing to read: blanks only, or a comment.
bool isBlankOrComment(std::string_view line);

class TokenCursor {
public:
  explicit TokenCursor(TecplotInput &input) : input_(input) {}

  // The next item, without taking it: End at the end of the file. Reads
  // the next line when the current one holds no more.
  const Token &peek();
  Token take();
  // True when the next item is a word followed by "=" on its line: a key.
  bool nextIsKey();

  // The line of the next item, from that item on.
  std::string_view lineFromNext();
  // The current line after the last item taken.
  std::string_view restOfLine() const { return line_.substr(pos_); }
  // True when the current line holds an "=" anywhere.
  bool lineHasEquals() const { return line_.find('=') != std::string_view::npos; }
  // Drops the rest of the current line.
  void dropLine();
  // Gives the current line, from the next item on, back to the input, so
  // that data reading starts right there.
  void handBack();
  // Takes a text without quotes: from the next item up to a comma or the
  // line's end, but not into a following "key=" (keys may be separated by
  // blanks alone), blanks around it trimmed.
  std::string_view takeUnquotedText();
  // Where the next item stands in the file.
  TecplotInput::Position positionOfNext();

private:
  bool readSignificantLine();

  TecplotInput &input_;
  std::string_view line_;
  std::uint64_t lineOffset_ = 0;
  std::size_t pos_ = 0;
  bool hasLine_ = false;
  bool lineFresh_ = false; // no item of the line taken yet
  Token peeked_;
  bool hasPeeked_ = false;
  std::size_t peekedStart_ = 0;
  std::size_t peekedEnd_ = 0;
};

} // namespace zonvert
