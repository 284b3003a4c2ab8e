// <sys/sysinfo.h> is Linux's own; macOS has no such header (sysctl(3) instead).
#error "<sys/sysinfo.h> is Linux-only; macOS has no such header"
