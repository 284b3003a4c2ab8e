// The copy's removal from inside a signal handler: only unlink, rmdir,
// sigaction and raise there, all async-signal-safe, on paths written before
// the handler was installed.

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/ending_signals.h"
#include "package/copy_removal_on_signal.h"

namespace orventa {

namespace {

char guardedFile[PATH_MAX];
char guardedFolder[PATH_MAX];
volatile sig_atomic_t guarding = 0;
volatile sig_atomic_t removed = 0;
EndingSignalHandling saved;

extern "C" void removeCopyAndGoOn(int sig) {
  const int savedErrno = errno;
  if (guarding != 0) {
    guarding = 0;
    removeCopyFileAndFolder(guardedFile, guardedFolder);
    removed = 1;
  }
  // The signal is blocked while this runs: raised again under the
  // program's own handling, it takes its course as soon as this returns (a
  // fault at the place of the fault).
  raiseAgainAfterHandler(sig, saved);
  errno = savedErrno;
}

bool copyText(char (&to)[PATH_MAX], const std::string& from) {
  if (from.size() >= sizeof(to)) return false;
  std::memcpy(to, from.c_str(), from.size() + 1);
  return true;
}

}  // namespace

void removeCopyFileAndFolder(const char* file, const char* folder) noexcept {
  ::unlink(file);
  ::rmdir(folder);
}

CopyRemovalOnSignal::CopyRemovalOnSignal() {
  block();
  // SIGPIPE ignored while the copy exists: a write to a pipe whose reader
  // has gone (standard error, say) fails with EPIPE and is handled like any
  // failed write, instead of ending the program with the copy half made.
  // Only while the copy exists: elsewhere it keeps the handling the program
  // was started with, so that writing to a closed pipe ends the program as
  // it ends any command in a pipeline.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  pipeSignalSaved_ = ::sigaction(SIGPIPE, &ignore, &previousPipeSignal_) == 0;
}

CopyRemovalOnSignal::~CopyRemovalOnSignal() {
  disarm([] {});
}

void CopyRemovalOnSignal::block() noexcept {
  if (masked_) return;
  const sigset_t set = endingSignalSet();
  masked_ = ::sigprocmask(SIG_BLOCK, &set, &previousMask_) == 0;
}

void CopyRemovalOnSignal::unblock() noexcept {
  if (!masked_) return;
  masked_ = false;
  ::sigprocmask(SIG_SETMASK, &previousMask_, nullptr);
}

void CopyRemovalOnSignal::arm(const std::string& folder, const std::string& file) noexcept {
  if (!armed_ && guarding == 0 && copyText(guardedFolder, folder) && copyText(guardedFile, file)) {
    removed = 0;
    guarding = 1;
    armed_ = true;
    // A signal the program ignores (as under nohup) stays ignored, and
    // nothing ends the program.
    catchEndingSignals(removeCopyAndGoOn, saved);
  }
  unblock();
}

void CopyRemovalOnSignal::restore() noexcept {
  if (pipeSignalSaved_) {
    pipeSignalSaved_ = false;
    ::sigaction(SIGPIPE, &previousPipeSignal_, nullptr);
  }
  if (!armed_) return;
  armed_ = false;
  guarding = 0;
  restoreEndingSignals(saved);
}

std::size_t longestGuardedPath() noexcept { return sizeof(guardedFile) - 1; }

bool CopyRemovalOnSignal::removedBySignal() noexcept { return removed != 0; }

}  // namespace orventa
