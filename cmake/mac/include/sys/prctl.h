// <sys/prctl.h> is Linux's own; macOS has no such header (nothing like prctl(2)).
#error "<sys/prctl.h> is Linux-only; macOS has no such header"
