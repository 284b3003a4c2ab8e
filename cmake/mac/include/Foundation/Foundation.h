// Foundation as the Mac build sees it here: GNUstep's Foundation, plus the
// Cocoa declarations the program uses that GNUstep lacks. Add to it when the
// Mac layer calls something new that GNUstep does not declare.
#include_next <Foundation/Foundation.h>

#ifndef ASSISTANT_FOUNDATION_ADDITIONS
#define ASSISTANT_FOUNDATION_ADDITIONS

// Foundation, "NSOperatingSystemVersion" (macOS 10.10+), Apple Developer Documentation
typedef struct {
  NSInteger majorVersion;
  NSInteger minorVersion;
  NSInteger patchVersion;
} NSOperatingSystemVersion;

@interface NSProcessInfo (CocoaAdditions)
// NSProcessInfo, "operatingSystemVersion" (macOS 10.10+), Apple Developer Documentation
- (NSOperatingSystemVersion)operatingSystemVersion;
@end

#endif
