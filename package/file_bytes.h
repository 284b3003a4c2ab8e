#pragma once

#include <memory>
#include <span>
#include <string>

/// The whole contents of a file, held in memory (mapped or copied) for as
/// long as this value or a copy of it lives.
struct FileBytes {
  std::span<const unsigned char> bytes;
  /// Keeps `bytes` valid; releasing the last copy unmaps or frees them.
  std::shared_ptr<const void> owner;
};

/// Reads every byte of the file at `path` at once: a regular file is mapped
/// read-only, anything else is read into memory. Throws std::system_error
/// with the platform's errno (and the path in its text) when the file cannot
/// be opened or read.
FileBytes readWholeFile(const std::string& path);
