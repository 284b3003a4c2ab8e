#pragma once

#include <string>
#include <vector>

/// The names of the entries directly inside `path`, "." and ".." left out, in
/// the order the system gives them. Throws std::system_error with errno when
/// the directory cannot be opened or read.
std::vector<std::string> directoryEntries(const std::string& path);
