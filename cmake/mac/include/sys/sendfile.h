// <sys/sendfile.h> is Linux's own; macOS has no such header (sendfile(2) is declared in <sys/socket.h>).
#error "<sys/sendfile.h> is Linux-only; macOS has no such header"
