#include <openssl/evp.h>

#include <stdexcept>

#include "package/sha256.h"

namespace orventa {

struct Sha256Stream::State {
  EVP_MD_CTX* context = nullptr;
  ~State() { EVP_MD_CTX_free(context); }
};

namespace {

[[noreturn]] void unavailable() { throw std::runtime_error("SHA-256 is not available from OpenSSL."); }

}  // namespace

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) {
  state_->context = EVP_MD_CTX_new();
  // EVP uses the CPU's SHA extensions where present.
  if (state_->context == nullptr || EVP_DigestInit_ex(state_->context, EVP_sha256(), nullptr) != 1) unavailable();
}

Sha256Stream::~Sha256Stream() = default;

void Sha256Stream::update(std::span<const unsigned char> bytes) {
  if (EVP_DigestUpdate(state_->context, bytes.data(), bytes.size()) != 1) unavailable();
}

Sha256Digest Sha256Stream::finish() {
  Sha256Digest digest{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(state_->context, digest.data(), &length) != 1 || length != digest.size()) unavailable();
  return digest;
}

}  // namespace orventa
