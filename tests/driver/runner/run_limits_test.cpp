// The runner's limits: a tool that does not finish in time, one that writes
// too much, what is left of its process group afterwards, and the program
// ended by a signal while a tool runs.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "common/ending_signals.h"
#include "driver/runner/run.h"
#include "tests/support/test_support.h"
#include "tests/support/process_probes.h"
#include "driver/runner/run_limit_error.h"

using namespace orventa;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string child = RUNNER_CHILD;

constexpr int timeLimitCode = static_cast<int>(RunLimitError::Code::timeLimit);
constexpr int outputLimitCode = static_cast<int>(RunLimitError::Code::outputLimit);

TEST(RunLimitError, NamesTheToolAndTheLimit) {
  struct Case {
    RunLimitError error;
    int code;
    std::string message;
  };
  const Case cases[] = {
      {RunLimitError::timeLimitPassed("/usr/sbin/spctl", 300s), timeLimitCode,
       "/usr/sbin/spctl did not finish within 300 seconds."},
      {RunLimitError::timeLimitPassed("/usr/bin/systemextensionsctl", 60s), timeLimitCode,
       "/usr/bin/systemextensionsctl did not finish within 60 seconds."},
      {RunLimitError::timeLimitPassed("/usr/sbin/pkgutil", 1s), timeLimitCode,
       "/usr/sbin/pkgutil did not finish within 1 second."},
      {RunLimitError::timeLimitPassed("/bin/x", 250ms), timeLimitCode, "/bin/x did not finish within 0.25 seconds."},
      {RunLimitError::outputLimitPassed("/usr/sbin/pkgutil", toolOutputLimit), outputLimitCode,
       "/usr/sbin/pkgutil wrote more than 16 MiB of output."},
      {RunLimitError::outputLimitPassed("/bin/x", std::size_t(1) << 30), outputLimitCode,
       "/bin/x wrote more than 1 GiB of output."},
      {RunLimitError::outputLimitPassed("/bin/x", 3 << 20), outputLimitCode, "/bin/x wrote more than 3 MiB of output."},
      {RunLimitError::outputLimitPassed("/bin/x", 1000), outputLimitCode,
       "/bin/x wrote more than 1000 bytes of output."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.error.what(), c.message);
    EXPECT_EQ(c.error.code(), c.code) << c.message;
    EXPECT_EQ(RunLimitError::domain, "ORVENTADriverAssistant");
  }
}

TEST(RunLimitError, CodesFollowTheAssistantsOwn) {
  // The assistant's own failures are numbered from 1; the limits go on after
  // them in the same domain, and the numbers are what support reads.
  EXPECT_EQ(timeLimitCode, 6);
  EXPECT_EQ(outputLimitCode, 7);
}

// Runs `steps` with `limit` and expects the time-limit failure; gives how
// long the call took.
Clock::duration timedOutAfter(const std::vector<std::string>& steps, std::chrono::milliseconds limit,
                              const char* name) {
  const Clock::time_point start = Clock::now();
  try {
    run(child, steps, limit);
    ADD_FAILURE() << name << ": the run ended normally";
  } catch (const RunLimitError& e) {
    EXPECT_EQ(e.code(), timeLimitCode) << name;
    EXPECT_EQ(e.what(), child + " did not finish within 0.3 seconds.") << name;
  }
  return Clock::now() - start;
}

TEST(RunTimeLimit, EndsAToolThatDoesNotFinishWhereverItHangs) {
  struct Case {
    const char* name;
    std::vector<std::string> steps;
    Clock::duration atLeast, atMost;
  };
  const Case cases[] = {
      // The runner is reading: the child holds the pipe and writes nothing.
      {"silent", {"out", "started\n", "sleep", "60000"}, 300ms, 1500ms},
      // The runner is waiting for the end: the pipe is at its end already.
      {"output closed", {"out", "started\n", "close", "sleep", "60000"}, 300ms, 1500ms},
      // The child is gone; what it started keeps the pipe open.
      {"grandchild holds the pipe", {"grandchild", "60000", "exit", "0"}, 300ms, 1500ms},
      // Output does not draw the limit out: a tool that keeps writing is
      // ended at the first look past its limit that finds nothing to read.
      {"keeps writing", {"bytewise", std::string(2 * 400, 'A'), "50"}, 300ms, 1500ms},
      // SIGTERM is not enough: SIGKILL follows two seconds later.
      {"ignores SIGTERM", {"ignore", "15", "sleep", "60000"}, 2300ms, 3800ms},
  };
  const std::set<std::string> before = openDescriptors();
  for (const Case& c : cases) {
    const Clock::duration took = timedOutAfter(c.steps, 300ms, c.name);
    EXPECT_GE(took, c.atLeast) << c.name;
    EXPECT_LE(took, c.atMost) << c.name;
    EXPECT_TRUE(noChildren()) << c.name << ": the child was not reaped";
    EXPECT_EQ(openDescriptors(), before) << c.name;
  }
}

TEST(RunTimeLimit, AToolThatFinishesInTimeIsNotDisturbed) {
  const CommandResult result = run(child, {"out", "a", "sleep", "100", "out", "b", "exit", "4"}, 5s);
  EXPECT_EQ(result.status, 4);
  EXPECT_EQ(result.output, "ab");
}

TEST(RunTimeLimit, AProgramStoppedPastTheLimitTakesTheResultOfAToolThatEnded) {
  // The tool stops this program (as Ctrl-Z or SIGSTOP would) for longer
  // than the limit and ends at once: when the program goes on, the limit
  // has passed, but the tool finished well within it. One that still runs
  // then is ended at its limit all the same.
  struct Case {
    const char* name;
    bool captureOutput = true;  // false: run as an opener, without output
    std::vector<std::string> steps;
    std::optional<std::int32_t> status;  // nullopt: the time-limit failure
    std::string output = {};
    std::optional<std::size_t> outputSize = {};  // compared instead of `output` when set
    std::chrono::milliseconds limit = 300ms;
    std::chrono::milliseconds stopped = 900ms;  // as the steps stop the program
  };
  const Case cases[] = {
      {.name = "stopped while reading output",
       .steps = {"out", "a", "stop-parent", "900", "sleep", "50", "out", "b", "exit", "3"},
       .status = 3,
       .output = "ab"},
      {.name = "stopped after end of file",
       .steps = {"out", "a", "close", "stop-parent", "900", "sleep", "50", "exit", "4"},
       .status = 4,
       .output = "a"},
      {.name = "stopped while an opener ran",
       .captureOutput = false,
       .steps = {"stop-parent", "900", "sleep", "50", "exit", "5"},
       .status = 5},
      // More than a pipe holds: the tool is blocked on the full pipe while
      // this program is stopped, and writes the rest only once it goes on.
      {.name = "stopped with output past a pipe's capacity",
       .steps = {"stop-parent", "900", "flood", std::to_string(100 * 1024), "exit", "6"},
       .status = 6,
       .outputSize = 200 * 1024},
      // Once the program goes on, the tool takes much of its limit to end:
      // only the time the program watched it counts.
      {.name = "stopped past the limit, the tool then slow to end",
       .steps = {"stop-parent", "2000", "flood", std::to_string(100 * 1024), "sleep", "400", "exit", "7"},
       .status = 7,
       .outputSize = 200 * 1024,
       .limit = 1000ms,
       .stopped = 2000ms},
      {.name = "a tool that still runs afterwards",
       .steps = {"stop-parent", "900", "sleep", "60000"},
       .status = std::nullopt},
  };
  for (const Case& c : cases) {
    const Clock::time_point start = Clock::now();
    try {
      const CommandResult result =
          c.captureOutput ? run(child, c.steps, c.limit) : runWithoutOutput(child, c.steps, c.limit);
      EXPECT_EQ(std::optional<std::int32_t>(result.status), c.status) << c.name;
      if (c.outputSize) {
        EXPECT_EQ(result.output.size(), *c.outputSize) << c.name;
      } else {
        EXPECT_EQ(result.output, c.output) << c.name;
      }
    } catch (const RunLimitError& e) {
      EXPECT_EQ(c.status, std::nullopt) << c.name << ": " << e.what();
    }
    EXPECT_GE(Clock::now() - start, c.stopped) << c.name << ": the program was not stopped";
    EXPECT_TRUE(noChildren()) << c.name;
  }
}

// In a forked copy of this program that adopts orphans (a subreaper), runs
// a tool whose grandchild ignores SIGTERM and sleeps, with a short limit;
// then looks at how that grandchild ended. Exit 0 when it was killed.
int grandchildAfterTimeLimit() {
  const pid_t pid = fork();
  if (pid == 0) {
    if (!adoptOrphans()) _exit(10);
    try {
      run(child, {"ignore", "15", "grandchild", "60000", "sleep", "60000"}, 300ms);
      _exit(11);
    } catch (const RunLimitError&) {
    }
    // The grandchild is ours now; it must have ended, by SIGKILL (which may
    // take a moment to arrive after the run has returned).
    int status = 0;
    pid_t got = 0;
    for (int i = 0; i < 200 && got == 0; ++i) {
      got = waitpid(-1, &status, WNOHANG);
      if (got == 0) usleep(10 * 1000);
    }
    if (got <= 0) _exit(12);
    _exit(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL && noChildren() ? 0 : 13);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// What a tool started is only seen again by a process that adopts orphans.
constexpr const char* noSubreaper = "this system has no subreaper: what a tool started cannot be waited for";

TEST(RunTimeLimit, EndsWhateverTheToolStartedWithIt) {
  if (!canAdoptOrphans) GTEST_SKIP() << noSubreaper;
  EXPECT_EQ(grandchildAfterTimeLimit(), 0);
}

TEST(RunTimeLimit, EndsAToolThatLeftItsGroupByItsProcessId) {
  // The tool really leaves the group it leads, here too (in a PID
  // namespace the ids of groups outside it read as 0).
  ASSERT_EQ(run(child, {"leave-group"}, 30s).output, "left\n");
  // It then ignores SIGTERM: ending its group reaches nothing, and only
  // SIGKILL by its own process id ends it, after the grace.
  const Clock::duration took = timedOutAfter({"leave-group", "ignore", "15", "sleep", "60000"}, 300ms, "left");
  EXPECT_GE(took, 2300ms);
  EXPECT_LE(took, 3800ms);
  EXPECT_TRUE(noChildren()) << "the tool was not ended";
}

TEST(RunOutputLimit, FailsPastTheLimitAndEndsTheTool) {
  // flood N writes N bytes on each stream: 2N in all.
  struct Case {
    const char* name;
    std::size_t floodEach, limit;
    bool fails;
  };
  const Case cases[] = {
      {"exactly the limit", 40000, 80000, false},
      {"one byte past it", 40000, 79999, true},
      {"far past it, the child still writing", 64 << 20, 1 << 20, true},
  };
  for (const Case& c : cases) {
    try {
      const CommandResult result = run(child, {"flood", std::to_string(c.floodEach)}, 30s, c.limit);
      EXPECT_FALSE(c.fails) << c.name;
      EXPECT_EQ(result.output.size(), 2 * c.floodEach) << c.name;
    } catch (const RunLimitError& e) {
      EXPECT_TRUE(c.fails) << c.name;
      EXPECT_EQ(e.code(), outputLimitCode) << c.name;
      EXPECT_EQ(e.what(), child + " wrote more than " +
                              (c.limit == 1 << 20 ? std::string("1 MiB") : std::to_string(c.limit) + " bytes") +
                              " of output.")
          << c.name;
    }
    EXPECT_TRUE(noChildren()) << c.name;
  }
  // A run without a limit of its own has the build's: a tool that writes
  // without end is stopped there.
  try {
    run(child, {"flood", std::to_string(64 << 20)}, 30s);
    ADD_FAILURE() << "the endless tool was not stopped";
  } catch (const RunLimitError& e) {
    EXPECT_EQ(e.what(), child + " wrote more than 16 MiB of output.");
  }
  EXPECT_TRUE(noChildren());
}

TEST(RunOutputLimit, HoldsForTheRepairedTextToo) {
  // Each ill-formed byte becomes the three bytes of U+FFFD: 333 of them
  // make 999 bytes, 334 make 1002. The run gives how many the tool wrote.
  struct Case {
    const char* name;
    std::size_t badBytes;
    bool fails;
  };
  const Case cases[] = {
      {"repaired text within the limit", 333, false},
      {"repaired text past the limit", 334, true},
  };
  for (const Case& c : cases) {
    std::string hex;
    for (std::size_t i = 0; i < c.badBytes; ++i) hex += "FF";
    try {
      const CommandResult result = run(child, {"hex", hex}, 30s, 1000);
      EXPECT_FALSE(c.fails) << c.name;
      EXPECT_EQ(result.output.size(), 3 * c.badBytes) << c.name;
      EXPECT_EQ(result.outputBytes, c.badBytes) << c.name;
    } catch (const RunLimitError& e) {
      EXPECT_TRUE(c.fails) << c.name;
      EXPECT_EQ(e.what(), child + " wrote more than 1000 bytes of output.") << c.name;
    }
    EXPECT_TRUE(noChildren()) << c.name;
  }
}

TEST(RunWithoutOutput, ReturnsWhenTheToolHasEndedWhateverItLeftRunning) {
  // The grandchild keeps running for two seconds; the call does not wait.
  const Clock::time_point start = Clock::now();
  const CommandResult result = runWithoutOutput(child, {"grandchild", "2000", "out", "said\n", "exit", "3"}, 5s);
  EXPECT_LT(Clock::now() - start, 1500ms);
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.output, "");
  EXPECT_TRUE(noChildren());
}

TEST(RunWithoutOutput, HasTheTimeLimitToo) {
  EXPECT_THROW(runWithoutOutput(child, {"sleep", "60000"}, 300ms), RunLimitError);
  EXPECT_TRUE(noChildren());
}

// Where the runner waits when an ending signal comes: reading the tool's
// output, waiting for its end after end of file, and running an opener,
// whose output goes nowhere. The tool (with a grandchild) sends the signal
// to the program that started it.
struct SignalledWait {
  const char* name;
  bool captureOutput;
  std::vector<std::string> steps;  // "SIG" stands for the signal's number
};

const SignalledWait signalledWaits[] = {
    {"reading output", true, {"grandchild", "60000", "kill-parent", "SIG", "sleep", "60000"}},
    {"after end of file", true, {"close", "grandchild", "60000", "sleep", "200", "kill-parent", "SIG", "sleep", "60000"}},
    {"without output", false, {"grandchild", "60000", "sleep", "200", "kill-parent", "SIG", "sleep", "60000"}},
};

// The tool's limit in these runs; the signal must take effect long before.
constexpr std::chrono::seconds signalledRunLimit{10};

// The signals of the first waits' rows: each one of the platform's ending
// signals (common/ending_signals.h) is sent while the runner reads; these,
// the handled ones and one of each kind, also at the other waits.
const int signalsAtEveryWait[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGUSR1, SIGUSR2,
                                  SIGALRM, SIGVTALRM, SIGPROF, SIGXCPU, SIGABRT, SIGSEGV};

// SIGQUIT, the fault signals and, on Linux, SIGXCPU dump core by default: not in a
// test. And every ending signal at its default, as the program starts (a
// sanitizer handles the fault signals of this test program).
void noCoreDumpsAndDefaultHandling() {
  const struct rlimit none = {0, 0};
  setrlimit(RLIMIT_CORE, &none);
  for (int sig : endingSignals()) signal(sig, SIG_DFL);
}

// In a reaper that adopts orphans: exits 0 once every process that came to
// it has ended (only ended processes may come, within moments), else with
// `leftStatus`.
[[noreturn]] void exitOnceOrphansEnded(int leftStatus) {
  for (int i = 0; i < 200; ++i) {
    const pid_t got = waitpid(-1, nullptr, WNOHANG);
    if (got < 0 && errno == ECHILD) _exit(0);
    if (got == 0) usleep(10 * 1000);
  }
  _exit(leftStatus);
}

// In a forked copy of this program that adopts orphans (the reaper), runs
// `assistant` in a child of its own, which ends without returning, and
// waits for that child. Exit status of the reaper: 0 when the child ended as
// `endedAsExpected` says and nothing it started is left running; 12 when it
// ended otherwise; 13 when something it started was left; 10 when orphans
// cannot be adopted here.
int inAReaper(const std::function<void()>& assistant, const std::function<bool(int status)>& endedAsExpected) {
  const pid_t reaper = fork();
  if (reaper == 0) {
    if (!adoptOrphans()) _exit(10);
    const pid_t program = fork();
    if (program == 0) {
      assistant();
      _exit(11);  // not reached: the assistant ends by a signal
    }
    int status = 0;
    waitpid(program, &status, 0);
    if (!endedAsExpected(status)) _exit(12);
    // Whatever the tool started was ended before the program ended: only
    // ended processes may come to the reaper, within moments.
    exitOnceOrphansEnded(13);
  }
  int status = 0;
  waitpid(reaper, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the tool of `wait`, which sends the program `sig`, in a reaper: 0
// when the program ended by that very signal and nothing it started is left
// running.
int endedBySignalDuringARun(int sig, const SignalledWait& wait) {
  return inAReaper(
      [&] {
        noCoreDumpsAndDefaultHandling();
        std::vector<std::string> steps = wait.steps;
        for (std::string& step : steps)
          if (step == "SIG") step = std::to_string(sig);
        try {
          if (wait.captureOutput) {
            run(child, steps, signalledRunLimit);
          } else {
            runWithoutOutput(child, steps, signalledRunLimit);
          }
        } catch (...) {
        }
      },
      [sig](int status) { return WIFSIGNALED(status) && WTERMSIG(status) == sig; });
}

TEST(RunEndingSignal, EndsTheToolsGroupThenTheProgramAsTheSignalSays) {
  if (!canAdoptOrphans) GTEST_SKIP() << noSubreaper;
  for (const SignalledWait& wait : signalledWaits) {
    const SignalList all = endingSignals();
    std::vector<int> signals(std::begin(signalsAtEveryWait), std::end(signalsAtEveryWait));
    if (&wait == &signalledWaits[0]) signals.assign(all.begin(), all.end());
    for (int sig : signals) {
      const Clock::time_point start = Clock::now();
      EXPECT_EQ(endedBySignalDuringARun(sig, wait), 0) << wait.name << ", signal " << sig;
      // Not at the tool's limit: at once.
      EXPECT_LT(Clock::now() - start, signalledRunLimit / 2) << wait.name << ", signal " << sig;
      if (HasFailure()) return;  // each further case would wait for the limit too
    }
  }
}

extern "C" void overflowOnSignal(int) { overflowTheStack(0); }

// Runs a tool (with a grandchild) that sends SIGWINCH, on which the program
// overflows its stack in a handler of its own, in a reaper: 0 when the
// program ended by the fault and nothing it started is left running.
int stackOverflowDuringARun() {
  return inAReaper(
      [] {
        noCoreDumpsAndDefaultHandling();
        signal(SIGWINCH, overflowOnSignal);
        try {
          run(child, {"grandchild", "60000", "sleep", "200", "kill-parent", std::to_string(SIGWINCH), "sleep", "60000"},
              signalledRunLimit);
        } catch (...) {
        }
      },
      // A Mac may report a stack overflow as SIGBUS.
      [](int status) { return WIFSIGNALED(status) && (WTERMSIG(status) == SIGSEGV || WTERMSIG(status) == SIGBUS); });
}

TEST(RunEndingSignal, AStackOverflowOfTheProgramStillEndsTheToolsGroup) {
  if (!canAdoptOrphans) GTEST_SKIP() << noSubreaper;
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(stackOverflowDuringARun(), 0) << "12: not ended by the fault; 13: the tool's group was left";
  EXPECT_LT(Clock::now() - start, signalledRunLimit / 2);
}

volatile sig_atomic_t handled = 0;
void noteHandled(int) { handled = handled + 1; }

// As endedBySignalDuringARun, but the copy has a SIGTERM handler of its own
// (as GNUstep's application object has): the run fails, the handler runs
// once, after the tool's group is gone. Exit 0 when all holds.
int ownHandlerAfterTheGroup() {
  const pid_t pid = fork();
  if (pid == 0) {
    if (!adoptOrphans()) _exit(10);
    struct sigaction own {};
    own.sa_handler = noteHandled;
    sigemptyset(&own.sa_mask);
    sigaction(SIGTERM, &own, nullptr);
    try {
      run(child, {"grandchild", "60000", "kill-parent", "15", "sleep", "60000"}, 30s);
      _exit(11);
    } catch (const std::system_error& e) {
      if (e.code() != std::error_code(EINTR, std::system_category())) _exit(12);
    }
    if (handled != 1) _exit(13);
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    if (now.sa_handler != noteHandled) _exit(14);
    exitOnceOrphansEnded(15);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(RunEndingSignal, TheProgramsOwnHandlerRunsAfterTheToolsGroupIsEnded) {
  if (!canAdoptOrphans) GTEST_SKIP() << noSubreaper;
  EXPECT_EQ(ownHandlerAfterTheGroup(), 0);
}

// The write end of a pipe to the test, where the handler below reports.
int handlerReport = -1;
void reportHandled(int) {
  const char byte = 'h';
  [[maybe_unused]] const ssize_t ignored = write(handlerReport, &byte, 1);
}

TEST(RunEndingSignal, EverySignalThatCameTakesItsCourse) {
  // Two signals during one run, one that the program handles and survives
  // and one at its default: in either order the handler runs and the
  // program still ends by the other signal. SIGHUP comes before SIGINT by
  // number, SIGUSR1 after SIGTERM in the runner's list.
  struct Case {
    int handled, ending;
    bool handledFirst;
  };
  const Case cases[] = {
      {SIGINT, SIGTERM, true}, {SIGINT, SIGTERM, false}, {SIGINT, SIGHUP, true},
      {SIGINT, SIGHUP, false}, {SIGUSR1, SIGTERM, true}, {SIGUSR1, SIGTERM, false},
  };
  for (const Case& c : cases) {
    const std::string name = std::to_string(c.handled) + " handled, " + std::to_string(c.ending) + " ending" +
                             (c.handledFirst ? ", handled first" : ", ending first");
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t pid = fork();
    if (pid == 0) {
      close(report[0]);
      handlerReport = report[1];
      struct sigaction own {};
      own.sa_handler = reportHandled;
      sigemptyset(&own.sa_mask);
      sigaction(c.handled, &own, nullptr);
      const int first = c.handledFirst ? c.handled : c.ending;
      const int second = c.handledFirst ? c.ending : c.handled;
      try {
        // The tool ignores the SIGTERM that ends its group, so that the
        // second signal is sent whenever the runner ends it.
        run(child, {"ignore", "15", "kill-parent", std::to_string(first), "kill-parent", std::to_string(second),
                    "exit", "0"}, 30s);
      } catch (...) {
      }
      _exit(0);
    }
    close(report[1]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    char reported[2];
    const ssize_t reports = read(report[0], reported, sizeof reported);
    close(report[0]);
    EXPECT_EQ(reports, 1) << name << ": the program's handler ran that often";
    ASSERT_TRUE(WIFSIGNALED(status)) << name << ": the program went on";
    EXPECT_EQ(WTERMSIG(status), c.ending) << name;
  }
}

TEST(RunEndingSignal, AnIgnoredSignalStaysIgnored) {
  // As under nohup: SIGHUP ignored by the program does not end the tool.
  struct sigaction ignore {}, saved {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &ignore, &saved);
  const CommandResult result = run(child, {"kill-parent", "1", "sleep", "100", "out", "done"}, 30s);
  sigaction(SIGHUP, &saved, nullptr);
  EXPECT_EQ(result.output, "done");
  EXPECT_EQ(result.status, 0);
}

}  // namespace
