// <sys/mman.h> as a Mac has it: glibc's, less the Linux-only madvise(2)
// advice. macOS's madvise(2) man page lists MADV_NORMAL, MADV_RANDOM,
// MADV_SEQUENTIAL, MADV_WILLNEED, MADV_DONTNEED, MADV_FREE and Apple's own;
// code that tests for the others with #ifdef then takes its Mac branch.
#include_next <sys/mman.h>

#undef MADV_REMOVE
#undef MADV_DONTFORK
#undef MADV_DOFORK
#undef MADV_MERGEABLE
#undef MADV_UNMERGEABLE
#undef MADV_HUGEPAGE
#undef MADV_NOHUGEPAGE
#undef MADV_DONTDUMP
#undef MADV_DODUMP
#undef MADV_WIPEONFORK
#undef MADV_KEEPONFORK
#undef MADV_COLD
#undef MADV_PAGEOUT
#undef MADV_POPULATE_READ
#undef MADV_POPULATE_WRITE
#undef MADV_HWPOISON
