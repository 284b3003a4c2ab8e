#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>

namespace orventa {

/// A SHA-256 digest, first byte first.
using Sha256Digest = std::array<unsigned char, 32>;

/// SHA-256 (FIPS 180-4) computed over bytes given piece by piece, so a file
/// is hashed while it streams through a small buffer. Provided by the
/// platform's crypto library (sha256_openssl.cpp or sha256_commoncrypto.cpp,
/// chosen by the build). The constructor throws std::runtime_error only if
/// the library cannot provide the algorithm at all.
class Sha256Stream {
 public:
  Sha256Stream();
  ~Sha256Stream();
  Sha256Stream(const Sha256Stream&) = delete;
  Sha256Stream& operator=(const Sha256Stream&) = delete;

  /// Adds `bytes` to the hashed input.
  void update(std::span<const unsigned char> bytes);
  /// The digest of everything added; call once, then drop the stream.
  Sha256Digest finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

/// SHA-256 of `bytes` in one call.
inline Sha256Digest sha256(std::span<const unsigned char> bytes) {
  Sha256Stream stream;
  stream.update(bytes);
  return stream.finish();
}

}  // namespace orventa
