#include "read/NodeValueLines.h"

#include "base/NumberForms.h"
#include "read/TecplotSyntax.h"

#include <algorithm>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

std::size_t NodeValueReader::appendValues(std::string_view text, std::size_t limit) {
  // A node line holding exactly one node's values, as result files are
  // written, is taken in one pass.
  if (limit == SIZE_MAX && values_.atNodeStart() && values_.valuesHeld() < values_.valuesWanted() &&
      appendWholeRow(text))
    return text.size();
  const std::size_t held = values_.valuesHeld();
  return appendTokens(text, std::min(values_.valuesWanted(), limit == SIZE_MAX ? limit : held + limit));
}

namespace {

constexpr std::size_t kBlockBytes = 16;

// Bit k of each mask tells about byte k of a block of 16 bytes.
struct BlockMasks {
  unsigned separators; // blanks, tabs, commas
  unsigned special;    // bytes that are not isPlainNumberByte
  unsigned lineBreaks; // line feeds, carriage returns, NUL bytes
};

// `afterPlain` tells whether the byte before the block lets a sign follow
// (see isPlainNumberByte); it is set for the block's last byte.
[[gnu::always_inline]] inline BlockMasks classifyBlock(const char *bytes, unsigned &afterPlain) {
#if defined(__SSE2__)
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
  const __m128i tab = _mm_cmpeq_epi8(block, _mm_set1_epi8('\t'));
  const __m128i separators =
      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8(' ')), tab), _mm_cmpeq_epi8(block, _mm_set1_epi8(',')));
  const __m128i exponent = _mm_cmpeq_epi8(_mm_or_si128(block, _mm_set1_epi8(0x20)), _mm_set1_epi8('e'));
  // ',' to '9': the comma, '-', '.', '/' and the digits.
  const __m128i fromComma = _mm_sub_epi8(block, _mm_set1_epi8(','));
  const __m128i commaToNine = _mm_cmpeq_epi8(_mm_min_epu8(fromComma, _mm_set1_epi8('9' - ',')), fromComma);
  const __m128i sign =
      _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('+')), _mm_cmpeq_epi8(block, _mm_set1_epi8('-')));
  const __m128i exponentOrSeparator = _mm_or_si128(exponent, separators);
  // Every control byte up to the carriage return but the tab: the line
  // feed, the carriage return and NUL end a row, and the others, which no
  // plain row holds, end it too, where the caller refuses the row.
  const __m128i lineBreaks =
      _mm_andnot_si128(tab, _mm_cmpeq_epi8(_mm_min_epu8(block, _mm_set1_epi8('\r')), block));
  const auto signs = static_cast<unsigned>(_mm_movemask_epi8(sign));
  const auto exponentsOrSeparators = static_cast<unsigned>(_mm_movemask_epi8(exponentOrSeparator));
  const unsigned afterExponentOrSeparator = exponentsOrSeparators << 1 | afterPlain;
  afterPlain = exponentsOrSeparators >> 15;
  const unsigned plain =
      (static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(commaToNine, exponentOrSeparator))) & ~signs) |
      (signs & afterExponentOrSeparator);
  return {static_cast<unsigned>(_mm_movemask_epi8(separators)), ~plain & 0xFFFFu,
          static_cast<unsigned>(_mm_movemask_epi8(lineBreaks))};
#else
  BlockMasks masks{0, 0, 0};
  // A byte before the block that a sign may follow, or one it may not.
  auto previous = static_cast<unsigned char>(afterPlain ? ' ' : '0');
  for (std::size_t k = 0; k < kBlockBytes; ++k) {
    const auto byte = static_cast<unsigned char>(bytes[k]);
    masks.separators |= static_cast<unsigned>(isValueSeparator(bytes[k])) << k;
    masks.lineBreaks |= static_cast<unsigned>(byte <= '\r' && byte != '\t') << k;
    masks.special |= static_cast<unsigned>(!isPlainNumberByte(byte, previous)) << k;
    previous = byte;
  }
  afterPlain = static_cast<unsigned>(isPlainNumberByte('+', previous));
  return masks;
#endif
}

// "3*0.0", Fortran's repeat count: the value after the asterisk, three times.
struct Repeat {
  std::size_t count;
  std::string_view value;
};

std::optional<Repeat> repeatOf(std::string_view token) {
  const std::size_t star = token.find('*');
  if (star == 0 || star == std::string_view::npos || star + 1 == token.size())
    return std::nullopt;
  std::size_t count = 0;
  for (std::size_t k = 0; k < star; ++k) {
    if (token[k] < '0' || token[k] > '9')
      return std::nullopt;
    // Saturates far beyond any zone's value count.
    count = std::min<std::size_t>(count * 10 + static_cast<std::size_t>(token[k] - '0'), std::size_t{1} << 50);
  }
  return Repeat{count, token.substr(star + 1)};
}

} // namespace

// A row of exactly one node's values, taken from a line in one pass; false
// (and nothing taken) when the line holds another number of values or may
// hold values that need a look of their own.
bool NodeValueReader::appendWholeRow(std::string_view text) {
  std::size_t rowBytes = 0;
  // A control byte within the line ends the row early: not a plain row.
  if (!findPlainRow(text, true, rowBytes) || rowBytes != text.size())
    return false;
  values_.appendNode(text.data(), found_.data(), false);
  return true;
}

std::size_t NodeValueReader::appendWholeLines(std::string_view block) {
  if (!values_.atNodeStart())
    return 0;
  std::size_t used = 0;
  while (values_.valuesHeld() < values_.valuesWanted() && used < block.size()) {
    const std::string_view rest = block.substr(used);
    std::size_t rowBytes = 0;
    if (!findPlainRow(rest, false, rowBytes))
      break;
    // A line feed, or a carriage return and a line feed, ends the line.
    std::size_t next = rowBytes + 1;
    if (rest[rowBytes] == '\r' && next < rest.size() && rest[next] == '\n')
      ++next;
    else if (rest[rowBytes] != '\n')
      break;
    values_.appendNode(rest.data(), found_.data(), true);
    used += next;
  }
  return used;
}

// True, with `rowBytes` set, when the row of lines at the start of `text`
// is plain and holds its separators where the last row split from a block
// of lines did, block by block, and ends in the block that row ended in:
// its values then stand where that row's did, which `found_` holds.
bool NodeValueReader::splitsLikeLastRow(std::string_view text, std::size_t &rowBytes) const {
  const std::size_t blocks = layoutBlocks_;
  if (blocks == 0 || blocks * kBlockBytes > text.size())
    return false;
  unsigned afterPlain = 1; // the row's start: a sign may follow
  const std::size_t last = blocks - 1;
  // Before the last block: no line break (a control byte is never plain),
  // nothing special, separators alike.
  unsigned differs = 0;
  for (std::size_t block = 0; block < last; ++block) {
    const BlockMasks masks = classifyBlock(text.data() + block * kBlockBytes, afterPlain);
    differs |= masks.special | (masks.separators ^ layout_[block].separators);
  }
  if (differs != 0)
    return false;
  const BlockMasks masks = classifyBlock(text.data() + last * kBlockBytes, afterPlain);
  if (masks.lineBreaks == 0)
    return false;
  const auto breakAt = static_cast<unsigned>(__builtin_ctz(masks.lineBreaks));
  const unsigned inRow = (1u << breakAt) - 1u;
  if ((masks.special & inRow) != 0 || ((masks.separators | ~inRow) & 0xFFFFu) != layout_[last].separators)
    return false;
  rowBytes = last * kBlockBytes + breakAt;
  return true;
}

// Splits the row at the start of `text` into `found_` at runs of
// separators, sixteen bytes at a time: one pass finds the separators, the
// line breaks and the bytes that may belong to a Fortran number, a repeat
// count, NaN or infinity. The row ends at the first line break (or other
// control byte but the tab), or with `text` when `endsWithText`; `rowBytes`
// tells where. False, part way, at
// the first special byte, or when the row holds more or fewer values than a
// node or does not end within `text`; the caller then takes it token by
// token. A row of lines (not `endsWithText`) split alike with the last such
// row keeps that row's places (see splitsLikeLastRow); the places of any
// other are noted block by block for the next.
bool NodeValueReader::findPlainRow(std::string_view text, bool endsWithText, std::size_t &rowBytes) {
  if (!endsWithText && splitsLikeLastRow(text, rowBytes))
    return true;
  layoutBlocks_ = 0;
  // Rows longer than 4 GiB (never a node's) go token by token.
  if (text.size() >= UINT32_MAX)
    return false;
  const std::size_t most = 2 * values_.variableCount();
  found_.resize(most + 2);
  std::size_t block = 0;
  std::size_t count = 0; // starts and ends found: odd within a value
  bool ended = false;
  unsigned afterPlain = 1; // the row's start: a sign may follow
  auto takeBlock = [&](const char *bytes, std::size_t at) __attribute__((always_inline)) {
    const BlockMasks masks = classifyBlock(bytes, afterPlain);
    unsigned inRow = 0xFFFFu;
    if (masks.lineBreaks != 0) {
      const auto breakAt = static_cast<unsigned>(__builtin_ctz(masks.lineBreaks));
      inRow = (1u << breakAt) - 1u;
      rowBytes = at + breakAt;
      ended = true;
    }
    if ((masks.special & inRow) != 0)
      return false;
    // A value starts or ends wherever a byte differs from its predecessor
    // in being a separator; the bytes past the row's end count as
    // separators.
    const unsigned separators = (masks.separators | ~inRow) & 0xFFFFu;
    if (block == layout_.size())
      layout_.emplace_back();
    layout_[block++].separators = separators;
    const unsigned separatorBefore = ((separators << 1) | ((count & 1) ^ 1u)) & 0xFFFFu;
    for (unsigned changes = separators ^ separatorBefore; changes != 0; changes &= changes - 1) {
      if (count == most + 1) // a value more than a node holds
        return false;
      found_[count++] = static_cast<std::uint32_t>(at + static_cast<std::size_t>(__builtin_ctz(changes)));
    }
    return true;
  };
  std::size_t at = 0;
  for (; at + kBlockBytes <= text.size() && !ended; at += kBlockBytes)
    if (!takeBlock(text.data() + at, at))
      return false;
  if (at < text.size() && !ended) {
    // The last bytes, padded with blanks, which end a value like the text's end.
    char tail[kBlockBytes];
    std::memset(tail, ' ', kBlockBytes);
    std::memcpy(tail, text.data() + at, text.size() - at);
    if (!takeBlock(tail, at))
      return false;
  }
  if (!ended) {
    if (!endsWithText)
      return false;
    rowBytes = text.size();
    if (count % 2 == 1)
      found_[count++] = static_cast<std::uint32_t>(text.size());
  }
  if (count != most)
    return false;
  if (!endsWithText)
    layoutBlocks_ = block;
  return true;
}

// The general path, value by value: values wrapped over lines, several
// nodes on a line, block layout, and the rare value that needs a look of
// its own (Fortran numbers, repeat counts, NaN, infinities).
std::size_t NodeValueReader::appendTokens(std::string_view text, std::size_t target) {
  std::size_t pos = 0;
  while (values_.valuesHeld() < target) {
    while (pos < text.size() && isValueSeparator(text[pos]))
      ++pos;
    if (pos == text.size())
      break;
    std::size_t end = pos;
    while (end < text.size() && !isValueSeparator(text[end]))
      ++end;
    const std::string_view token = text.substr(pos, end - pos);
    // A record keyword among the values: the zone holds fewer than it says.
    if (recordKindOf(token) != RecordKind::None)
      break;
    if (const auto repeat = repeatOf(token)) {
      if (repeat->count == 0 || repeat->count > target - values_.valuesHeld())
        break;
      appendRepeated(repeat->value, repeat->count);
    } else {
      appendValue(token);
    }
    pos = end;
  }
  return pos;
}

void NodeValueReader::appendValue(std::string_view token) {
  // A rewritten number is one byte longer than its token at most.
  char *const to = values_.valueRoom(token.size() + 1);
  values_.valueAdded({to, copyInCForm(token, to)}, isNonFinite(token));
}

void NodeValueReader::appendRepeated(std::string_view value, std::size_t count) {
  repeated_.resize(value.size() + 1);
  values_.valuesRepeated({repeated_.data(), copyInCForm(value, repeated_.data())}, isNonFinite(value), count);
}

} // namespace zonvert
