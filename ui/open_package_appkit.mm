#include "ui/open_package.h"

#import <AppKit/AppKit.h>

namespace orventa {

bool openPackage(const std::string& path, const ToolRunner& runner) {
  (void)runner;  // NSWorkspace opens it; no tool runs
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSString* filePath = [NSString stringWithUTF8String:path.c_str()];
  // A file URL, so the Installer gets the package itself.
  const BOOL opened = filePath != nil && [[NSWorkspace sharedWorkspace] openURL:[NSURL fileURLWithPath:filePath]];
  [pool drain];
  return opened == YES;
}

}  // namespace orventa
