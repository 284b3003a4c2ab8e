// Stand-in for Apple's <spawn.h>: the posix_spawn interface as macOS offers
// it, including Apple's extensions, and none of glibc's (so a glibc-only call
// such as posix_spawn_file_actions_addclosefrom_np is reported). Apple
// documents it in the man pages posix_spawn(2), posix_spawn_file_actions_*(3)
// and posix_spawnattr_*(3).
#pragma once

#include <bits/types/sigset_t.h>
#include <sys/types.h>

#ifdef __cplusplus
extern "C" {
#endif

// Opaque on a Mac; only their addresses are ever passed.
typedef void* posix_spawnattr_t;
typedef void* posix_spawn_file_actions_t;

// posix_spawnattr_setflags(3)
#define POSIX_SPAWN_RESETIDS 0x0001
#define POSIX_SPAWN_SETPGROUP 0x0002
#define POSIX_SPAWN_SETSIGDEF 0x0004
#define POSIX_SPAWN_SETSIGMASK 0x0008
#define POSIX_SPAWN_SETEXEC 0x0040
#define POSIX_SPAWN_START_SUSPENDED 0x0080
#define POSIX_SPAWN_CLOEXEC_DEFAULT 0x4000

// posix_spawn(2)
int posix_spawn(pid_t* __restrict pid, const char* __restrict path,
                const posix_spawn_file_actions_t* file_actions,
                const posix_spawnattr_t* __restrict attrp, char* const argv[],
                char* const envp[]);
int posix_spawnp(pid_t* __restrict pid, const char* __restrict file,
                 const posix_spawn_file_actions_t* file_actions,
                 const posix_spawnattr_t* __restrict attrp, char* const argv[],
                 char* const envp[]);

// posix_spawn_file_actions_init(3)
int posix_spawn_file_actions_init(posix_spawn_file_actions_t* file_actions);
int posix_spawn_file_actions_destroy(posix_spawn_file_actions_t* file_actions);
// posix_spawn_file_actions_addclose(3), which also documents addinherit_np
int posix_spawn_file_actions_addclose(posix_spawn_file_actions_t* file_actions, int filedes);
int posix_spawn_file_actions_adddup2(posix_spawn_file_actions_t* file_actions, int filedes,
                                     int newfiledes);
int posix_spawn_file_actions_addopen(posix_spawn_file_actions_t* __restrict file_actions,
                                     int filedes, const char* __restrict path, int oflag,
                                     mode_t mode);
int posix_spawn_file_actions_addinherit_np(posix_spawn_file_actions_t* file_actions,
                                           int filedes);

// posix_spawnattr_init(3)
int posix_spawnattr_init(posix_spawnattr_t* attr);
int posix_spawnattr_destroy(posix_spawnattr_t* attr);
// posix_spawnattr_setflags(3)
int posix_spawnattr_setflags(posix_spawnattr_t* attr, short flags);
int posix_spawnattr_getflags(const posix_spawnattr_t* __restrict attr, short* __restrict flags);
// posix_spawnattr_setsigdefault(3)
int posix_spawnattr_setsigdefault(posix_spawnattr_t* __restrict attr,
                                  const sigset_t* __restrict sigdefault);
int posix_spawnattr_getsigdefault(const posix_spawnattr_t* __restrict attr,
                                  sigset_t* __restrict sigdefault);
// posix_spawnattr_setsigmask(3)
int posix_spawnattr_setsigmask(posix_spawnattr_t* __restrict attr,
                               const sigset_t* __restrict sigmask);
int posix_spawnattr_getsigmask(const posix_spawnattr_t* __restrict attr,
                               sigset_t* __restrict sigmask);
// posix_spawnattr_setpgroup(3)
int posix_spawnattr_setpgroup(posix_spawnattr_t* attr, pid_t pgroup);
int posix_spawnattr_getpgroup(const posix_spawnattr_t* __restrict attr, pid_t* __restrict pgroup);

#ifdef __cplusplus
}
#endif
