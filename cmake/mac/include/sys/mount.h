// <sys/mount.h> as a Mac has it, for what the program uses: struct statfs
// in its 64-bit form (the only one on arm64, the default on x86_64 since
// macOS 10.6) and fstatfs(). Written from Apple's statfs(2) man page; glibc's
// <sys/mount.h> (mount(2)) is Linux's and stays out of the Mac build.
#ifndef ASSISTANT_MAC_SYS_MOUNT_H
#define ASSISTANT_MAC_SYS_MOUNT_H

#include <stdint.h>
#include <sys/types.h>

#define MFSTYPENAMELEN 16

#ifdef __cplusplus
extern "C" {
#endif

struct statfs {
  uint32_t f_bsize;   // fundamental file system block size
  int32_t f_iosize;   // optimal transfer block size
  uint64_t f_blocks;  // total data blocks in file system
  uint64_t f_bfree;   // free blocks in fs
  uint64_t f_bavail;  // free blocks avail to non-superuser
  uint64_t f_files;   // total file nodes in file system
  uint64_t f_ffree;   // free file nodes in fs
  struct {
    int32_t val[2];
  } f_fsid;                             // file system id
  uid_t f_owner;                        // user that mounted the filesystem
  uint32_t f_type;                      // type of filesystem
  uint32_t f_flags;                     // copy of mount exported flags
  uint32_t f_fssubtype;                 // fs sub-type (flavor)
  char f_fstypename[MFSTYPENAMELEN];    // fs type name
  char f_mntonname[1024];               // directory on which mounted (MAXPATHLEN)
  char f_mntfromname[1024];             // mounted filesystem
  uint32_t f_flags_ext;                 // extended flags
  uint32_t f_reserved[7];               // for future use
};

int statfs(const char* path, struct statfs* buf);
int fstatfs(int fd, struct statfs* buf);

#ifdef __cplusplus
}
#endif

#endif
