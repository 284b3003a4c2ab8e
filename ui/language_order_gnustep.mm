#include "ui/language_order.h"

#include <cstdlib>

#import <Foundation/Foundation.h>

namespace orventa {

namespace {

// NSLanguages as the user set it: on the command line or in the defaults.
// GNUstep's own value, made from LANGUAGE, sits in a domain of its own.
bool userSetLanguages(NSUserDefaults* defaults) {
  NSString* key = @"NSLanguages";
  return [[defaults volatileDomainForName:NSArgumentDomain] objectForKey:key] != nil ||
         [[defaults persistentDomainForName:NSGlobalDomain] objectForKey:key] != nil ||
         [[defaults persistentDomainForName:[[NSProcessInfo processInfo] processName]] objectForKey:key] != nil;
}

}  // namespace

void useTableLanguageOrder() {
  const char* variable = std::getenv("LANGUAGE");
  if (variable == nullptr || *variable == '\0') return;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  if (!userSetLanguages([NSUserDefaults standardUserDefaults])) {
    NSMutableArray* languages = [NSMutableArray array];
    for (const std::string& folder : tableLanguageOrder(variable))
      [languages addObject:[NSString stringWithUTF8String:folder.c_str()]];
    // Kept for this process only: nothing is written to the user's defaults.
    if ([languages count] > 0) [NSUserDefaults setUserLanguages:languages];
  }
  [pool drain];
}

}  // namespace orventa
