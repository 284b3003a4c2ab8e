#pragma once

#include <string>
#include <vector>

namespace orventa {

/// The names of the entries directly inside `path`, "." and ".." left out, in
/// the order the system gives them. Throws std::system_error (see
/// throwSystemError), what() = "Cannot list " + path + ": " + the system's
/// text, when the directory cannot be opened or a read of it fails: a listing
/// that stopped early is never taken for the whole.
std::vector<std::string> directoryEntries(const std::string& path);

}  // namespace orventa
