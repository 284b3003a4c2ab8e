// The private copy against the signals that end the program, each in a
// forked copy of this test program: removed before the signal takes its
// course, left alone by a signal the program ignores.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "package/private_copy.h"
#include "tests/support/test_support.h"

using namespace orventa;

namespace {

namespace fs = std::filesystem;

// Every signal whose default action ends a program and that a program can
// catch, SIGXFSZ aside (the program ignores it).
const int signalsThatEndTheProgram[] = {SIGINT,  SIGTERM, SIGHUP,    SIGQUIT, SIGUSR1,
                                        SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU};

const unsigned char someBytes[] = {'p', 'k', 'g'};

// The status of a forked copy of this program that runs `body` and exits 0
// when it returns.
template <typename Body>
int statusOfFork(Body body) {
  const pid_t pid = fork();
  if (pid == 0) {
    // SIGQUIT and SIGXCPU dump core by default: not in a test.
    const struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
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
  for (int sig : signalsThatEndTheProgram) {
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

}  // namespace
