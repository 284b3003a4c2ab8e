#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace orventa {

/// Length of the longest prefix of `bytes` that is well-formed UTF-8 and ends
/// on a character boundary; `bytes.size()` when all of it is well-formed.
std::size_t validUTF8Length(std::string_view bytes);

/// The size of repairedUTF8(bytes), without making it: each ill-formed
/// sequence counts as the three bytes of U+FFFD.
std::size_t repairedUTF8Size(std::string_view bytes);

/// `bytes` with every ill-formed sequence replaced by U+FFFD, following the
/// Unicode practice of substituting maximal subparts (the same result as
/// WHATWG's decoder and CPython's "replace"). Well-formed input is returned
/// as it came, without a copy; nothing is trimmed or split. Never fails
/// except for lack of memory.
std::string repairedUTF8(std::string bytes);

/// repairedUTF8(bytes) when it holds at most `limit` bytes, else nothing,
/// without ever holding more than `limit` bytes of repaired text.
/// Well-formed input is looked at once and returned without a copy.
std::optional<std::string> repairedUTF8Within(std::string bytes, std::size_t limit);

}  // namespace orventa
