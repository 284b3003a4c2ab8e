#import <Foundation/Foundation.h>

#include "package/bundle_resource.h"

namespace orventa {

std::optional<std::string> mainBundleResourcePath(const std::string& name, const std::string& extension) {
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  std::optional<std::string> path;
  NSURL* url = [[NSBundle mainBundle] URLForResource:[NSString stringWithUTF8String:name.c_str()]
                                       withExtension:[NSString stringWithUTF8String:extension.c_str()]];
  if (url != nil && [url isFileURL]) {
    // The path in the file system's own encoding: what open() and the
    // system tools are given.
    const char* text = [[url path] fileSystemRepresentation];
    if (text != NULL) path = std::string(text);
  }
  [pool drain];
  return path;
}

}  // namespace orventa
