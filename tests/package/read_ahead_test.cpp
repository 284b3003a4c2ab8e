// The read-ahead behind the file read: every chunk in order on the calling
// thread, never more than the ring's buffers ahead, and both sides' failures
// reaching the caller with the helper thread gone.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "package/read_ahead.h"

namespace {

unsigned char byteAt(std::size_t position) { return static_cast<unsigned char>((position * 131 + position / 251) & 0xff); }

// A stream of `length` numbered bytes given in pieces of the sizes in
// `pieces`, in turn, cut to the buffer and to what is left; `failingCall`
// (counted from 0) throws a read error instead. It checks that it is called
// on one thread, never the caller's, and never more than `bufferCount`
// chunks ahead of `consumed`.
struct FakeSource {
  std::size_t length = 0;
  std::vector<std::size_t> pieces{1};
  std::size_t bufferCount = 1;
  std::size_t failingCall = SIZE_MAX;
  const std::atomic<std::size_t>* consumed = nullptr;

  std::size_t given = 0;
  std::atomic<std::size_t> calls{0};
  std::atomic<bool> aheadTooFar{false};
  std::atomic<bool> onCallersThread{false};
  std::thread::id caller = std::this_thread::get_id();

  ChunkSource source() {
    return [this](std::span<unsigned char> buffer) -> std::size_t {
      const std::size_t call = calls++;
      if (std::this_thread::get_id() == caller) onCallersThread = true;
      // Chunk `call` may be read once chunk `call - bufferCount` is consumed.
      if (call >= *consumed + bufferCount) aheadTooFar = true;
      if (call == failingCall) throw std::system_error(EIO, std::generic_category(), "Cannot read the fake");
      std::size_t size = std::min({pieces[call % pieces.size()], buffer.size(), length - given});
      for (std::size_t i = 0; i < size; ++i) buffer[i] = byteAt(given + i);
      given += size;
      return size;
    };
  }
};

std::size_t threadsOfThisProcess() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

TEST(ReadAhead, GivesEveryChunkInOrderOnTheCallingThread) {
  struct Case {
    const char* name;
    std::size_t length;
    std::vector<std::size_t> pieces;
    std::size_t bufferSize;
    std::size_t bufferCount;
  };
  const Case cases[] = {
      {"empty stream", 0, {8}, 8, 2},
      {"one buffer, full pieces", 1000, {8}, 8, 1},
      {"pieces larger than the buffer are cut", 1000, {100}, 7, 3},
      {"short pieces of varying size", 5000, {1, 16, 5, 3}, 16, 4},
      {"more buffers than chunks", 20, {10}, 10, 8},
  };
  for (const Case& test : cases) {
    std::atomic<std::size_t> consumed{0};
    FakeSource fake{test.length, test.pieces, test.bufferCount, SIZE_MAX, &consumed};
    std::vector<unsigned char> got;
    bool largerThanBuffer = false;
    bool offCallersThread = false;
    readAhead(
        fake.source(),
        [&](std::span<const unsigned char> chunk) {
          if (chunk.empty() || chunk.size() > test.bufferSize) largerThanBuffer = true;
          if (std::this_thread::get_id() != fake.caller) offCallersThread = true;
          got.insert(got.end(), chunk.begin(), chunk.end());
          // Slow enough now and then that the reader catches up and waits.
          if (consumed % 3 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
          ++consumed;
        },
        test.bufferSize, test.bufferCount);

    std::vector<unsigned char> expected(test.length);
    for (std::size_t i = 0; i < test.length; ++i) expected[i] = byteAt(i);
    EXPECT_EQ(got, expected) << test.name;
    EXPECT_FALSE(largerThanBuffer) << test.name << ": an empty chunk or one larger than the buffer";
    EXPECT_FALSE(offCallersThread) << test.name << ": consumed on another thread";
    EXPECT_FALSE(fake.onCallersThread) << test.name << ": read on the calling thread";
    EXPECT_FALSE(fake.aheadTooFar) << test.name << ": read more than the buffers hold";
  }
}

// A read error on the helper thread reaches the caller as the same
// exception, after the chunks read before it; a consumer's exception stops
// the reads. Either way nothing hangs, even with the reader waiting for a
// free buffer, and no thread is left behind.
TEST(ReadAhead, FailuresOnEitherSideReachTheCallerAndEndTheReader) {
  const std::size_t threadsBefore = threadsOfThisProcess();
  for (std::size_t bufferCount : {1, 3}) {
    const std::string name = std::to_string(bufferCount) + " buffers";
    {
      std::atomic<std::size_t> consumed{0};
      FakeSource fake{1 << 20, {4}, bufferCount, 5, &consumed};
      try {
        readAhead(fake.source(), [&](std::span<const unsigned char>) { ++consumed; }, 4, bufferCount);
        ADD_FAILURE() << name << ": the read error was lost";
      } catch (const std::system_error& failure) {
        EXPECT_EQ(failure.code(), std::error_code(EIO, std::generic_category())) << name;
        EXPECT_EQ(std::string(failure.what()), "Cannot read the fake: " + std::generic_category().message(EIO))
            << name;
      }
      EXPECT_EQ(consumed, 5u) << name << ": every chunk read before the error is consumed";
      EXPECT_EQ(fake.calls, 6u) << name;
    }
    {
      // An endless stream: only the consumer's exception can end it.
      std::atomic<std::size_t> consumed{0};
      FakeSource fake{SIZE_MAX, {4}, bufferCount, SIZE_MAX, &consumed};
      try {
        readAhead(
            fake.source(),
            [&](std::span<const unsigned char>) {
              // Gives the reader time to fill every buffer and wait.
              std::this_thread::sleep_for(std::chrono::milliseconds(2));
              if (consumed == 2) throw std::runtime_error("Cannot write the copy");
              ++consumed;
            },
            4, bufferCount);
        ADD_FAILURE() << name << ": the consumer's error was lost";
      } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(), "Cannot write the copy") << name;
      }
      const std::size_t callsAtReturn = fake.calls;
      EXPECT_LE(callsAtReturn, 2 + bufferCount) << name;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_EQ(fake.calls, callsAtReturn) << name << ": read on after the call returned";
      EXPECT_FALSE(fake.aheadTooFar) << name;
    }
    EXPECT_EQ(threadsOfThisProcess(), threadsBefore) << name << ": a thread outlived the call";
  }
}

}  // namespace
