#pragma once

#include <string_view>

namespace orventa {

/// Writes the bytes to standard error with as few write calls as the system
/// allows (one, unless it is interrupted or takes only part).
void writeStandardError(std::string_view bytes);

/// The same for standard output.
void writeStandardOutput(std::string_view bytes);

}  // namespace orventa
