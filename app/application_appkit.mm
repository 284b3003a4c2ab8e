#include "app/application.h"
#include "ui/alert.h"

#import <AppKit/AppKit.h>

namespace orventa {
namespace {
// The delegate has no fields: the action to run once launching has finished
// is handed over through this file-level slot, set just before the event loop
// starts and read only on the main thread.
std::function<void()>* launchAction = nullptr;
}  // namespace
}  // namespace orventa

@interface AppDelegate : NSObject <NSApplicationDelegate>
@end

@implementation AppDelegate
- (void)applicationDidFinishLaunching:(NSNotification*)notification {
  (void)notification;
  if (orventa::launchAction != nullptr && *orventa::launchAction) (*orventa::launchAction)();
  [NSApp terminate:nil];
}

#ifdef GNUSTEP
// GNUstep takes every command-line argument that is not an option as a
// document to open while launching, and with nobody to open it shows an
// alert that holds the launch up. The assistant ignores its arguments, so it
// accepts such requests and does nothing with them.
- (BOOL)application:(NSApplication*)application openFile:(NSString*)path {
  (void)application;
  (void)path;
  return YES;
}
#endif
@end

namespace orventa {

int runApplication(std::function<void()> whenLaunched) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  launchAction = &whenLaunched;

#ifdef GNUSTEP
  // GNUstep puts an application icon window on screen by default; the
  // assistant has no windows of its own besides its alerts. The registration
  // domain is volatile, so nothing is written to the user's defaults.
  NSDictionary* quiet = [NSDictionary dictionaryWithObject:@"YES" forKey:@"GSSuppressAppIcon"];
  [[NSUserDefaults standardUserDefaults] registerDefaults:quiet];
#endif
  orventa::prepareAlertFonts();

  NSApplication* application = [NSApplication sharedApplication];
  AppDelegate* delegate = [[AppDelegate alloc] init];
#ifndef GNUSTEP
  // GNUstep's application object has no activation policy; its applications
  // are always regular foreground applications.
  [application setActivationPolicy:NSApplicationActivationPolicyRegular];
#endif
  [application setDelegate:delegate];
  [application run];

  // Only reached should the event loop ever return.
  [application setDelegate:nil];
  [delegate release];
  launchAction = nullptr;
  [pool drain];
  return 0;
}

}  // namespace orventa
