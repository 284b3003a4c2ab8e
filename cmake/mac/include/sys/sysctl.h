// <sys/sysctl.h> as a Mac has it, for what the program uses: sysctlbyname().
// Written from Apple's sysctl(3) man page; glibc no longer has the header.
#ifndef ASSISTANT_MAC_SYS_SYSCTL_H
#define ASSISTANT_MAC_SYS_SYSCTL_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

int sysctlbyname(const char* name, void* oldp, size_t* oldlenp, void* newp, size_t newlen);

#ifdef __cplusplus
}
#endif

#endif
