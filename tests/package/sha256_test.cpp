// SHA-256 and its digest text, through the same streaming read the
// verification uses.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "package/digest_text.h"
#include "package/package_verification.h"
#include "package/sha256.h"
#include "tests/support/test_support.h"

using namespace orventa;

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

// Pieces of any size, block boundaries or not, give the digest of the whole.
TEST(Sha256, StreamInPiecesEqualsOneCall) {
  const std::string message(1000, 'q');
  const auto* bytes = reinterpret_cast<const unsigned char*>(message.data());
  for (std::size_t piece : {1, 7, 64, 65, 999}) {
    Sha256Stream stream;
    for (std::size_t offset = 0; offset < message.size(); offset += piece)
      stream.update({bytes + offset, std::min(piece, message.size() - offset)});
    EXPECT_EQ(digestText(stream.finish()), digestOf(message)) << piece;
  }
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
// around the read's chunk size; contents vary so a misplaced byte shows.
TEST(Sha256, WholeFilesMatchSha256sum) {
  ScratchFolder folder;
  PackageOperations operations;
  operations.readChunks = readFileChunks;
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{55}, std::size_t{56}, std::size_t{63},
                           std::size_t{64}, std::size_t{65}, fileChunkSize - 1, fileChunkSize + 1,
                           3 * fileChunkSize + 64}) {
    std::string contents(size, '\0');
    for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>((i * 131 + i / 251) & 0xff);
    const std::string path = folder.write("file-" + std::to_string(size), contents);
    EXPECT_EQ(digestText(hashPackage(operations, path, nullptr)), sha256sumOf(path)) << size << " bytes";
  }
}

}  // namespace
