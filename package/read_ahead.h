#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "package/file_chunks.h"

/// Fills `buffer` from its start with the next bytes of a stream and returns
/// how many it wrote (at most buffer.size()); 0 means the stream has ended.
/// Throws when the stream cannot be read.
using ChunkSource = std::function<std::size_t(std::span<unsigned char> buffer)>;

/// Hands every chunk of `source` to `consume`, in order, on the calling
/// thread, while one helper thread already reads the next chunks into a ring
/// of `bufferCount` buffers of `bufferSize` bytes each (both at least 1): the
/// source is called at most `bufferCount` chunks ahead of `consume`, and only
/// from that thread, one call after the other.
/// Throws what `source` throws, after `consume` has had every chunk read
/// before the failure; throws what `consume` throws, after the source is
/// called no more. The helper thread has ended on every way out; throws
/// std::system_error when it cannot be started.
void readAhead(const ChunkSource& source, const ChunkConsumer& consume, std::size_t bufferSize,
               std::size_t bufferCount);
