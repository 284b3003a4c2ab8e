#include "ui/os_version.h"

#import <Foundation/Foundation.h>

namespace orventa {

std::string operatingSystemVersionText() {
  // Called before any application object exists in terminal mode, where no
  // pool would catch the autoreleased string.
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSString* version = [[NSProcessInfo processInfo] operatingSystemVersionString];
  const char* utf8 = version != nil ? [version UTF8String] : nullptr;
  std::string text = utf8 != nullptr ? utf8 : "";
  [pool drain];
  return text;
}

}  // namespace orventa
