// The private copy against the signals that end the program, each in a
// forked copy of this test program: removed before the signal takes its
// course, left alone by a signal the program ignores.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "common/ending_signals.h"
#include "package/private_copy.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

namespace fs = std::filesystem;


const unsigned char someBytes[] = {'p', 'k', 'g'};

// The status of a forked copy of this program that runs `body` and exits 0
// when it returns.
template <typename Body>
int statusOfFork(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    // SIGQUIT, SIGXCPU and the fault signals dump core by default: not in a
    // test. Every ending signal at its default, as the program starts (a
    // sanitizer handles the fault signals of this test program).
    const struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    for (int sig : endingSignals()) ::signal(sig, SIG_DFL);
    try {
      body();
    } catch (...) {
      _exit(2);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST(CopyRemovalOnSignal, EachEndingSignalRemovesTheCopyThenEndsTheProgram) {
  // Each of the platform's ending signals (common/ending_signals.h), SIGPIPE
  // aside: it is ignored while the copy exists (below).
  for (int sig : endingSignals()) {
    if (sig == SIGPIPE) continue;
    ScratchFolder scratch;
    const int status = statusOfFork([&] {
      std::unique_ptr<PackageCopy> copy = makePrivateCopy(scratch.path().string());
      copy->append(someBytes);
      ::kill(::getpid(), sig);
      _exit(3);  // not reached: the signal ends this process
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << sig << ": exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_TRUE(fs::is_empty(scratch.path())) << "signal " << sig << ": the copy was left";
  }
}

TEST(CopyRemovalOnSignal, ASignalTheProgramWasStartedWithIgnoredStaysIgnored) {
  // As under nohup (SIGHUP) or from a launcher that ignores SIGINT: the
  // copy is made whole and stays.
  ScratchFolder scratch;
  const int status = statusOfFork([&] {
    for (int sig : {SIGHUP, SIGINT}) ::signal(sig, SIG_IGN);
    std::unique_ptr<PackageCopy> copy = makePrivateCopy(scratch.path().string());
    copy->append(someBytes);
    for (int sig : {SIGHUP, SIGINT}) ::kill(::getpid(), sig);
    copy->append(someBytes);
    copy->close();
    _exit(0);  // the copy is handed on, not removed
  });
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: writing the copy failed";
  std::uintmax_t copied = 0;
  for (const fs::directory_entry& folder : fs::directory_iterator(scratch.path()))
    copied += fs::file_size(folder.path() / privateCopyFileName);
  EXPECT_EQ(copied, 2 * sizeof someBytes);
}

TEST(CopyRemovalOnSignal, AStackOverflowOfTheProgramRemovesTheCopy) {
  // The handler runs on the alternate signal stack, and the fault, raised
  // again, still ends the program (a Mac may report it as SIGBUS).
  ScratchFolder scratch;
  const int status = statusOfFork([&] {
    std::unique_ptr<PackageCopy> copy = makePrivateCopy(scratch.path().string());
    copy->append(someBytes);
    overflowTheStack(0);
    _exit(3);  // not reached
  });
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_TRUE(WTERMSIG(status) == SIGSEGV || WTERMSIG(status) == SIGBUS) << "signal " << WTERMSIG(status);
  EXPECT_TRUE(fs::is_empty(scratch.path())) << "the copy was left";
}

TEST(CopyRemovalOnSignal, SIGPIPEIsIgnoredWhileTheCopyExistsOnly) {
  // A write to a pipe without a reader fails with EPIPE while the copy
  // exists, the copy stays whole; afterwards SIGPIPE has the handling the
  // program had again.
  ScratchFolder scratch;
  const int status = statusOfFork([&] {
    int ends[2];
    if (::pipe(ends) != 0) _exit(4);
    ::close(ends[0]);
    {
      std::unique_ptr<PackageCopy> copy = makePrivateCopy(scratch.path().string());
      copy->append(someBytes);
      ::kill(::getpid(), SIGPIPE);
      const char byte = 0;
      if (::write(ends[1], &byte, 1) != -1 || errno != EPIPE) _exit(5);
      copy->append(someBytes);
      copy->close();
    }
    struct sigaction now {};
    ::sigaction(SIGPIPE, nullptr, &now);
    _exit(now.sa_handler == SIG_DFL ? 0 : 6);
  });
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "5: the write did not fail with EPIPE; 6: SIGPIPE not put back";
  std::uintmax_t copied = 0;
  for (const fs::directory_entry& folder : fs::directory_iterator(scratch.path()))
    copied += fs::file_size(folder.path() / privateCopyFileName);
  EXPECT_EQ(copied, 2 * sizeof someBytes);
}

}  // namespace
