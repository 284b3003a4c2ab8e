#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace orventa {

/// Receives a file's bytes one chunk after the other; a chunk is valid only
/// during the call.
using ChunkConsumer = std::function<void(std::span<const unsigned char> chunk)>;

/// Receives a file's size, as the opened file reports it, before any byte
/// is read; throws to refuse the file.
using SizeCheck = std::function<void(std::uint64_t size)>;

/// The size of the chunks readFileChunks() hands on, and of its one buffer,
/// reused for every chunk so that it stays in the processor's cache while
/// the chunk is hashed and copied; large enough that system calls cost
/// nothing next to hashing. bench/hash.sh (run by scripts/bench) times the
/// pass with the copy against `openssl dgst -sha256` and `cp` on the machine
/// at hand; change the size only after comparing it there.
inline constexpr std::size_t fileChunkSize = 1024 * 1024;

/// Reads the regular file at `path` (a symbolic link is followed) from start
/// to end in chunks of at most fileChunkSize bytes, giving each to `consume`
/// in order; nothing is mapped, so a file that changes meanwhile cannot end
/// the process with a signal. Stops after one byte more than the size the
/// file had when opened, so a file that keeps growing is not read forever
/// (its bytes then differ from any file of that size).
/// Throws std::system_error with the platform's errno, what() =
/// "Cannot read " + path + ": " + the system's text, when the file cannot be
/// opened or read, and at once, without waiting on it, when it is not a
/// regular file: EISDIR for a folder; for a FIFO, device or socket EFTYPE
/// where the system has it, else EINVAL; a read error after every chunk
/// read before it was consumed. `checkSize`, when given, gets the size
/// from the opened file's status before the first read; what it throws
/// passes on and nothing is read. Errors thrown by `consume` pass on, and
/// nothing more is read. Errors are in the system category (see
/// throwSystemError).
/// One loop on the calling thread: read a chunk, hand it to `consume`, read
/// the next.
void readFileChunks(const std::string& path, const ChunkConsumer& consume, const SizeCheck& checkSize = {});

}  // namespace orventa
