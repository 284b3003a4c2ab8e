#pragma once

#include <functional>
#include <string>
#include <vector>

namespace orventa {

/// Lists the names (not paths) of the entries directly inside a directory, in
/// any order. Throws (std::system_error with errno) when it cannot be listed.
using DirectoryLister = std::function<std::vector<std::string>(const std::string& path)>;

/// Where the enabled driver's serial ports appear.
inline constexpr const char* deviceDirectory = "/dev";

/// True when `deviceDirectory` holds a name that begins with
/// "cu.wchusbserial" (case-sensitive; the bare prefix counts). A listing that
/// fails counts as an empty one: the error is dropped and the result is false.
bool wchSerialPortPresent(const DirectoryLister& listDirectory);

}  // namespace orventa
