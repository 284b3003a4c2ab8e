#include <CommonCrypto/CommonDigest.h>

#include <limits>

#include "package/sha256.h"

Sha256Digest sha256(std::span<const unsigned char> bytes) {
  CC_SHA256_CTX context;
  CC_SHA256_Init(&context);
  // CC_SHA256_Update takes a 32-bit length: feed larger buffers in pieces.
  constexpr std::size_t largest = std::numeric_limits<CC_LONG>::max();
  for (std::size_t offset = 0; offset < bytes.size(); offset += largest) {
    std::size_t piece = bytes.size() - offset < largest ? bytes.size() - offset : largest;
    CC_SHA256_Update(&context, bytes.data() + offset, static_cast<CC_LONG>(piece));
  }
  Sha256Digest digest{};
  CC_SHA256_Final(digest.data(), &context);
  return digest;
}
