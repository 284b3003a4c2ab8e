// Measurements of the command runner, one per mode; bench/runner.sh runs them.
//   runner_bench start N        N calls of run("/bin/true") against N bare
//                               posix_spawn + waitpid calls; prints both times
//   runner_bench capture FILE   run("/bin/cat", FILE) against the same cat
//                               writing to /dev/null, and to a pipe whose
//                               bytes are thrown away; prints the three times
//   runner_bench keep FILE      one run("/bin/cat", FILE) and nothing else, so
//                               the process's peak resident memory is the
//                               runner's; prints the output size

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

#include "driver/command.h"

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
      run("/bin/true", {}, toolTimeLimit);
      runTotal += secondsSince(t);
      t = Clock::now();
      spawnAndWait("/bin/true", nullptr, nullptr);
      bareTotal += secondsSince(t);
    }
    bestRun = std::min(bestRun, runTotal);
    bestBare = std::min(bestBare, bareTotal);
  }
  std::printf("%.6f %.6f\n", bestRun, bestBare);
  return 0;
}

// The floor for any capture: cat into a pipe whose reader throws the bytes
// away, one buffer reused.
void catIntoDiscardingPipe(const char* file) {
  int fds[2];
#ifdef __linux__
  // The same 1 MiB pipe as the runner's. Macs have neither pipe2 nor
  // F_SETPIPE_SZ: there a plain pipe, close-on-exec set at once (one thread).
  if (pipe2(fds, O_CLOEXEC) != 0) std::exit(2);
  fcntl(fds[0], F_SETPIPE_SZ, 1 << 20);
#else
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
  static char buffer[1 << 20];
  while (read(fds[0], buffer, sizeof buffer) > 0) {
  }
  close(fds[0]);
  int status;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&toPipe);
}

int capture(const char* file) {
  posix_spawn_file_actions_t toNull;
  posix_spawn_file_actions_init(&toNull);
  posix_spawn_file_actions_addopen(&toNull, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  double bestRun = 1e9, bestNull = 1e9, bestPipe = 1e9;
  for (int round = 0; round < 5; ++round) {
    Clock::time_point t = Clock::now();
    const CommandResult result = run("/bin/cat", {file}, toolTimeLimit);
    bestRun = std::min(bestRun, secondsSince(t));
    if (result.status != 0) return 2;
    t = Clock::now();
    spawnAndWait("/bin/cat", file, &toNull);
    bestNull = std::min(bestNull, secondsSince(t));
    t = Clock::now();
    catIntoDiscardingPipe(file);
    bestPipe = std::min(bestPipe, secondsSince(t));
  }
  posix_spawn_file_actions_destroy(&toNull);
  std::printf("%.6f %.6f %.6f\n", bestRun, bestNull, bestPipe);
  return 0;
}

int keep(const char* file) {
  const CommandResult result = run("/bin/cat", {file}, toolTimeLimit);
  std::printf("%zu\n", result.output.size());
  return result.status == 0 ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[1] : "";
  if (mode == "start") return start(std::atoi(argv[2]));
  if (mode == "capture") return capture(argv[2]);
  if (mode == "keep") return keep(argv[2]);
  std::fprintf(stderr, "usage: runner_bench start N | capture FILE | keep FILE\n");
  return 2;
}
