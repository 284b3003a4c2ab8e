#include <gtest/gtest.h>

#include <sysexits.h>

#include <optional>
#include <string>

#include "app/driver_state_report.h"

using namespace orventa;

namespace {

struct Written {
  std::string output;
  std::string error;
};

int report(const DriverStateReading& reading, Written& written, bool outputWritable = true) {
  DriverStateReportOperations operations;
  operations.read = [&reading] { return reading; };
  operations.writeOutput = [&written, outputWritable](std::string_view bytes) {
    if (outputWritable) written.output += bytes;
    return outputWritable;
  };
  operations.writeError = [&written](std::string_view bytes) { written.error += bytes; };
  return reportDriverState(operations);
}

TEST(DriverStateReport, OneWordAndItsStatus) {
  struct Case {
    const char* name;
    DriverStateReading reading;
    std::string output;
    std::string error = {};
    int status;
  };
  const std::string failure = "/usr/bin/systemextensionsctl did not finish within 60 seconds.";
  // Built in steps: GCC 12 takes an optional filled inside an aggregate
  // initializer for one that may be read uninitialized.
  const auto failed = [&failure](DriverState state) {
    DriverStateReading reading;
    reading.state = state;
    reading.failure = failure;
    return reading;
  };
  const Case cases[] = {
      {.name = "enabled", .reading = {.state = DriverState::enabled, .failure = std::nullopt}, .output = "enabled\n", .status = 0},
      {.name = "waiting for approval",
       .reading = {.state = DriverState::installedNotEnabled, .failure = std::nullopt},
       .output = "installedNotEnabled\n",
       .status = 1},
      {.name = "missing", .reading = {.state = DriverState::notInstalled, .failure = std::nullopt}, .output = "notInstalled\n", .status = 2},
      // A failed run is never read as a state, whatever state it folds to.
      {.name = "a failed run",
       .reading = failed(DriverState::notInstalled),
       .output = "unknown\n",
       .error = failure + "\n",
       .status = 3},
      {.name = "a failed run beside a receipt",
       .reading = failed(DriverState::installedNotEnabled),
       .output = "unknown\n",
       .error = failure + "\n",
       .status = 3},
  };
  for (const Case& c : cases) {
    Written written;
    EXPECT_EQ(report(c.reading, written), c.status) << c.name;
    EXPECT_EQ(written.output, c.output) << c.name;
    EXPECT_EQ(written.error, c.error) << c.name;
  }
}

TEST(DriverStateReport, AnAnswerThatCannotBeWrittenIsAFailure) {
  for (const DriverState state : {DriverState::enabled, DriverState::notInstalled}) {
    Written written;
    EXPECT_EQ(report({.state = state, .failure = std::nullopt}, written, false), EX_IOERR);
  }
}

}  // namespace
