// AppKit as the Mac build sees it here: GNUstep's AppKit, plus the Cocoa
// methods the program calls that GNUstep lacks. Add to it when the Mac layer
// calls something new that GNUstep does not declare.
#include_next <AppKit/AppKit.h>

#ifndef ASSISTANT_COCOA_ADDITIONS
#define ASSISTANT_COCOA_ADDITIONS

// GNUstep declares NSApplicationActivationPolicy and its values (in
// NSRunningApplication.h) but not the setter on NSApplication.
@interface NSApplication (CocoaAdditions)
// NSApplication, "setActivationPolicy:" (macOS 10.6+), Apple Developer Documentation
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)activationPolicy;
@end

// Methods newer than the deployment target carry their availability, as in
// Apple's headers: a call the compiler cannot see guarded fails the check
// (-Wunguarded-availability-new under -Werror).
@interface NSApplication (CocoaAdditionsMacOS14)
// NSApplication, "activate" (macOS 14.0+), Apple Developer Documentation:
// activation became a request the system may decline.
- (void)activate __attribute__((availability(macos, introduced = 14.0)));
@end

#endif
