// <sys/inotify.h> is Linux's own; macOS has no such header (FSEvents or kqueue(2)'s EVFILT_VNODE instead).
#error "<sys/inotify.h> is Linux-only; macOS has no such header"
