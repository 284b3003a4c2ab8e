// SHA-256 and its digest text, through the same read the verification uses.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "package/digest_text.h"
#include "package/file_bytes.h"
#include "package/sha256.h"
#include "tests/package/scratch_folder.h"

namespace {

std::string digestOf(std::string_view text) {
  return digestText(sha256({reinterpret_cast<const unsigned char*>(text.data()), text.size()}));
}

// Published test vectors (FIPS 180-4 examples, NIST CAVP).
TEST(Sha256, PublishedVectors) {
  struct Vector {
    const char* name;
    std::string message;
    const char* digest;
  } vectors[] = {
      {"empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"448 bits", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"one million a", std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Vector& v : vectors) EXPECT_EQ(digestOf(v.message), v.digest) << v.name;
}

TEST(Sha256, DigestTextIsLowercaseHexWithLeadingZeros) {
  Sha256Digest digest{};
  digest[0] = 0x0a;
  digest[1] = 0xf0;
  digest[31] = 0xff;
  EXPECT_EQ(digestText(digest), "0af0" + std::string(58, '0') + "ff");
}

std::string sha256sumOf(const std::string& path) {
  std::unique_ptr<FILE, decltype(&::pclose)> pipe(::popen(("sha256sum '" + path + "'").c_str(), "r"), ::pclose);
  if (!pipe) return "sha256sum could not start";
  char line[65] = {};
  if (std::fread(line, 1, 64, pipe.get()) != 64) return "sha256sum gave no digest";
  return line;
}

// Sizes around the 64-byte block and its 55/56-byte padding boundary, and
// one past a large power of two; contents vary so a misplaced byte shows.
TEST(Sha256, WholeFilesMatchSha256sum) {
  ScratchFolder folder;
  for (std::size_t size : {0, 1, 55, 56, 63, 64, 65, 1024 * 1024 + 1}) {
    std::string contents(size, '\0');
    for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    const std::string path = folder.write("file-" + std::to_string(size), contents);
    const FileBytes file = readWholeFile(path);
    ASSERT_EQ(file.bytes.size(), size);
    EXPECT_EQ(digestText(sha256(file.bytes)), sha256sumOf(path)) << size << " bytes";
  }
}

}  // namespace
