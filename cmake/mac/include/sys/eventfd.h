// <sys/eventfd.h> is Linux's own; macOS has no such header (a pipe or kqueue(2) instead).
#error "<sys/eventfd.h> is Linux-only; macOS has no such header"
