// Reads and hashes one file exactly as the package verification does, and
// prints the digest text: the subject of bench/hash.sh.
//   bench_hash_file FILE          the read and SHA-256 alone
//   bench_hash_file --copy FILE   the same pass writing the private copy
//                                 (under TMPDIR), which is then kept

#include <cstdio>
#include <cstring>
#include <exception>

#include "package/digest_text.h"
#include "package/package_verification.h"
#include "package/temporary_folder.h"

using namespace orventa;

int main(int argc, char** argv) {
  const bool copy = argc == 3 && std::strcmp(argv[1], "--copy") == 0;
  if (argc != 2 && !copy) {
    std::fprintf(stderr, "usage: %s [--copy] FILE\n", argv[0]);
    return 2;
  }
  try {
    PackageOperations operations;
    operations.readChunks = readFileChunks;
    Sha256Digest digest;
    if (copy) {
      const std::unique_ptr<PackageCopy> made = makePrivateCopy(temporaryFolder());
      digest = hashPackage(operations, argv[2], made.get());
    } else {
      digest = hashPackage(operations, argv[1], nullptr);
    }
    std::printf("%s\n", digestText(digest).c_str());
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}
