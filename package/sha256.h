#pragma once

#include <array>
#include <cstddef>
#include <span>

/// A SHA-256 digest, first byte first.
using Sha256Digest = std::array<unsigned char, 32>;

/// SHA-256 (FIPS 180-4) of `bytes`, computed in one pass over them.
/// Provided by the platform's crypto library (sha256_openssl.cpp or
/// sha256_commoncrypto.cpp, chosen by the build). Throws std::runtime_error
/// only if the library cannot provide the algorithm at all.
Sha256Digest sha256(std::span<const unsigned char> bytes);
