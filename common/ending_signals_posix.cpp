#include "common/ending_signals.h"

namespace orventa {

void catchEndingSignals(void (*handler)(int), EndingSignalHandling& saved) noexcept {
  struct sigaction catching {};
  catching.sa_handler = handler;
  catching.sa_mask = endingSignalSet();
  catching.sa_flags = 0;  // no SA_RESTART: a wait wakes up at once
  for (std::size_t i = 0; i < std::size(endingSignals); ++i) {
    saved.caught[i] = false;
    if (::sigaction(endingSignals[i], nullptr, &saved.previous[i]) != 0) continue;
    if (ignores(saved.previous[i])) continue;
    saved.caught[i] = ::sigaction(endingSignals[i], &catching, nullptr) == 0;
  }
}

void restoreEndingSignals(const EndingSignalHandling& saved) noexcept {
  for (std::size_t i = 0; i < std::size(endingSignals); ++i)
    if (saved.caught[i]) ::sigaction(endingSignals[i], &saved.previous[i], nullptr);
}

}  // namespace orventa
