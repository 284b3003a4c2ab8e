// The quick first pass of the UTF-8 check, sixteen bytes at a time.
//
// Tool output is mostly ASCII with a few multi-byte characters on every line,
// so skipping ASCII alone helps little; the byte-wise automaton takes ~95 ms
// for 256 MiB of such text. The check below (the "lookup" method of Keiser
// and Lemire, "Validating UTF-8 in less than one instruction per byte", 2021)
// classifies every pair of neighbouring bytes with three table look-ups of
// their nibbles, sixteen pairs at once. It only answers "all well-formed so
// far"; where it finds a fault, the automaton takes over from the last
// character start before that block, so the result stays exactly the same.
// On such text, per 16 MiB (callgrind): 38.8 M instructions and almost no
// mispredicted branches, against the automaton's 95.0 M and 1.14 M.
//
// SSSE3 (for pshufb) is not part of baseline x86-64: where the compiler may
// not assume it, the function is compiled for it and chosen at run time.
// Elsewhere, arm64 included, the automaton does everything: a vector path
// there could be neither run nor compile-checked for a Mac on this project's
// Linux machines, and tool output is a few kilobytes.

#include "driver/utf8_blocks.h"

#include <cstddef>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define UTF8_BLOCKS 1
#if defined(__SSSE3__)
#define UTF8_BLOCKS_TARGET
#define UTF8_BLOCKS_CHOSEN_AT_RUN_TIME 0
#else
#define UTF8_BLOCKS_TARGET __attribute__((target("ssse3")))
#define UTF8_BLOCKS_CHOSEN_AT_RUN_TIME 1
#endif
using Block = __m128i;
UTF8_BLOCKS_TARGET inline Block loadBlock(const unsigned char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
UTF8_BLOCKS_TARGET inline Block splat(unsigned char b) { return _mm_set1_epi8(static_cast<char>(b)); }
UTF8_BLOCKS_TARGET inline Block table(const unsigned char (&t)[16]) { return loadBlock(t); }
UTF8_BLOCKS_TARGET inline Block lookUp(Block t, Block nibbles) { return _mm_shuffle_epi8(t, nibbles); }
UTF8_BLOCKS_TARGET inline Block highNibbles(Block v) { return _mm_and_si128(_mm_srli_epi16(v, 4), splat(0x0F)); }
UTF8_BLOCKS_TARGET inline Block lowNibbles(Block v) { return _mm_and_si128(v, splat(0x0F)); }
UTF8_BLOCKS_TARGET inline Block both(Block a, Block b) { return _mm_and_si128(a, b); }
UTF8_BLOCKS_TARGET inline Block either(Block a, Block b) { return _mm_or_si128(a, b); }
UTF8_BLOCKS_TARGET inline Block differ(Block a, Block b) { return _mm_xor_si128(a, b); }
UTF8_BLOCKS_TARGET inline Block minusSaturated(Block a, Block b) { return _mm_subs_epu8(a, b); }
// The bytes `back` places before each byte of `now`, reaching into `before`.
template <int back>
UTF8_BLOCKS_TARGET inline Block earlier(Block now, Block before) { return _mm_alignr_epi8(now, before, 16 - back); }
UTF8_BLOCKS_TARGET inline bool anySet(Block v) {
  return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF;
}
UTF8_BLOCKS_TARGET inline bool allASCII(Block v) { return _mm_movemask_epi8(v) == 0; }
#else
#define UTF8_BLOCKS 0
#endif

#if UTF8_BLOCKS
// What a pair of bytes (first, second) may be wrong with; a pair is faulty
// when all three tables agree on some bit. twoContinuations is no fault by
// itself: it must match exactly the bytes that are a third or fourth byte.
enum : unsigned char {
  tooShort = 1 << 0,          // lead byte, then no continuation byte
  tooLong = 1 << 1,           // continuation byte after an ASCII byte
  overlong3 = 1 << 2,         // E0 80..9F
  tooLarge = 1 << 3,          // F4 90..BF, or F5..FF
  surrogate = 1 << 4,         // ED A0..BF
  overlong2 = 1 << 5,         // C0 or C1
  tooLarge1000 = 1 << 6,      // F5..FF 80..8F
  overlong4 = 1 << 6,         // F0 80..8F
  twoContinuations = 1 << 7,  // see above
  carry = tooShort | tooLong | twoContinuations,
};

// By the first byte's high nibble.
constexpr unsigned char firstHigh[16] = {
    tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong, tooLong,
    twoContinuations, twoContinuations, twoContinuations, twoContinuations,
    tooShort | overlong2,
    tooShort,
    tooShort | overlong3 | surrogate,
    tooShort | tooLarge | tooLarge1000 | overlong4,
};
// By the first byte's low nibble.
constexpr unsigned char firstLow[16] = {
    carry | overlong3 | overlong2 | overlong4,
    carry | overlong2,
    carry,
    carry,
    carry | tooLarge,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000 | surrogate,
    carry | tooLarge | tooLarge1000,
    carry | tooLarge | tooLarge1000,
};
// By the second byte's high nibble.
constexpr unsigned char secondHigh[16] = {
    tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort, tooShort,
    tooLong | overlong2 | twoContinuations | overlong3 | tooLarge1000 | overlong4,
    tooLong | overlong2 | twoContinuations | overlong3 | tooLarge,
    tooLong | overlong2 | twoContinuations | surrogate | tooLarge,
    tooLong | overlong2 | twoContinuations | surrogate | tooLarge,
    tooShort, tooShort, tooShort, tooShort,
};
// Subtracted with saturation, leaves something only where a block's last
// bytes begin a character that goes on past it.
constexpr unsigned char cutAtEnd[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0 - 1, 0xE0 - 1, 0xC0 - 1};

// Faults among the pairs of bytes that end in `now` (nonzero bytes where
// there are), `previous` being the sixteen bytes before it.
struct Tables {
  Block firstHigh, firstLow, secondHigh;
};
UTF8_BLOCKS_TARGET inline Block faults(Block now, Block previous, const Tables& t) {
  const Block first = earlier<1>(now, previous);
  const Block special = both(both(lookUp(t.firstHigh, highNibbles(first)), lookUp(t.firstLow, lowNibbles(first))),
                             lookUp(t.secondHigh, highNibbles(now)));
  // Bytes two places after an E0..FF, or three after an F0..FF, must be
  // continuations: exactly where twoContinuations is set.
  const Block third = minusSaturated(earlier<2>(now, previous), splat(0xE0 - 0x80));
  const Block fourth = minusSaturated(earlier<3>(now, previous), splat(0xF0 - 0x80));
  return differ(both(either(third, fourth), splat(0x80)), special);
}

// Length of a prefix of `s` that is well-formed and ends on a character
// boundary: all of it, or a little before the first block with a fault or a
// character cut by the end.
UTF8_BLOCKS_TARGET std::size_t wellFormedBlocks(const unsigned char* s, std::size_t n) {
  const Tables tables = {table(firstHigh), table(firstLow), table(secondHigh)};
  const Block cut = table(cutAtEnd);
  Block previous = splat(0), previousCut = splat(0);
  std::size_t at = 0;
  // Sixty-four bytes a step, with one test for ASCII and one for faults: on
  // text with multi-byte characters on every line, a test per sixteen bytes
  // is a branch that goes either way and is often mispredicted.
  for (; at + 64 <= n; at += 64) {
    const Block a = loadBlock(s + at), b = loadBlock(s + at + 16), c = loadBlock(s + at + 32),
                d = loadBlock(s + at + 48);
    const Block wrong = allASCII(either(either(a, b), either(c, d)))
                            ? previousCut  // only a character cut by ASCII
                            : either(either(faults(a, previous, tables), faults(b, a, tables)),
                                     either(faults(c, b, tables), faults(d, c, tables)));
    if (anySet(wrong)) break;  // the loop below finds the block
    previous = d;
    previousCut = minusSaturated(d, cut);
  }
  for (; at + 16 <= n; at += 16) {
    const Block now = loadBlock(s + at);
    if (anySet(faults(now, previous, tables))) break;
    previous = now;
    previousCut = minusSaturated(now, cut);
  }
  if (at + 16 > n && !anySet(previousCut)) return at;
  // The blocks before `at` are well-formed up to a character cut by `at`:
  // go back to that character's first byte (at most four places).
  std::size_t start = at;
  while (start > 0 && at - start < 3 && (s[start - 1] & 0xC0) == 0x80) --start;
  if (start > 0 && at - start <= 3 && s[start - 1] >= 0xC0) --start;
  return start;
}

#if UTF8_BLOCKS_CHOSEN_AT_RUN_TIME
// Asked while static objects are built, so the processor's features must be
// read first; until then this is false, and the automaton does everything.
bool processorHasSSSE3() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3");
}
const bool blocksAvailable = processorHasSSSE3();
#else
constexpr bool blocksAvailable = true;
#endif
#endif  // UTF8_BLOCKS

}  // namespace

std::size_t wellFormedBlockLength(std::string_view bytes) {
#if UTF8_BLOCKS
  if (blocksAvailable)
    return wellFormedBlocks(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
#endif
  (void)bytes;
  return 0;
}
