#pragma once

#include <string>
#include <system_error>

namespace orventa {

/// Throws the platform's error `error` (an errno value) as std::system_error
/// in the system category, with what() = `what` + ": " + the system's text.
/// Every platform failure of the program leaves through here, so each one
/// carries the same category and its code compares equal wherever it is
/// caught.
[[noreturn]] inline void throwSystemError(int error, const std::string& what) {
  throw std::system_error(error, std::system_category(), what);
}

}  // namespace orventa
