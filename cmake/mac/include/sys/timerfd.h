// <sys/timerfd.h> is Linux's own; macOS has no such header (kqueue(2)'s EVFILT_TIMER instead).
#error "<sys/timerfd.h> is Linux-only; macOS has no such header"
