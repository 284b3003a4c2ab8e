#include "package/read_ahead.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// The buffers and the hand-over between the two threads. Chunk n (counted
// from 0) goes into buffer n % count. The reader may fill chunk n once
// n - consumed < count; the consumer may take chunk n once n < filled, or
// finish once the reader has ended and every filled chunk was taken.
class Ring {
 public:
  Ring(std::size_t bufferSize, std::size_t bufferCount)
      : bufferSize_(bufferSize),
        count_(bufferCount),
        // Left uninitialised: the source fills what is used.
        storage_(new unsigned char[bufferSize * bufferCount]),
        sizes_(bufferCount) {}

  // The helper thread's whole work; it catches everything, since an
  // exception leaving a thread ends the process.
  void fill(const ChunkSource& source) noexcept {
    try {
      for (std::size_t chunk = 0;; ++chunk) {
        {
          std::unique_lock lock(mutex_);
          freed_.wait(lock, [&] { return stopped_ || chunk - consumed_ < count_; });
          if (stopped_) return;
        }
        // Outside the lock: the consumer never touches this buffer until
        // `filled_` counts it.
        const std::size_t size = source(buffer(chunk));
        const std::lock_guard lock(mutex_);
        if (size == 0) {
          ended_ = true;
        } else {
          sizes_[chunk % count_] = size;
          filled_ = chunk + 1;
        }
        filledOne_.notify_one();
        if (ended_) return;
      }
    } catch (...) {
      const std::lock_guard lock(mutex_);
      failure_ = std::current_exception();
      ended_ = true;
      filledOne_.notify_one();
    }
  }

  // The calling thread: every filled chunk in order, then the reader's
  // failure, if any.
  void drain(const ChunkConsumer& consume) {
    for (std::size_t chunk = 0;; ++chunk) {
      std::size_t size = 0;
      {
        std::unique_lock lock(mutex_);
        filledOne_.wait(lock, [&] { return chunk < filled_ || ended_; });
        if (chunk == filled_) {
          if (failure_) std::rethrow_exception(failure_);
          return;
        }
        size = sizes_[chunk % count_];
      }
      consume(buffer(chunk).first(size));
      const std::lock_guard lock(mutex_);
      consumed_ = chunk + 1;
      freed_.notify_one();
    }
  }

  // Lets a reader that waits for a free buffer return at once.
  void stop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    freed_.notify_one();
  }

 private:
  std::span<unsigned char> buffer(std::size_t chunk) {
    return {storage_.get() + (chunk % count_) * bufferSize_, bufferSize_};
  }

  const std::size_t bufferSize_;
  const std::size_t count_;
  const std::unique_ptr<unsigned char[]> storage_;
  std::mutex mutex_;
  std::condition_variable filledOne_;
  std::condition_variable freed_;
  std::vector<std::size_t> sizes_;  // of the filled chunks, by buffer
  std::size_t filled_ = 0;          // chunks filled
  std::size_t consumed_ = 0;        // chunks consumed
  bool ended_ = false;              // the reader is done: end or failure
  bool stopped_ = false;            // the consumer is done: read no more
  std::exception_ptr failure_;
};

// Stops and joins the reader on every way out of readAhead(), the
// consumer's exceptions included.
class JoinedReader {
 public:
  JoinedReader(Ring& ring, const ChunkSource& source) : ring_(ring), thread_(&Ring::fill, &ring, std::cref(source)) {}
  JoinedReader(const JoinedReader&) = delete;
  JoinedReader& operator=(const JoinedReader&) = delete;
  ~JoinedReader() {
    ring_.stop();
    thread_.join();
  }

 private:
  Ring& ring_;
  std::thread thread_;
};

}  // namespace

void readAhead(const ChunkSource& source, const ChunkConsumer& consume, std::size_t bufferSize,
               std::size_t bufferCount) {
  Ring ring(bufferSize, bufferCount);
  const JoinedReader reader(ring, source);
  ring.drain(consume);
}
