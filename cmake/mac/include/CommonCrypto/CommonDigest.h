// Stand-in for Apple's <CommonCrypto/CommonDigest.h>: the SHA-256 calls the
// program uses, as Apple documents them in the CC_SHA(3cc) man page.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t CC_LONG;

#define CC_SHA256_DIGEST_LENGTH 32
#define CC_SHA256_BLOCK_BYTES 64

// The context's fields are Apple's business; only its size matters to a
// caller that keeps one on the stack.
typedef struct CC_SHA256state_st {
  CC_LONG opaque[26];
} CC_SHA256_CTX;

int CC_SHA256_Init(CC_SHA256_CTX* c);
int CC_SHA256_Update(CC_SHA256_CTX* c, const void* data, CC_LONG len);
int CC_SHA256_Final(unsigned char* md, CC_SHA256_CTX* c);
unsigned char* CC_SHA256(const void* data, CC_LONG len, unsigned char* md);

#ifdef __cplusplus
}
#endif
