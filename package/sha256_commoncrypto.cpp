#include <CommonCrypto/CommonDigest.h>

#include <limits>

#include "package/sha256.h"

namespace orventa {

struct Sha256Stream::State {
  CC_SHA256_CTX context;
};

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) { CC_SHA256_Init(&state_->context); }

Sha256Stream::~Sha256Stream() = default;

void Sha256Stream::update(std::span<const unsigned char> bytes) {
  // CC_SHA256_Update takes a 32-bit length: feed larger pieces in parts.
  constexpr std::size_t largest = std::numeric_limits<CC_LONG>::max();
  for (std::size_t offset = 0; offset < bytes.size(); offset += largest) {
    const std::size_t piece = bytes.size() - offset < largest ? bytes.size() - offset : largest;
    CC_SHA256_Update(&state_->context, bytes.data() + offset, static_cast<CC_LONG>(piece));
  }
}

Sha256Digest Sha256Stream::finish() {
  Sha256Digest digest{};
  CC_SHA256_Final(digest.data(), &state_->context);
  return digest;
}

}  // namespace orventa
