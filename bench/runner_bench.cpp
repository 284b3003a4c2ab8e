// Measurements of the tool runner, one per mode; bench/runner.sh runs them.
//   runner_bench start N       N calls of run("/usr/bin/true") against N bare
//                              posix_spawn + waitpid calls; prints both times
//   runner_bench capture FILE  run("/bin/cat", FILE) against the same cat
//                              into a bare pipe read in this process, each
//                              repeated until it has taken a second; prints
//                              the time of one of each
//   runner_bench keep FILE     one run("/bin/cat", FILE) and nothing else, so
//                              the process's peak resident memory is the
//                              runner's; prints the output size
//   runner_bench endless       one run of a tool that writes without end
//                              ("/usr/bin/yes"), with the program's output
//                              limit; prints the error it ends with

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/runner/run.h"
#include "driver/runner/run_limit_error.h"

using namespace orventa;

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Far beyond any run here; the limit's checks are part of what is measured.
constexpr std::chrono::milliseconds toolTimeLimit = std::chrono::minutes(5);

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The bare cost of starting a program and waiting for it.
void spawnAndWait(const char* path, const char* argument, const posix_spawn_file_actions_t* actions) {
  char* argv[] = {const_cast<char*>(path), const_cast<char*>(argument), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, path, actions, nullptr, argv, environ) != 0) std::exit(2);
  int status;
  while (waitpid(pid, &status, 0) < 0) {
  }
}

int start(int calls) {
  // The two take turns call by call, so both see the same machine state; the
  // best of several rounds counts.
  double bestRun = 1e9, bestBare = 1e9;
  for (int round = 0; round < 5; ++round) {
    double runTotal = 0, bareTotal = 0;
    for (int i = 0; i < calls; ++i) {
      Clock::time_point t = Clock::now();
      run("/usr/bin/true", {}, toolTimeLimit);
      runTotal += secondsSince(t);
      t = Clock::now();
      spawnAndWait("/usr/bin/true", nullptr, nullptr);
      bareTotal += secondsSince(t);
    }
    bestRun = std::min(bestRun, runTotal);
    bestBare = std::min(bestBare, bareTotal);
  }
  std::printf("%.6f %.6f\n", bestRun, bestBare);
  return 0;
}

// The floor for any capture: cat into a pipe of the system's default size,
// read into one reused buffer and thrown away.
void catIntoBarePipe(const char* file) {
  int fds[2];
#ifdef __linux__
  // Linux has pipe2, which sets close-on-exec at once.
  if (pipe2(fds, O_CLOEXEC) != 0) std::exit(2);
#else
  // A Mac has no pipe2; nothing else runs in this process meanwhile.
  if (pipe(fds) != 0) std::exit(2);
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
#endif
  posix_spawn_file_actions_t toPipe;
  posix_spawn_file_actions_init(&toPipe);
  posix_spawn_file_actions_adddup2(&toPipe, fds[1], STDOUT_FILENO);
  char* argv[] = {const_cast<char*>("/bin/cat"), const_cast<char*>(file), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, "/bin/cat", &toPipe, nullptr, argv, environ) != 0) std::exit(2);
  close(fds[1]);
  static char buffer[64 * 1024];
  while (read(fds[0], buffer, sizeof buffer) > 0) {
  }
  close(fds[0]);
  int status;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&toPipe);
}

// Seconds of one call of `once`, from as many calls as fit in a second (at
// least three).
template <typename Once>
double timeOfOne(Once once) {
  int calls = 0;
  const Clock::time_point t = Clock::now();
  do {
    once();
    ++calls;
  } while (calls < 3 || secondsSince(t) < 1.0);
  return secondsSince(t) / calls;
}

int capture(const char* file) {
  bool ok = true;
  // Three rounds each, taking turns; the best round of each counts, so that
  // neither side's figure rests on one stretch of a busy machine.
  double bestRun = 1e9, bestPipe = 1e9;
  for (int round = 0; round < 3; ++round) {
    bestRun = std::min(bestRun, timeOfOne([&] { ok = ok && run("/bin/cat", {file}, toolTimeLimit).status == 0; }));
    bestPipe = std::min(bestPipe, timeOfOne([&] { catIntoBarePipe(file); }));
  }
  if (!ok) return 2;
  std::printf("%.6f %.6f\n", bestRun, bestPipe);
  return 0;
}

int keep(const char* file) {
  const CommandResult result = run("/bin/cat", {file}, toolTimeLimit);
  std::printf("%zu\n", result.output.size());
  return result.status == 0 ? 0 : 2;
}

int endless() {
  try {
    run("/usr/bin/yes", {"cn.wch.CH34xVCPDriver (1.0/1) [activated enabled]"}, toolTimeLimit);
  } catch (const RunLimitError& failure) {
    std::printf("%d %s\n", failure.code(), failure.what());
    return 0;
  }
  std::fprintf(stderr, "the endless tool was not stopped\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "start" && argc == 3) return start(std::atoi(argv[2]));
  if (mode == "capture" && argc == 3) return capture(argv[2]);
  if (mode == "keep" && argc == 3) return keep(argv[2]);
  if (mode == "endless" && argc == 2) return endless();
  std::fprintf(stderr, "usage: runner_bench start N | capture FILE | keep FILE | endless\n");
  return 2;
}
