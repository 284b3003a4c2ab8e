// <sys/signalfd.h> is Linux's own; macOS has no such header (kqueue(2)'s EVFILT_SIGNAL instead).
#error "<sys/signalfd.h> is Linux-only; macOS has no such header"
