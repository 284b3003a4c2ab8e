#include <algorithm>
#include <cstdio>
#include <random>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "driver/runner/run.h"
#include "common/utf8_repair.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

std::string bytesFromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
    bytes.push_back(static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string hexOf(const std::string& bytes) {
  std::string hex;
  char two[4];
  for (unsigned char b : bytes) std::snprintf(two, sizeof two, "%02X ", b), hex += two;
  return hex;
}

std::string replacements(int n) {
  std::string s;
  while (n-- > 0) s += "\uFFFD";
  return s;
}

// The Unicode Standard's examples of substituting maximal subparts (chapter
// 3.9, tables 3-8 to 3-11), and the ends of input.
TEST(RepairedUTF8, UnicodeStandardExamples) {
  const std::string r = "\uFFFD";
  struct Case {
    const char* hex;
    std::string want;
  };
  const Case cases[] = {
      {"61 F1 80 80 E1 80 C2 62 80 63 80 BF 64", std::string("a") + replacements(3) + "b" + r + "c" + replacements(2) + "d"},
      {"C0 AF E0 80 BF F0 81 82 41", replacements(8) + "A"},
      {"ED A0 80 ED BF BF ED AF 41", replacements(8) + "A"},
      {"F4 91 92 93 FF 41 80 BF 42", replacements(5) + "A" + replacements(2) + "B"},
      {"E1 80 E2 F0 91 92 F1 BF 41", replacements(4) + "A"},
      {"F0 90 80", r},
      {"F0 80 80", replacements(3)},
      {"", ""},
      {"FF", r},
      {"E2 82 AC F0 9F 98 80 7F", "\u20AC\U0001F600\x7F"},
  };
  for (const Case& c : cases) EXPECT_EQ(repairedUTF8(bytesFromHex(c.hex)), c.want) << c.hex;
}

TEST(RepairedUTF8, WithinALimitCountsTheRepairedText) {
  struct Case {
    const char* name;
    std::string bytes;
    std::size_t limit;
    std::optional<std::string> want;
  };
  const std::string r = "\xEF\xBF\xBD";
  const Case cases[] = {
      {"well-formed, at the limit", "abc", 3, "abc"},
      {"well-formed, past the limit", "abcd", 3, std::nullopt},
      {"two bad bytes, repaired at the limit", "a\xFF\xFE", 7, "a" + r + r},
      {"two bad bytes, repaired past the limit", "a\xFF\xFE", 6, std::nullopt},
      {"a cut sequence at the end counts once", "a\xE2\x82", 4, "a" + r},
  };
  for (const Case& c : cases) EXPECT_EQ(repairedUTF8Within(c.bytes, c.limit), c.want) << c.name;
}

TEST(RepairedUTF8, WellFormedInputKeepsItsBuffer) {
  std::string text(100000, 'x');
  text += "\u20AC\n";
  const char* buffer = text.data();
  const std::string result = repairedUTF8(std::move(text));
  EXPECT_EQ(result.data(), buffer);
  EXPECT_EQ(validUTF8Length(result), result.size());
}

// Inputs for the comparison with CPython, one after the other in one block,
// each followed by a line feed. CPython decodes the whole block at once: a
// line feed ends any sequence before it the way the end of input does (its
// maximal subpart becomes one U+FFFD either way) and always decodes to
// itself, so the block decodes to each input's own result followed by a line
// feed. Each input is still repaired on its own here, ends of input included.
class DifferentialInputs {
 public:
  void add(std::string_view input) {
    joined_.append(input);
    ends_.push_back(joined_.size());
    joined_.push_back('\n');
  }
  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1] + 1;
    return std::string_view(joined_).substr(begin, ends_[i] - begin);
  }
  const std::string& joined() const { return joined_; }

 private:
  std::string joined_;
  std::vector<std::size_t> ends_;
};

// Every string of `length` bytes drawn from `alphabet`.
void addAllStrings(const std::string& alphabet, std::size_t length, DifferentialInputs& out) {
  std::vector<std::size_t> digits(length, 0);
  std::string s(length, alphabet[0]);
  for (;;) {
    out.add(s);
    std::size_t i = length;
    while (i > 0 && ++digits[i - 1] == alphabet.size()) digits[i - 1] = 0, s[i - 1] = alphabet[0], --i;
    if (i == 0) return;
    s[i - 1] = alphabet[digits[i - 1]];
  }
}

DifferentialInputs differentialInputs() {
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
  const std::string boundaries =
      bytesFromHex("00 41 7F 80 8F 90 9F A0 BF C0 C1 C2 DF E0 E1 EC ED EE EF F0 F1 F3 F4 F5 F7 F8 FF");
  DifferentialInputs inputs;
  for (std::size_t length : {1, 2}) addAllStrings(everyByte, length, inputs);
  for (std::size_t length : {3, 4, 5}) addAllStrings(boundaries, length, inputs);
  // Random strings, half of their bytes from the boundaries; a fixed seed so
  // a difference can be reproduced.
  std::mt19937 random(20240531);
  const auto anyByte = [&] {
    return random() % 2 ? boundaries[random() % boundaries.size()] : static_cast<char>(random() % 256);
  };
  for (int i = 0; i < 100000; ++i) {
    std::string s(1 + random() % 32, '\0');
    for (char& b : s) b = anyByte();
    inputs.add(s);
  }
  // Longer text that is well-formed but for a byte or two, from characters of
  // every kind of lead byte (C2..DF, E0, E1..EC, ED, EE..EF, F0, F1..F3, F4;
  // Thai, Devanagari and Tamil are led by E0) and a few ill-formed sequences
  // of each kind: short inputs, and inputs of 64 to 4096 bytes, so that a
  // check that takes the text in steps of eight bytes meets faults
  // and cut characters in every place of a block and across blocks' borders.
  const std::string characters[] = {
      "a", " ", "\n", "\u0080", "\u00E9", "\u00DF", "\u07FF",              // ASCII; C2..DF
      "\u0800", "\u0E01", "\u0915", "\u0BA4", "\u0FFF",                    // E0
      "\u1000", "\u2013", "\u65E5", "\uCFFF",                              // E1..EC
      "\uD000", "\uD7FF",                                                  // ED
      "\uE000", "\uFEFF", "\uFFFD", "\uFFFF",                              // EE..EF
      "\U00010000", "\U0001F600", "\U0003FFFF",                            // F0
      "\U00040000", "\U000FFFFF",                                          // F1..F3
      "\U00100000", "\U0010FFFF",                                          // F4
      "\xE0\x80\xBF", "\xE0\x9F\x80", "\xED\xA0\x80", "\xED\xBF\xBF",      // overlong, surrogates
      "\xF0\x80\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",          // overlong, too large
      "\xC0\xAF", "\xC1\xBF", "\xF5\x80\x80\x80", "\xFF", "\x80", "\xBF",  // never in UTF-8
      "\xE0\xB8", "\xED\x9F", "\xF0\x9F\x98", "\xF4\x8F", "\xC3",          // cut
  };
  constexpr std::size_t wellFormedCharacters = 29;
  // About `target` bytes of text with up to `illFormed` of the ill-formed
  // sequences above, and with `faults` a few random bytes overwritten and
  // perhaps a character cut at the end.
  const auto someText = [&](std::size_t target, std::size_t illFormed, bool faults) {
    std::string s;
    while (s.size() < target) {
      if (random() % 3 == 0) {
        s.append(1 + random() % 20, 'x');
      } else if (illFormed > 0 && random() % 40 == 0) {
        s += characters[wellFormedCharacters + random() % (std::size(characters) - wellFormedCharacters)];
        --illFormed;
      } else {
        s += characters[random() % wellFormedCharacters];
      }
    }
    if (!faults) return s;
    for (int n = random() % 3; n > 0; --n) s[random() % s.size()] = anyByte();
    if (random() % 4 == 0) s.resize(s.size() - 1 - random() % 3);
    return s;
  };
  for (int i = 0; i < 60000; ++i) {
    const std::size_t target = 16 + random() % 80;
    inputs.add(someText(target, random() % 2, true));
  }
  for (int i = 0; i < 6000; ++i) {
    const std::size_t target = 64 + random() % (4096 - 64 + 1);
    inputs.add(someText(target, random() % 3, true));
  }
  // Well-formed text of every length from 64 to 4096 bytes but for its last
  // character, which may be cut: the end of input in every place of a block.
  for (std::size_t length = 64; length <= 4096; ++length) {
    std::string s = someText(length, 0, false);
    s.resize(length);
    inputs.add(s);
  }
  return inputs;
}

TEST(RepairedUTF8, SameAsCPythonOnEveryShortAndManyRandomInputs) {
  const DifferentialInputs inputs = differentialInputs();
  // Under TMPDIR, and removed however the test ends.
  const ScratchFolder scratch("utf8-repair-test");
  const std::string inputPath = scratch.write("inputs", inputs.joined());
  const std::string outputPath = (scratch.path() / "reference").string();
  const CommandResult python = run(PYTHON3, {UTF8_REFERENCE, inputPath, outputPath}, std::chrono::seconds(60));
  ASSERT_EQ(python.status, 0) << python.output;
  const std::string referenceText = fileText(outputPath);
  const std::string_view reference = referenceText;

  // Each input's result is the reference up to the line feed that follows as
  // many line feeds as the input itself holds (ASCII stays as it is).
  std::size_t at = 0, differences = 0;
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    std::size_t end = reference.find('\n', at);
    for (auto n = std::count(inputs[i].begin(), inputs[i].end(), '\n'); n > 0 && end != reference.npos; --n)
      end = reference.find('\n', end + 1);
    ASSERT_NE(end, reference.npos) << "CPython's output ends before input " << i;
    const std::string_view want = reference.substr(at, end - at);
    at = end + 1;
    const std::string got = repairedUTF8(std::string(inputs[i]));
    if (got != want && ++differences <= 10)
      ADD_FAILURE() << "input " << hexOf(std::string(inputs[i])) << ": CPython gives " << hexOf(std::string(want))
                    << ", repairedUTF8 " << hexOf(got);
    // The runner holds the repaired text to its output limit by this size.
    if (repairedUTF8Size(inputs[i]) != want.size() && ++differences <= 10)
      ADD_FAILURE() << "input " << hexOf(std::string(inputs[i])) << ": CPython gives " << want.size()
                    << " bytes, repairedUTF8Size " << repairedUTF8Size(inputs[i]);
  }
  EXPECT_EQ(at, reference.size());
  EXPECT_EQ(differences, 0u) << "of " << inputs.size() << " inputs";
  EXPECT_GT(inputs.size(), 15000000u);
}

}  // namespace
