#pragma once

#include <string>

#include "package/sha256.h"

namespace orventa {

/// The digest as 64 lowercase hexadecimal digits, two per byte, first byte
/// first, with no separator: the form `expectedInstallerSHA256` is written in.
std::string digestText(const Sha256Digest& digest);

}  // namespace orventa
