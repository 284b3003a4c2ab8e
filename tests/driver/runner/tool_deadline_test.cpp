// A tool's deadline counts only the time the program watched the tool:
// driven with made-up clock readings, as a run takes them.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "driver/runner/tool_deadline.h"

using namespace orventa;

namespace {

using std::chrono::milliseconds;

// What the run does next, at a time in milliseconds after the tool started.
struct Step {
  enum class Kind { look, output, wait } kind;
  long long at = 0;  // look, output: the clock's reading; wait: the end waitUntil() must give
  std::optional<bool> passed = {};  // look: whether the limit must have passed
};

Step look(long long at, std::optional<bool> passed = std::nullopt) { return {Step::Kind::look, at, passed}; }
Step output(long long at) { return {Step::Kind::output, at}; }
Step waitTo(long long until) { return {Step::Kind::wait, until}; }

// A program that watches the tool without a stop from `from` to `to`: a
// wait of longestToolWait and a look at its end, each `late` after it, as
// long as the deadline (never crossed here) allows.
std::vector<Step> watching(long long from, long long to, long long late = 0) {
  std::vector<Step> steps;
  const long long wait = longestToolWait.count();
  for (long long t = from; t + wait + late <= to; t += wait + late) {
    steps.push_back(waitTo(t + wait));
    steps.push_back(look(t + wait + late, false));
  }
  return steps;
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

ToolClock::time_point ms(long long value) { return ToolClock::time_point(milliseconds(value)); }

// A time point as milliseconds after the start, for a readable failure.
double msOf(ToolClock::time_point at) {
  return std::chrono::duration<double, std::milli>(at.time_since_epoch()).count();
}

TEST(ToolDeadline, CountsOnlyTheTimeTheProgramWatched) {
  struct Case {
    const char* name;
    long long limit = 300;
    std::vector<Step> steps;
    long long deadline;  // where the deadline stands at the end
  };
  const Case cases[] = {
      {.name = "a silent tool fails at its limit",
       .steps = std::vector<Step>{look(0, false)} + watching(0, 250) +
                std::vector<Step>{waitTo(300), look(299, false), waitTo(300), look(300, true)},
       .deadline = 300},
      {.name = "an overslept wait moves the deadline by the oversleep",
       .steps = std::vector<Step>{look(0, false), waitTo(50), look(1050, false)} + watching(1050, 1250) +
                std::vector<Step>{waitTo(1300), look(1299, false), waitTo(1300), look(1300, true)},
       .deadline = 1300},
      {.name = "several oversleeps add up",
       .steps = std::vector<Step>{look(0, false), waitTo(50), look(550, false), waitTo(600), look(1600, false),
                                  waitTo(1650), look(1650, false), waitTo(1700), look(1900, false)} +
                watching(1900, 1950) + std::vector<Step>{waitTo(2000), look(2000, true)},
       .deadline = 2000},
      {.name = "a stop while output is read, without a wait",
       .steps = std::vector<Step>{look(0, false), output(0), output(800), output(810), look(810, false)} +
                watching(810, 1060) + std::vector<Step>{waitTo(1100), look(1100, true)},
       .deadline = 1100},
      {.name = "output keeps arriving after a stop",
       .steps = std::vector<Step>{look(0, false), waitTo(50), output(10050), output(10060), output(10070),
                                  output(10080), look(10080, false)} +
                watching(10080, 10280) + std::vector<Step>{waitTo(10300), output(10290), look(10300, true)},
       .deadline = 10300},
      {.name = "a silent tool fails at its limit of watched time after a stop",
       .steps = std::vector<Step>{look(0, false)} + watching(0, 150) +
                std::vector<Step>{waitTo(200), look(2200, false)} + watching(2200, 2250) +
                std::vector<Step>{waitTo(2300), look(2300, true)},
       .deadline = 2300},
      // The look after the stop is not past the deadline: a tool that ended
      // meanwhile is reaped and its output read, and counts.
      {.name = "a tool that ended while the program was stopped past its limit",
       .steps = {look(0, false), waitTo(50), look(50, false), waitTo(100), look(20100, false)},
       .deadline = 20300},
      // The wait that a stop comes in counts as watched, up to its end.
      {.name = "a stop in the last wait before the deadline",
       .steps = std::vector<Step>{look(0, false)} + watching(0, 250) +
                std::vector<Step>{waitTo(300), look(10300, true)},
       .deadline = 10300},
      {.name = "lateness within the allowance, however often, never extends the limit",
       .limit = 60000,
       .steps = std::vector<Step>{look(0, false)} + watching(0, 60000, lateWakeAllowance.count()) +
                std::vector<Step>{waitTo(60000), look(60000 + lateWakeAllowance.count(), true)},
       .deadline = 60000},
      {.name = "lateness just past the allowance counts whole",
       .steps = {look(0, false), waitTo(50), look(50 + lateWakeAllowance.count() + 1, false)},
       .deadline = 300 + lateWakeAllowance.count() + 1},
  };
  for (const Case& c : cases) {
    ToolDeadline deadline(ms(0), milliseconds(c.limit));
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      const std::string where = std::string(c.name) + ", step " + std::to_string(i);
      switch (step.kind) {
        case Step::Kind::look: {
          const bool passed = deadline.passedAt(ms(step.at));
          if (step.passed) {
            EXPECT_EQ(passed, *step.passed) << where << " (a look at " << step.at << " ms)";
          }
          break;
        }
        case Step::Kind::output:
          deadline.outputAt(ms(step.at));
          break;
        case Step::Kind::wait:
          EXPECT_EQ(msOf(deadline.waitUntil()), step.at) << where << " (the end of a wait)";
          break;
      }
    }
    EXPECT_EQ(msOf(deadline.deadline()), c.deadline) << c.name << " (the deadline at the end)";
  }
}

}  // namespace
