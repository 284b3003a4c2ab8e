
#pragma once

namespace orventa {

/// Opens each of descriptors 0, 1 and 2 that is closed on the null device,
/// so that no file, pipe or socket the program opens later takes its place:
/// a log socket at 0 would be read as the terminal's answers, one at 1 or 2
/// would receive the program's text. All three are opened read-only: a
/// write to an output that was closed still fails (EBADF), so an answer
/// that nobody can read is not taken for one written. Call first thing in
/// main. Never fails visibly: a descriptor that cannot be opened stays
/// closed.
void openMissingStandardDescriptors() noexcept;

}  // namespace orventa
