#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

/// Receives a file's bytes one chunk after the other; a chunk is valid only
/// during the call.
using ChunkConsumer = std::function<void(std::span<const unsigned char> chunk)>;

/// Receives a file's size, as the opened file reports it, before any byte
/// is read; throws to refuse the file.
using SizeCheck = std::function<void(std::uint64_t size)>;

/// The size of the chunks readFileChunks() hands on, and of each of its
/// buffers: large enough that system calls cost nothing next to hashing.
/// Measured against 128 and 256 KiB, 1 MiB was as fast for the hash alone
/// and a few per cent faster for the hash with the copy; with the reads
/// overlapping the hash, 256 MiB took 208 ms with 1 MiB and 218 ms with
/// 256 KiB.
inline constexpr std::size_t fileChunkSize = 1024 * 1024;

/// How many chunks readFileChunks() reads ahead of its consumer, at most:
/// enough buffers that neither side waits on the other for long, few enough
/// that the memory stays small (fileChunkBuffers * fileChunkSize in all).
inline constexpr std::size_t fileChunkBuffers = 4;

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
/// nothing more is read.
/// `consume` runs on the calling thread; the reads run on a helper thread
/// (see readAhead), at most fileChunkBuffers chunks ahead of `consume`; that
/// thread has ended when this returns or throws.
void readFileChunks(const std::string& path, const ChunkConsumer& consume, const SizeCheck& checkSize = {});
