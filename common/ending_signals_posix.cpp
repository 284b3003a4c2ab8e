#include <stdlib.h>

#include <algorithm>
#include <initializer_list>

#include "common/ending_signals.h"

namespace orventa {

namespace {

void add(SignalList& list, int sig) {
  if (sig > 0 && sig < signalNumberLimit && std::find(list.begin(), list.end(), sig) == list.end())
    list.signals[list.count++] = sig;
}

bool endsByDefault(int sig, const SignalList& notEnding) {
  if (sig == SIGKILL || sig == SIGSTOP) return false;
  if (std::find(notEnding.begin(), notEnding.end(), sig) != notEnding.end()) return false;
  // The C library keeps some numbers for itself (glibc's threads use the
  // two below SIGRTMIN): it refuses to tell their handling.
  struct sigaction current {};
  return ::sigaction(sig, nullptr, &current) == 0;
}

// The alternate stack of the program's one thread: static, so that setting
// it up allocates nothing, and large enough for the handlers, which call a
// few system functions only, with room for a sanitizer's.
alignas(16) char alternateStack[256 * 1024];

void ensureAlternateSignalStack() {
  stack_t current{};
  if (::sigaltstack(nullptr, &current) != 0 || (current.ss_flags & SS_DISABLE) == 0) return;
  stack_t ours{};
  ours.ss_sp = alternateStack;
  ours.ss_size = sizeof alternateStack;
  ours.ss_flags = 0;
  ::sigaltstack(&ours, nullptr);
}

SignalList derivedEndingSignals() noexcept {
  const SignalList notEnding = signalsThatDoNotEnd();
  SignalList list;
  for (int sig : {SIGINT, SIGTERM})
    if (endsByDefault(sig, notEnding)) add(list, sig);
  const int last = std::min(lastSignalNumber(), signalNumberLimit - 1);
  for (int sig = 1; sig <= last; ++sig)
    if (endsByDefault(sig, notEnding)) add(list, sig);
  return list;
}

}  // namespace

SignalList endingSignals() noexcept {
  // The platform's answer does not change while the program runs.
  static const SignalList list = derivedEndingSignals();
  return list;
}

sigset_t endingSignalSet() noexcept {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : endingSignals()) sigaddset(&set, sig);
  return set;
}

EndingSignalsBlocked::EndingSignalsBlocked() noexcept {
  const sigset_t set = endingSignalSet();
  blocked_ = ::sigprocmask(SIG_BLOCK, &set, &previous_) == 0;
}

EndingSignalsBlocked::~EndingSignalsBlocked() {
  if (blocked_) ::sigprocmask(SIG_SETMASK, &previous_, nullptr);
}

bool isFaultSignal(int sig) noexcept {
  return sig == SIGSEGV || sig == SIGBUS || sig == SIGILL || sig == SIGFPE || sig == SIGTRAP || sig == SIGSYS ||
         sig == SIGABRT;
}

void catchEndingSignals(void (*handler)(int), EndingSignalHandling& saved) noexcept {
  ensureAlternateSignalStack();
  struct sigaction catching {};
  catching.sa_handler = handler;
  catching.sa_mask = endingSignalSet();
  catching.sa_flags = SA_ONSTACK;  // no SA_RESTART: a wait wakes up at once
  for (int sig = 0; sig < signalNumberLimit; ++sig) saved.caught[sig] = false;
  for (int sig : endingSignals()) {
    if (::sigaction(sig, nullptr, &saved.previous[sig]) != 0) continue;
    if (ignores(saved.previous[sig])) continue;
    saved.caught[sig] = ::sigaction(sig, &catching, nullptr) == 0;
  }
}

void restoreEndingSignals(const EndingSignalHandling& saved) noexcept {
  for (int sig = 1; sig < signalNumberLimit; ++sig)
    if (saved.caught[sig]) ::sigaction(sig, &saved.previous[sig], nullptr);
}

void raiseAgainAfterHandler(int sig, const EndingSignalHandling& saved) noexcept {
  if (sig <= 0 || sig >= signalNumberLimit || !saved.caught[sig]) return;
  ::sigaction(sig, &saved.previous[sig], nullptr);
  ::raise(sig);
}

}  // namespace orventa
