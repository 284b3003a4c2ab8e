// The runner in a program with unusual process state: signal dispositions,
// a signal that keeps interrupting, closed standard descriptors, no
// descriptor to spare.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "driver/runner/run.h"

using namespace orventa;

namespace {

const std::string child = RUNNER_CHILD;
constexpr std::chrono::seconds generousLimit{30};

// Sets a signal's handling for the scope and restores it afterwards.
class SignalHandling {
 public:
  SignalHandling(int sig, void (*handler)(int)) : sig_(sig) {
    struct sigaction wanted {};
    wanted.sa_handler = handler;
    sigemptyset(&wanted.sa_mask);
    wanted.sa_flags = 0;  // no SA_RESTART: interrupted calls fail with EINTR
    sigaction(sig_, &wanted, &saved_);
  }
  ~SignalHandling() { sigaction(sig_, &saved_, nullptr); }

 private:
  int sig_;
  struct sigaction saved_ {};
};

volatile sig_atomic_t interruptions = 0;
void countTick(int) { interruptions = interruptions + 1; }

// Sends this process `sig` about every millisecond from a child of its own,
// as long as it lives. A timer of this process's own (setitimer) would
// signal SIGALRM, SIGVTALRM or SIGPROF, which end a program by default and
// so end a run as any ending signal does; SIGWINCH, which a terminal sends,
// does not.
class Interrupter {
 public:
  explicit Interrupter(int sig) {
    const pid_t target = getpid();
    pid_ = fork();
    if (pid_ == 0) {
      while (kill(target, sig) == 0) usleep(1000);
      _exit(0);
    }
  }
  ~Interrupter() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  Interrupter(const Interrupter&) = delete;
  Interrupter& operator=(const Interrupter&) = delete;

 private:
  pid_t pid_;
};

TEST(RunInProcess, CompleteWhileASignalInterruptsEveryMillisecond) {
  SignalHandling interrupt(SIGWINCH, countTick);
  interruptions = 0;
  // Slow output keeps the reader blocked in read while the signal comes,
  // large output keeps it busy reading; the child ends after a pause so the
  // wait is interrupted too.
  std::string hex;
  for (int i = 0; i < 50; ++i) hex += "E282AC";
  CommandResult result;
  {
    Interrupter every(SIGWINCH);
    result = run(child, {"bytewise", hex, "2", "flood", "262144", "sleep", "100", "exit", "7"}, generousLimit);
  }

  std::string want;
  for (int i = 0; i < 50; ++i) want += "\u20AC";
  for (int i = 0; i < 262144 / 4096; ++i) want += std::string(4096, 'o') + std::string(4096, 'e');
  EXPECT_TRUE(result.output == want) << "output of " << result.output.size() << " bytes differs";
  EXPECT_EQ(result.status, 7);
  EXPECT_GT(interruptions, 20) << "the signal did not interrupt";
}

TEST(RunInProcess, WaitingForTheEndSurvivesASignalThatInterruptsIt) {
  SignalHandling interrupt(SIGWINCH, countTick);
  interruptions = 0;
  // The child closes its output at once, so the runner is past the read and
  // waiting for the end while the signal comes.
  CommandResult result;
  {
    Interrupter every(SIGWINCH);
    result = run(child, {"out", "x", "close", "sleep", "300", "exit", "5"}, generousLimit);
  }
  EXPECT_EQ(result.status, 5);
  EXPECT_EQ(result.output, "x");
  EXPECT_GT(interruptions, 20) << "the signal did not interrupt";
}

TEST(RunInProcess, TheChildStartsWithSIGPIPEAtItsDefault) {
  SignalHandling ignored(SIGPIPE, SIG_IGN);
  EXPECT_EQ(run(child, {"sigpipe"}, generousLimit).output, "default");
}

TEST(RunInProcess, TheChildStartsWithEverySignalAtItsDefault) {
  // The program ignores SIGXFSZ; nohup leaves SIGHUP ignored, and a
  // launcher SIGINT or SIGQUIT.
  SignalHandling fileSize(SIGXFSZ, SIG_IGN);
  SignalHandling hangUp(SIGHUP, SIG_IGN);
  SignalHandling interrupt(SIGINT, SIG_IGN);
  SignalHandling quit(SIGQUIT, SIG_IGN);
  EXPECT_EQ(run(child, {"ignored"}, generousLimit).output, "");
}

TEST(RunInProcess, SIGCHLDIgnoredGivesTheUnknownStatusNeverSuccess) {
  SignalHandling ignored(SIGCHLD, SIG_IGN);
  const CommandResult result = run(child, {"out", "done", "exit", "0"}, generousLimit);
  EXPECT_EQ(result.status, unknownTerminationStatus);
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(result.output, "done");
}

// In a forked copy of this program with the descriptors `closed` closed, the
// runner still starts the tool and captures both streams, and the tool has
// standard input exactly when the copy has. The copy reports through its
// status.
int runWithClosed(const std::vector<int>& closed) {
  const pid_t pid = fork();
  if (pid == 0) {
    bool inputClosed = false;
    for (int fd : closed) close(fd), inputClosed |= fd == 0;
    try {
      const CommandResult result =
          run(child, {"stdin", "out", " to 1,", "err", "to 2", "exit", "4"}, generousLimit);
      const std::string input = inputClosed ? "closed" : "open";
      _exit(result.output == input + " to 1,to 2" && result.status == 4 ? 0 : 1);
    } catch (...) {
      _exit(2);  // a Mac's posix_spawn refuses to pass on a closed descriptor
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RunInProcess, WorksWithStandardDescriptorsClosed) {
  // Closed ones are where the pipe's ends land unless they are moved away.
  const std::vector<std::vector<int>> cases = {{0}, {1}, {2}, {0, 1}, {1, 2}, {0, 2}, {0, 1, 2}};
  for (const std::vector<int>& closed : cases) {
    std::string name;
    for (int fd : closed) name += std::to_string(fd) + " ";
    // 1: wrong output or status; 2: the run failed.
    EXPECT_EQ(runWithClosed(closed), 0) << "closed: " << name;
  }
}

TEST(RunInProcess, NoDescriptorToSpareFailsNamingTheTool) {
  // The message is what the user reads in the alert: it must say which tool
  // could not be started, not which system call failed.
  const pid_t pid = fork();
  if (pid == 0) {
    int highest = 2;
    for (int fd = 3; fd < 1024; ++fd)
      if (fcntl(fd, F_GETFD) != -1) highest = fd;
    struct rlimit saved {};
    getrlimit(RLIMIT_NOFILE, &saved);
    struct rlimit limit = saved;
    limit.rlim_cur = static_cast<rlim_t>(highest + 1);
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) _exit(10);
    while (open("/dev/null", O_RDONLY) >= 0) {
    }
    try {
      run(child, {"exit", "0"}, generousLimit);
      _exit(11);
    } catch (const std::system_error& failure) {
      // The sanitizers' checks of the exception object need descriptors.
      setrlimit(RLIMIT_NOFILE, &saved);
      if (failure.code() != std::error_code(EMFILE, std::system_category())) _exit(12);
      if (std::string(failure.what()).rfind(child + ": ", 0) != 0) _exit(13);
      _exit(0);
    } catch (...) {
      _exit(14);
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  // 11: the run worked; 12: another error; 13: the message does not begin
  // with the tool's path.
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
