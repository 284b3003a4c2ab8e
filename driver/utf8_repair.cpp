#include "driver/utf8_repair.h"

#include <algorithm>
#include <array>
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

// The rules of sequenceAt as an automaton for whole runs of text. Each state
// is a bit offset into a byte's row, and the row holds the next state for
// every state, so one step is a load and a shift: no branch that mixed text
// could mispredict.
constexpr unsigned stateAccept = 0, stateError = 6, stateNeed1 = 12, stateNeed2 = 18, stateNeed3 = 24,
                   stateAfterE0 = 30, stateAfterED = 36, stateAfterF0 = 42, stateAfterF4 = 48;

constexpr unsigned nextState(unsigned from, unsigned b) {
  const bool continuation = b >= 0x80 && b <= 0xBF;
  switch (from) {
    case stateAccept:
      if (b < 0x80) return stateAccept;
      if (b >= 0xC2 && b <= 0xDF) return stateNeed1;
      if (b == 0xE0) return stateAfterE0;  // A0..BF next: no overlong form
      if (b == 0xED) return stateAfterED;  // 80..9F next: no surrogate
      if (b >= 0xE1 && b <= 0xEF) return stateNeed2;
      if (b == 0xF0) return stateAfterF0;  // 90..BF next: no overlong form
      if (b >= 0xF1 && b <= 0xF3) return stateNeed3;
      if (b == 0xF4) return stateAfterF4;  // 80..8F next: nothing past U+10FFFF
      return stateError;
    case stateNeed1: return continuation ? stateAccept : stateError;
    case stateNeed2: return continuation ? stateNeed1 : stateError;
    case stateNeed3: return continuation ? stateNeed2 : stateError;
    case stateAfterE0: return b >= 0xA0 && b <= 0xBF ? stateNeed1 : stateError;
    case stateAfterED: return b >= 0x80 && b <= 0x9F ? stateNeed1 : stateError;
    case stateAfterF0: return b >= 0x90 && b <= 0xBF ? stateNeed2 : stateError;
    case stateAfterF4: return b >= 0x80 && b <= 0x8F ? stateNeed2 : stateError;
    default: return stateError;
  }
}

constexpr std::array<std::uint64_t, 256> makeTransitions() {
  std::array<std::uint64_t, 256> rows{};
  constexpr unsigned states[] = {stateAccept,  stateError,   stateNeed1,   stateNeed2,  stateNeed3,
                                 stateAfterE0, stateAfterED, stateAfterF0, stateAfterF4};
  for (unsigned b = 0; b < 256; ++b)
    for (unsigned from : states) rows[b] |= std::uint64_t(nextState(from, b)) << from;
  return rows;
}

constexpr std::array<std::uint64_t, 256> transitions = makeTransitions();

}  // namespace

std::size_t validUTF8Length(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  // Blocks of eight bytes: ASCII ones skipped whole, others through the
  // automaton. `boundary` is the end of the last block that ended on a
  // character boundary, with all before it well-formed.
  std::size_t at = 0;
  std::size_t boundary = 0;
  std::uint64_t state = stateAccept;
  while (at < n) {
    std::uint64_t word = 0;
    if (state == stateAccept && at + 8 <= n && (std::memcpy(&word, s + at, 8), (word & 0x8080808080808080u) == 0)) {
      at += 8;
    } else {
      const std::size_t end = std::min(at + 8, n);
      for (; at < end; ++at) state = (transitions[s[at]] >> state) & 63;
      if (state == stateError) break;
    }
    if (state == stateAccept) boundary = at;
  }
  if (state == stateAccept) return n;
  // An ill-formed or cut sequence lies in the block after `boundary`: find
  // where it begins.
  while (boundary < n) {
    std::size_t subpart = 0;
    const std::size_t length = sequenceAt(bytes, boundary, &subpart);
    if (length == 0) break;
    boundary += length;
  }
  return boundary;
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
