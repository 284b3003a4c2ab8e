#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/command.h"
#include "driver/utf8_repair.h"

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

TEST(RepairedUTF8, WellFormedInputKeepsItsBuffer) {
  std::string text(100000, 'x');
  text += "\u20AC\n";
  const char* buffer = text.data();
  const std::string result = repairedUTF8(std::move(text));
  EXPECT_EQ(result.data(), buffer);
  EXPECT_EQ(validUTF8Length(result), result.size());
}

// Inputs for the comparison with CPython, grouped by length.
struct Group {
  std::uint8_t length;
  std::vector<std::string> inputs;
};

void allStrings(const std::string& alphabet, std::size_t length, std::string& prefix, std::vector<std::string>& out) {
  if (prefix.size() == length) {
    out.push_back(prefix);
    return;
  }
  for (char b : alphabet) {
    prefix.push_back(b);
    allStrings(alphabet, length, prefix, out);
    prefix.pop_back();
  }
}

std::vector<Group> differentialInputs() {
  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte.push_back(static_cast<char>(b));
  const std::string boundaries =
      bytesFromHex("00 41 7F 80 8F 90 9F A0 BF C0 C1 C2 DF E0 E1 EC ED EE EF F0 F1 F3 F4 F5 F7 F8 FF");
  std::vector<Group> groups;
  std::string prefix;
  for (std::uint8_t length : {1, 2}) {
    groups.push_back({length, {}});
    allStrings(everyByte, length, prefix, groups.back().inputs);
  }
  for (std::uint8_t length : {3, 4, 5}) {
    groups.push_back({length, {}});
    allStrings(boundaries, length, prefix, groups.back().inputs);
  }
  // Random strings, half of their bytes from the boundaries; a fixed seed so
  // a difference can be reproduced.
  std::mt19937 random(20240531);
  std::vector<Group> byLength(33);
  for (int i = 0; i < 100000; ++i) {
    const std::size_t length = 1 + random() % 32;
    std::string s;
    for (std::size_t j = 0; j < length; ++j)
      s.push_back(random() % 2 ? boundaries[random() % boundaries.size()] : static_cast<char>(random() % 256));
    byLength[length].length = static_cast<std::uint8_t>(length);
    byLength[length].inputs.push_back(s);
  }
  // Longer text that is well-formed but for a byte or two, as tool output
  // is: the faults and cut characters anywhere after long good stretches.
  const std::string characters[] = {"a",      " ",      "\n",     "\u00E9",     "\u00DF",
                                    "\u2013", "\u65E5", "\uFFFD", "\U0001F600", "\U0010FFFF"};
  std::vector<Group> longer(256);
  for (int i = 0; i < 60000; ++i) {
    std::string s;
    const std::size_t target = 16 + random() % 80;
    while (s.size() < target) s += random() % 3 ? std::string(1 + random() % 20, 'x') : characters[random() % 10];
    for (int faults = random() % 3; faults > 0; --faults)
      s[random() % s.size()] = random() % 2 ? boundaries[random() % boundaries.size()] : static_cast<char>(random() % 256);
    if (random() % 4 == 0) s.resize(s.size() - 1 - random() % 3);  // perhaps a character cut at the end
    longer[s.size()].length = static_cast<std::uint8_t>(s.size());
    longer[s.size()].inputs.push_back(s);
  }
  for (std::vector<Group>* list : {&byLength, &longer})
    for (Group& g : *list)
      if (!g.inputs.empty()) groups.push_back(std::move(g));
  return groups;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RepairedUTF8, SameAsCPythonOnEveryShortAndManyRandomInputs) {
  const std::vector<Group> groups = differentialInputs();
  char directory[] = "/tmp/utf8_repair_test.XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  const std::string inputPath = std::string(directory) + "/in", outputPath = std::string(directory) + "/out";
  {
    std::ofstream in(inputPath, std::ios::binary);
    for (const Group& g : groups) {
      const std::uint32_t n = static_cast<std::uint32_t>(g.inputs.size());
      const char header[5] = {char(n >> 24), char(n >> 16), char(n >> 8), char(n), char(g.length)};
      in.write(header, 5);
      for (const std::string& s : g.inputs) in.write(s.data(), static_cast<std::streamsize>(s.size()));
    }
  }
  const CommandResult python = run(PYTHON3, {UTF8_REFERENCE, inputPath, outputPath}, std::chrono::seconds(60));
  ASSERT_EQ(python.status, 0) << python.output;
  const std::string reference = readFile(outputPath);
  std::remove(inputPath.c_str());
  std::remove(outputPath.c_str());
  rmdir(directory);

  std::size_t at = 0, compared = 0, differences = 0;
  for (const Group& g : groups) {
    ASSERT_LE(at + g.inputs.size(), reference.size());
    const std::string lengths = reference.substr(at, g.inputs.size());
    at += g.inputs.size();
    for (std::size_t i = 0; i < g.inputs.size(); ++i) {
      const std::size_t length = static_cast<unsigned char>(lengths[i]);
      const std::string_view want = std::string_view(reference).substr(at, length);
      at += length;
      ++compared;
      if (repairedUTF8(g.inputs[i]) != want && ++differences <= 10)
        ADD_FAILURE() << "input " << hexOf(g.inputs[i]) << ": CPython gives " << hexOf(std::string(want))
                      << ", repairedUTF8 " << hexOf(repairedUTF8(g.inputs[i]));
    }
  }
  EXPECT_EQ(at, reference.size());
  EXPECT_EQ(differences, 0u) << "of " << compared << " inputs";
  EXPECT_GT(compared, 15000000u);
}

}  // namespace
