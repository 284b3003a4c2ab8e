#pragma once

#include <utility>

namespace orventa {

/// Owns one open file descriptor and closes it when it goes: -1 owns none.
/// Move-only. The close on destruction ignores errors; where a close can
/// report a failed write, release() the descriptor and close it yourself.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) noexcept : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.release();
    }
    return *this;
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { reset(); }

  int get() const noexcept { return fd_; }
  bool isOpen() const noexcept { return fd_ >= 0; }
  /// Hands the descriptor over without closing it.
  int release() noexcept { return std::exchange(fd_, -1); }
  /// Closes the descriptor now, if one is owned.
  void reset() noexcept;

 private:
  int fd_;
};

}  // namespace orventa
