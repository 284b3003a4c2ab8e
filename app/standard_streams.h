#pragma once

#include <string_view>

namespace orventa {

/// Writes the bytes to standard error with as few write calls as the system
/// allows (one, unless it is interrupted or takes only part). A failure is
/// dropped: there is nowhere left to report it.
void writeStandardError(std::string_view bytes);

/// The same for standard output; false when not every byte could be written
/// (the output is closed, its reader went away, the disk is full).
bool writeStandardOutput(std::string_view bytes);

}  // namespace orventa
