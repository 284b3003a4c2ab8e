#pragma once
// The private copy against the signals that end the program (endingSignals,
// common/ending_signals.h): one of them while the package is read, copied or
// checked removes the copy before the signal takes its course.

#include <signal.h>

#include <cstddef>
#include <string>

namespace orventa {

/// Removes a private copy: the file `file`, then its folder `folder`. Only
/// unlink and rmdir, so a signal handler may call it too; errors are
/// ignored. The signal handler and the removal of a copy that was handed on
/// use it; a copy still held removes its file relative to its folder's
/// descriptor.
void removeCopyFileAndFolder(const char* file, const char* folder) noexcept;

/// The longest path, file or folder, that the removal on a signal can hold:
/// the handler cannot allocate, so the paths are kept in buffers of a fixed
/// size. A longer copy path must not be made, since nothing would remove it.
std::size_t longestGuardedPath() noexcept;

/// While armed, an ending signal (endingSignals(), common/ending_signals.h)
/// removes the file `file` and then the folder
/// `folder` (unlink and rmdir, safe inside a signal handler), puts back the
/// program's own handling of that signal and raises it again, so it ends
/// the program as it would have or runs the program's own handler; the
/// handler runs on the alternate signal stack, so a fault signal from a
/// stack overflow removes the copy too. A signal
/// the program ignores stays ignored. SIGPIPE is ignored while the copy
/// exists (from the constructor until disarm()), so that a write to a pipe
/// without a reader fails with EPIPE like any failed write; its handling is
/// put back afterwards. The tool runner's own guard, armed
/// inside this one while a tool runs, ends the tool's group first and then
/// raises the signal into this one: the tool, then the copy, then the
/// signal's course.
/// One copy at a time in the process; arming a second one does nothing.
class CopyRemovalOnSignal {
 public:
  /// Blocks the ending signals until arm(): a signal that comes while the
  /// copy is being made waits until its removal is in place.
  CopyRemovalOnSignal();
  CopyRemovalOnSignal(const CopyRemovalOnSignal&) = delete;
  CopyRemovalOnSignal& operator=(const CopyRemovalOnSignal&) = delete;
  /// Disarms (see disarm()) and unblocks.
  ~CopyRemovalOnSignal();

  /// Starts guarding `file` in `folder` and unblocks the ending signals.
  void arm(const std::string& folder, const std::string& file) noexcept;
  /// True once a signal has removed the copy (and the program went on).
  static bool removedBySignal() noexcept;
  /// Runs `remove` (which removes the copy, or hands it on) with the ending
  /// signals blocked, then puts the program's own handling back; a signal
  /// that came meanwhile then takes its course. Later calls do nothing.
  template <typename Remove>
  void disarm(Remove remove) noexcept {
    block();
    remove();
    restore();
    unblock();
  }

 private:
  void block() noexcept;
  void restore() noexcept;
  void unblock() noexcept;

  sigset_t previousMask_;
  struct sigaction previousPipeSignal_ {};
  bool pipeSignalSaved_ = false;
  bool masked_ = false;
  bool armed_ = false;
};

}  // namespace orventa
