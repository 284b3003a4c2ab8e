// <errno.h> as a Mac has it: glibc's, plus the BSD error numbers macOS has
// and glibc lacks, with Apple's values from the intro(2) man page, so code
// that tests for them with #ifdef takes its Mac branch.
#include_next <errno.h>

#ifndef EFTYPE
#define EFTYPE 79  // Inappropriate file type or format
#endif
