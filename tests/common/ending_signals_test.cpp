// The ending signals as this platform has them: each number the program can
// catch whose default action ends a process, found by raising it in a
// forked process with the signal at its default.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "common/ending_signals.h"

using namespace orventa;

namespace {

enum class DefaultAction { ends, stops, goesOn };

// What `sig` at its default does to a forked process that raises it.
DefaultAction defaultActionOf(int sig) {
  const pid_t pid = fork();
  if (pid == 0) {
    const struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);  // SIGQUIT and others dump core by default
    signal(sig, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, sig);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(sig);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, WUNTRACED);
  if (WIFSTOPPED(status)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return DefaultAction::stops;
  }
  return WIFSIGNALED(status) && WTERMSIG(status) == sig ? DefaultAction::ends : DefaultAction::goesOn;
}

std::string names(const std::set<int>& signals) {
  std::string text;
  for (int sig : signals) text += std::to_string(sig) + " ";
  return text;
}

TEST(EndingSignals, AreEverySignalThePlatformEndsAProgramOnThatItCanCatch) {
  // Every number up to the platform's last (on Linux SIGRTMAX, at run
  // time), SIGKILL and SIGSTOP aside, and those the C library keeps for
  // itself (sigaction refuses them).
  std::set<int> expected;
  for (int sig = 1; sig <= lastSignalNumber(); ++sig) {
    struct sigaction current {};
    if (sig == SIGKILL || sig == SIGSTOP || sigaction(sig, nullptr, &current) != 0) continue;
    if (defaultActionOf(sig) == DefaultAction::ends) expected.insert(sig);
  }
  const SignalList derived = endingSignals();
  const std::set<int> got(derived.begin(), derived.end());
  EXPECT_EQ(got.size(), derived.count) << "a signal is listed twice";
  EXPECT_EQ(names(got), names(expected));
  // The ones the issue of a fault or of the platform brings: present on
  // every platform that has them.
  for (int sig : {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGSYS, SIGPIPE})
    EXPECT_TRUE(got.count(sig)) << "signal " << sig;
#ifdef SIGEMT
  EXPECT_TRUE(got.count(SIGEMT)) << "SIGEMT";
#endif
#ifdef SIGRTMIN
  for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) EXPECT_TRUE(got.count(sig)) << "real-time signal " << sig;
#endif
  // SIGINT and SIGTERM first: the program's application object handles
  // them, and they are raised again before the others.
  ASSERT_GE(derived.count, 2u);
  EXPECT_EQ(derived.signals[0], SIGINT);
  EXPECT_EQ(derived.signals[1], SIGTERM);
  EXPECT_TRUE(std::is_sorted(derived.begin() + 2, derived.end()));
}

TEST(EndingSignals, NoneOfThemIsOneThePlatformDoesNotEndAProgramOn) {
  const SignalList derived = endingSignals();
  for (int sig : signalsThatDoNotEnd()) {
    EXPECT_EQ(std::find(derived.begin(), derived.end(), sig), derived.end()) << "signal " << sig;
    if (sig != SIGSTOP) {
      EXPECT_NE(defaultActionOf(sig), DefaultAction::ends) << "signal " << sig;
    }
  }
}

}  // namespace
