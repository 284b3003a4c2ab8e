// Reads and hashes one file exactly as the package verification does, and
// prints the digest text: the subject of bench/hash.sh.

#include <cstdio>
#include <exception>

#include "package/digest_text.h"
#include "package/file_bytes.h"
#include "package/sha256.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  try {
    const FileBytes file = readWholeFile(argv[1]);
    std::printf("%s\n", digestText(sha256(file.bytes)).c_str());
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}
