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

#endif
