#include "ZoneRecord.h"

#include "LineOps.h"
#include "NumberForms.h"

#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

void NodeValueTable::clear() {
  // clear() keeps the capacity, so a file of similar zones allocates once.
  text_.clear();
  nodeTextStart_.clear();
  nodeFirstValue_.clear();
  valueOffset_.clear();
  firstNonFinite_.clear();
}

void NodeValueTable::appendNodeLine(std::string_view line) {
  assert(line.size() <= kMaxNodeLineBytes);
  nodeTextStart_.push_back(text_.size());
  nodeFirstValue_.push_back(valueOffset_.size());
  // Make room once, copy the pieces without their separating blanks, then
  // trim. A rewritten number is one byte longer than its token at most, and
  // the blanks between tokens are dropped, so the values of a line take at
  // most one byte more than the line.
  const std::size_t base = text_.size();
  text_.resize(base + line.size() + 1);
  char *const out = text_.data() + base;
  std::size_t used = 0;
  if (!appendPlainValues(line, out, used)) {
    valueOffset_.resize(nodeFirstValue_.back());
    used = 0;
    appendSpecialValues(line, out, used);
  }
  valueOffset_.push_back(static_cast<std::uint32_t>(used));
  text_.resize(base + used);
}

namespace {

constexpr std::size_t kBlockBytes = 16;

// Bit k of each mask tells about byte k of a block of 16 bytes.
struct BlockMasks {
  unsigned blanks;
  unsigned special; // see maySignalSpecialNumber
};

BlockMasks classifyBlock(const char *bytes, char previous) {
#if defined(__SSE2__)
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes));
  // Each byte's predecessor: the block moved up by one byte, `previous` first.
  const __m128i before =
      _mm_or_si128(_mm_slli_si128(block, 1), _mm_cvtsi32_si128(static_cast<unsigned char>(previous)));
  const __m128i folded = _mm_or_si128(block, _mm_set1_epi8(0x20));
  const __m128i letter = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(folded, _mm_set1_epi8('d')),
                                                   _mm_cmpeq_epi8(folded, _mm_set1_epi8('i'))),
                                      _mm_cmpeq_epi8(folded, _mm_set1_epi8('n')));
  const __m128i sign =
      _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('+')), _mm_cmpeq_epi8(block, _mm_set1_epi8('-')));
  const __m128i fromZero = _mm_sub_epi8(before, _mm_set1_epi8('0'));
  const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero);
  const __m128i mantissa = _mm_or_si128(digit, _mm_cmpeq_epi8(before, _mm_set1_epi8('.')));
  const __m128i special = _mm_or_si128(letter, _mm_and_si128(sign, mantissa));
  return {static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8(' ')))),
          static_cast<unsigned>(_mm_movemask_epi8(special))};
#else
  BlockMasks masks{0, 0};
  for (std::size_t k = 0; k < kBlockBytes; ++k) {
    const auto byte = static_cast<unsigned char>(bytes[k]);
    masks.blanks |= static_cast<unsigned>(byte == ' ') << k;
    masks.special |= static_cast<unsigned>(maySignalSpecialNumber(byte, static_cast<unsigned char>(previous))) << k;
    previous = bytes[k];
  }
  return masks;
#endif
}

} // namespace

// Splits a node line at runs of blanks and copies its values, sixteen bytes
// at a time: one pass finds the blanks and the bytes that may belong to a
// Fortran number, NaN or infinity. Returns false, part way, at the first such
// byte; the caller then takes the line token by token.
bool NodeValueTable::appendPlainValues(std::string_view line, char *out, std::size_t &used) {
  const char *const text = line.data();
  bool inValue = false;
  std::size_t valueStart = 0;
  char previous = ' ';
  auto takeBlock = [&](const char *bytes, std::size_t at) {
    const BlockMasks masks = classifyBlock(bytes, previous);
    if (masks.special != 0)
      return false;
    previous = bytes[kBlockBytes - 1];
    // A value starts or ends wherever a byte differs from its predecessor
    // in being a blank.
    const unsigned blankBefore = ((masks.blanks << 1) | (inValue ? 0u : 1u)) & 0xFFFFu;
    for (unsigned changes = masks.blanks ^ blankBefore; changes != 0; changes &= changes - 1) {
      const std::size_t position = at + static_cast<std::size_t>(__builtin_ctz(changes));
      if (inValue)
        appendValue(text + valueStart, position - valueStart, out, used);
      else
        valueStart = position;
      inValue = !inValue;
    }
    return true;
  };
  std::size_t at = 0;
  for (; at + kBlockBytes <= line.size(); at += kBlockBytes)
    if (!takeBlock(text + at, at))
      return false;
  if (at < line.size()) {
    // The last bytes, padded with blanks, which end a value like the line's end.
    char tail[kBlockBytes];
    std::memset(tail, ' ', kBlockBytes);
    std::memcpy(tail, text + at, line.size() - at);
    if (!takeBlock(tail, at))
      return false;
  }
  if (inValue)
    appendValue(text + valueStart, line.size() - valueStart, out, used);
  return true;
}

// The slow path for the rare line that may hold Fortran numbers, NaN or
// infinities: each token is looked at on its own.
void NodeValueTable::appendSpecialValues(std::string_view line, char *out, std::size_t &used) {
  const std::size_t node = nodeTextStart_.size() - 1;
  std::size_t index = 0;
  forEachPiece(line, ' ', [&](std::string_view piece) {
    valueOffset_.push_back(static_cast<std::uint32_t>(used));
    used += copyInCForm(piece, out + used);
    if (isNonFinite(piece)) {
      if (index >= firstNonFinite_.size())
        firstNonFinite_.resize(index + 1, kNoNode);
      if (firstNonFinite_[index] == kNoNode)
        firstNonFinite_[index] = node;
    }
    ++index;
  });
}

std::size_t NodeValueTable::valueCount(std::size_t node) const {
  const std::size_t next = node + 1 < nodeFirstValue_.size() ? nodeFirstValue_[node + 1] : valueOffset_.size();
  // Each node's entries end with its end marker.
  return next - nodeFirstValue_[node] - 1;
}

void ElementTable::clear() {
  nodes_.clear();
  elementStart_.clear();
}

void ElementTable::beginElement() { elementStart_.push_back(nodes_.size()); }

void ElementTable::appendNode(std::int32_t nodeNumber) { nodes_.push_back(nodeNumber); }

std::size_t ElementTable::nodeCount(std::size_t element) const {
  const std::size_t end = element + 1 < elementStart_.size() ? elementStart_[element + 1] : nodes_.size();
  return end - elementStart_[element];
}

void clearZone(ZoneRecord &zone) {
  zone.title.clear();
  zone.nodeCount = 0;
  zone.elementCount = 0;
  zone.elementTypeName.clear();
  zone.nodeValues.clear();
  zone.elementNodes.clear();
  zone.color.clear();
}

} // namespace zonvert
