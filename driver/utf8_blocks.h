#pragma once

#include <cstddef>
#include <string_view>

/// Length of a prefix of `bytes` that is well-formed UTF-8 and ends on a
/// character boundary, found sixteen bytes at a time with the processor's
/// vector instructions (SSSE3 on x86-64): all of `bytes`, or up to a few
/// bytes before the first fault or a character cut by the end. 0 elsewhere
/// (arm64 included) and where the processor lacks SSSE3. A quick first pass for
/// validUTF8Length, which goes on from there byte by byte.
std::size_t wellFormedBlockLength(std::string_view bytes);
