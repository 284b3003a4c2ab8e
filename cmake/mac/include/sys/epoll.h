// <sys/epoll.h> is Linux's own; macOS has no such header (kqueue(2) instead).
#error "<sys/epoll.h> is Linux-only; macOS has no such header"
