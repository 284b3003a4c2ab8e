#include "ui/localized_text.h"

#include "ui/language_order.h"

#import <Foundation/Foundation.h>

namespace orventa {

namespace {

NSString* keyString(std::string_view key) {
  return [[[NSString alloc] initWithBytes:key.data() length:key.size() encoding:NSUTF8StringEncoding] autorelease];
}

std::string utf8(NSString* text, std::string_view fallback) {
  const char* bytes = text != nil ? [text UTF8String] : nullptr;
  return bytes != nullptr ? std::string(bytes) : std::string(fallback);
}

}  // namespace

std::string localizedText(std::string_view key) {
  // Also called before any application object exists (the terminal, the
  // start record), where no pool would catch the autoreleased strings.
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  // The bundle reads its table at the first lookup, in the order set here.
  static const bool ordered = (useTableLanguageOrder(), true);
  (void)ordered;
  NSString* text = [[NSBundle mainBundle] localizedStringForKey:keyString(key) value:nil table:nil];
  std::string result = utf8(text, key);
  [pool drain];
  return result;
}

std::string developmentText(std::string_view key) {
  // The bundle's lookup goes by the user's language; the English table is
  // read as the dictionary it is, once: the record asks it for every title
  // and button it names. Kept for the program's life.
  static NSDictionary* table = nil;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  if (table == nil) {
    NSString* path = [[NSBundle mainBundle] pathForResource:@"Localizable"
                                                     ofType:@"strings"
                                                inDirectory:nil
                                            forLocalization:@"en"];
    if (path != nil) table = [[NSDictionary alloc] initWithContentsOfFile:path];
  }
  id text = table != nil ? [table objectForKey:keyString(key)] : nil;
  std::string result = utf8([text isKindOfClass:[NSString class]] ? (NSString*)text : nil, key);
  [pool drain];
  return result;
}

}  // namespace orventa
