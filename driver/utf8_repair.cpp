#include "driver/utf8_repair.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";

struct LeadByte {
  int continuations;           ///< bytes that must follow; -1: never a lead byte
  unsigned char secondLow;     ///< allowed range of the first continuation byte,
  unsigned char secondHigh;    ///< narrower after E0, ED, F0 and F4
};

// Table 3-7 of the Unicode Standard: the narrowed second-byte ranges exclude
// overlong forms (E0, F0), surrogates (ED) and values above U+10FFFF (F4).
LeadByte leadByte(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return {1, 0x80, 0xBF};
  if (b == 0xE0) return {2, 0xA0, 0xBF};
  if (b == 0xED) return {2, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {2, 0x80, 0xBF};
  if (b == 0xF0) return {3, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {3, 0x80, 0xBF};
  if (b == 0xF4) return {3, 0x80, 0x8F};
  return {-1, 0, 0};
}

// Length of the sequence starting at `at` when it is a well-formed character;
// otherwise 0 and `*subpart` = length of its maximal subpart (at least 1),
// the bytes that one U+FFFD stands for.
std::size_t sequenceAt(std::string_view s, std::size_t at, std::size_t* subpart) {
  const auto b = static_cast<unsigned char>(s[at]);
  if (b < 0x80) return 1;
  const LeadByte lead = leadByte(b);
  std::size_t taken = 1;
  for (int i = 0; i < lead.continuations; ++i, ++taken) {
    if (at + taken >= s.size()) break;
    const auto c = static_cast<unsigned char>(s[at + taken]);
    const unsigned char low = i == 0 ? lead.secondLow : 0x80;
    const unsigned char high = i == 0 ? lead.secondHigh : 0xBF;
    if (c < low || c > high) break;
  }
  if (lead.continuations >= 0 && taken == static_cast<std::size_t>(lead.continuations) + 1) return taken;
  *subpart = taken;
  return 0;
}

// Tool output is mostly ASCII: skip it eight bytes at a time.
std::size_t asciiRunLength(std::string_view s, std::size_t at) {
  std::size_t i = at;
  while (i + 8 <= s.size()) {
    std::uint64_t word;
    std::memcpy(&word, s.data() + i, sizeof word);
    if (word & 0x8080808080808080u) break;
    i += 8;
  }
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i - at;
}

// Index of the first byte with its high bit set, given the word's high bits
// (not 0), in memory order whatever the machine's byte order.
std::size_t firstHighByte(std::uint64_t high) {
  if constexpr (std::endian::native == std::endian::little) return std::countr_zero(high) / 8;
  return std::countl_zero(high) / 8;
}

}  // namespace

std::size_t validUTF8Length(std::string_view bytes) {
  // The same rules as sequenceAt, decided with few branches: tool output can
  // be hundreds of MiB, and this is the one pass over all of it.
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t at = 0;
  while (at + 8 <= n) {
    // Eight bytes at a time up to the first that is not ASCII.
    std::uint64_t word;
    std::memcpy(&word, s + at, sizeof word);
    const std::uint64_t high = word & 0x8080808080808080u;
    if (high == 0) {
      at += 8;
      continue;
    }
    at += firstHighByte(high);
    if (at + 4 > n) break;
    // The next four bytes, first byte lowest, whatever the byte order.
    const std::uint32_t w = std::uint32_t(s[at]) | std::uint32_t(s[at + 1]) << 8 |
                            std::uint32_t(s[at + 2]) << 16 | std::uint32_t(s[at + 3]) << 24;
    if ((w & 0xC0E0u) == 0x80C0u) {  // 110xxxxx 10xxxxxx, not overlong (C0, C1)
      if ((w & 0x1Eu) == 0) return at;
      at += 2;
    } else if ((w & 0xC0C0F0u) == 0x8080E0u) {  // 1110xxxx 10xxxxxx 10xxxxxx
      const std::uint32_t c = (w & 0x0Fu) << 12 | (w >> 2 & 0x0FC0u) | (w >> 16 & 0x3Fu);
      if (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF)) return at;  // overlong, surrogate
      at += 3;
    } else if ((w & 0xC0C0C0F8u) == 0x808080F0u) {  // 11110xxx and three 10xxxxxx
      const std::uint32_t c =
          (w & 0x07u) << 18 | (w << 4 & 0x3F000u) | (w >> 10 & 0x0FC0u) | (w >> 24 & 0x3Fu);
      if (c < 0x10000 || c > 0x10FFFF) return at;  // overlong, beyond Unicode
      at += 4;
    } else {
      return at;
    }
  }
  // The last few bytes, where a sequence may be cut short.
  while (at < n) {
    std::size_t subpart = 0;
    const std::size_t length = sequenceAt(bytes, at, &subpart);
    if (length == 0) return at;
    at += length;
  }
  return n;
}

std::string repairedUTF8(std::string bytes) {
  std::size_t at = validUTF8Length(bytes);
  if (at == bytes.size()) return bytes;

  const std::string_view in = bytes;
  std::string out;
  out.reserve(in.size() + in.size() / 2);
  out.append(in.substr(0, at));
  while (at < in.size()) {
    std::size_t subpart = 0;
    const std::size_t length = sequenceAt(in, at, &subpart);
    if (length == 0) {
      out.append(replacementCharacter);
      at += subpart;
    } else {
      // Copy the whole well-formed stretch that starts here in one piece.
      const std::size_t good = validUTF8Length(in.substr(at));
      out.append(in.substr(at, good));
      at += good;
    }
  }
  return out;
}
