#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

#include "package/sha256.h"

Sha256Digest sha256(std::span<const unsigned char> bytes) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  Sha256Digest digest{};
  unsigned int length = 0;
  // One update over the whole buffer: EVP splits it into blocks itself and
  // uses the CPU's SHA extensions where present.
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1 ||
      EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1 ||
      EVP_DigestFinal_ex(context.get(), digest.data(), &length) != 1 || length != digest.size())
    throw std::runtime_error("SHA-256 is not available from OpenSSL.");
  return digest;
}
