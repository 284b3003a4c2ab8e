// <fcntl.h> as a Mac has it: glibc's, less the calls macOS lacks. macOS has
// no posix_fadvise or posix_fallocate (its fcntl(2) man page offers
// F_RDADVISE and F_PREALLOCATE instead), so their advice macros are gone and
// a call is an error, as on a Mac.
#include_next <fcntl.h>

#ifndef ASSISTANT_MAC_FCNTL_H
#define ASSISTANT_MAC_FCNTL_H

#undef POSIX_FADV_NORMAL
#undef POSIX_FADV_RANDOM
#undef POSIX_FADV_SEQUENTIAL
#undef POSIX_FADV_WILLNEED
#undef POSIX_FADV_DONTNEED
#undef POSIX_FADV_NOREUSE

#ifdef __cplusplus
extern "C" {
#endif
int posix_fadvise(int, off_t, off_t, int) __THROW __attribute__((unavailable("not on macOS")));
int posix_fallocate(int, off_t, off_t) __attribute__((unavailable("not on macOS")));
#ifdef __cplusplus
}
#endif

#endif
