#include "read/TecplotTokens.h"

#include "base/TextScan.h"

namespace zonvert {

namespace {

bool isItemSeparator(char c) { return isScanSpace(c) || c == ','; }
bool isPunctuation(char c) { return c == '=' || c == '(' || c == ')' || c == '"'; }

std::size_t skipSeparators(std::string_view line, std::size_t pos) {
  while (pos < line.size() && isItemSeparator(line[pos]))
    ++pos;
  return pos;
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isScanSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && isScanSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

} // namespace

bool isBlankOrComment(std::string_view line) {
  std::size_t pos = 0;
  while (pos < line.size() && isScanSpace(line[pos]))
    ++pos;
  return pos == line.size() || line[pos] == '#';
}

bool TokenCursor::readSignificantLine() {
  std::string_view line;
  while (input_.nextLine(line)) {
    if (isBlankOrComment(line))
      continue;
    line_ = line;
    lineOffset_ = input_.lineOffset();
    pos_ = 0;
    hasLine_ = true;
    lineFresh_ = true;
    return true;
  }
  hasLine_ = false;
  line_ = {};
  pos_ = 0;
  return false;
}

const Token &TokenCursor::peek() {
  if (hasPeeked_)
    return peeked_;
  hasPeeked_ = true;
  const std::size_t from = hasLine_ ? pos_ : line_.size();
  std::size_t start = hasLine_ ? skipSeparators(line_, pos_) : line_.size();
  bool afterComma = line_.substr(from, start - from).find(',') != std::string_view::npos;
  while (!hasLine_ || start == line_.size()) {
    if (!readSignificantLine()) {
      peeked_ = Token{};
      peekedStart_ = peekedEnd_ = 0;
      return peeked_;
    }
    start = skipSeparators(line_, 0);
    afterComma = line_.substr(0, start).find(',') != std::string_view::npos;
  }
  peekedStart_ = start;
  const char c = line_[start];
  Token token;
  token.startsLine = lineFresh_;
  token.afterComma = afterComma;
  std::size_t end = start + 1;
  if (c == '=') {
    token.kind = TokenKind::Equals;
  } else if (c == '(') {
    token.kind = TokenKind::Open;
  } else if (c == ')') {
    token.kind = TokenKind::Close;
  } else if (c == '"') {
    token.kind = TokenKind::Quoted;
    const std::size_t close = line_.find('"', start + 1);
    const std::size_t textEnd = close == std::string_view::npos ? line_.size() : close;
    token.text = line_.substr(start + 1, textEnd - start - 1);
    end = close == std::string_view::npos ? line_.size() : close + 1;
  } else {
    token.kind = TokenKind::Word;
    while (end < line_.size() && !isItemSeparator(line_[end]) && !isPunctuation(line_[end]))
      ++end;
    token.text = line_.substr(start, end - start);
  }
  peekedEnd_ = end;
  peeked_ = token;
  return peeked_;
}

Token TokenCursor::take() {
  const Token token = peek();
  if (token.kind != TokenKind::End) {
    pos_ = peekedEnd_;
    lineFresh_ = false;
    hasPeeked_ = false;
  }
  return token;
}

std::string_view TokenCursor::lineFromNext() {
  peek();
  return line_.substr(peekedStart_);
}

bool TokenCursor::nextIsKey() {
  if (peek().kind != TokenKind::Word)
    return false;
  std::size_t at = peekedEnd_;
  while (at < line_.size() && isScanSpace(line_[at]))
    ++at;
  return at < line_.size() && line_[at] == '=';
}

void TokenCursor::dropLine() {
  hasLine_ = false;
  hasPeeked_ = false;
}

void TokenCursor::handBack() {
  if (peek().kind == TokenKind::End)
    return;
  input_.keepRest(line_.substr(peekedStart_));
  hasLine_ = false;
  hasPeeked_ = false;
}

TecplotInput::Position TokenCursor::positionOfNext() {
  peek();
  return {lineOffset_ + peekedStart_, false};
}

std::string_view TokenCursor::takeUnquotedText() {
  if (peek().kind != TokenKind::Word)
    return take().text;
  const std::size_t start = peekedStart_;
  std::size_t end = line_.find(',', start);
  if (end == std::string_view::npos)
    end = line_.size();
  const std::size_t equals = line_.substr(0, end).find('=', start);
  if (equals != std::string_view::npos) {
    // Back over the blanks before "=" and the key before them.
    std::size_t keyStart = equals;
    while (keyStart > start && isScanSpace(line_[keyStart - 1]))
      --keyStart;
    while (keyStart > start && !isItemSeparator(line_[keyStart - 1]))
      --keyStart;
    // The next key right after "=": the text is empty.
    if (keyStart == start)
      return {};
    end = keyStart;
  }
  const std::string_view text = trimBlanks(line_.substr(start, end - start));
  if (text.empty())
    return take().text;
  pos_ = end;
  lineFresh_ = false;
  hasPeeked_ = false;
  return text;
}

} // namespace zonvert
