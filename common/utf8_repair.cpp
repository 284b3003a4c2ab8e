#include "common/utf8_repair.h"

#include <cstdint>
#include <cstring>

namespace orventa {

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

}  // namespace

std::size_t validUTF8Length(std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    // Tool output is mostly ASCII: eight such bytes are taken at once.
    std::uint64_t word;
    if (bytes.size() - at >= 8 && (std::memcpy(&word, bytes.data() + at, 8), (word & 0x8080808080808080u) == 0)) {
      at += 8;
      continue;
    }
    if (static_cast<unsigned char>(bytes[at]) < 0x80) {
      ++at;
      continue;
    }
    std::size_t subpart = 0;
    const std::size_t length = sequenceAt(bytes, at, &subpart);
    if (length == 0) break;
    at += length;
  }
  return at;
}

std::size_t repairedUTF8Size(std::string_view bytes) {
  std::size_t size = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t good = validUTF8Length(bytes.substr(at));
    size += good;
    at += good;
    if (at == bytes.size()) break;
    std::size_t subpart = 0;
    sequenceAt(bytes, at, &subpart);
    size += replacementCharacter.size();
    at += subpart;
  }
  return size;
}

std::string repairedUTF8(std::string bytes) {
  std::size_t at = validUTF8Length(bytes);
  if (at == bytes.size()) return bytes;

  const std::string_view in = bytes;
  std::string out;
  // Exactly the room the result needs: a buffer grown as it fills could hold
  // half as much again, and the output limit bounds the result's size.
  out.reserve(repairedUTF8Size(in));
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

std::optional<std::string> repairedUTF8Within(std::string bytes, std::size_t limit) {
  const std::size_t valid = validUTF8Length(bytes);
  if (valid == bytes.size()) {
    if (bytes.size() > limit) return std::nullopt;
    return bytes;
  }
  // Ill-formed output is rare: looking at it again costs little.
  if (valid + repairedUTF8Size(std::string_view(bytes).substr(valid)) > limit) return std::nullopt;
  return repairedUTF8(std::move(bytes));
}

}  // namespace orventa
