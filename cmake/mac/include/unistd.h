// <unistd.h> as a Mac has it: glibc's, plus the Darwin confstr(3) names
// (values from Apple's <unistd.h>; confstr(3): "_CS_DARWIN_USER_TEMP_DIR
// Provides the path to a user's temporary items directory").
#include_next <unistd.h>

#ifndef ASSISTANT_MAC_UNISTD_H
#define ASSISTANT_MAC_UNISTD_H

#define _CS_DARWIN_USER_DIR 65536
#define _CS_DARWIN_USER_TEMP_DIR 65537
#define _CS_DARWIN_USER_CACHE_DIR 65538

#endif
