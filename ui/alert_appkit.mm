#include "ui/alert.h"

#import <AppKit/AppKit.h>

#include "common/utf8_repair.h"
#include "ui/localized_text.h"

namespace orventa {

namespace {

// stringWithUTF8String: answers nil for ill-formed UTF-8, and an error text
// can carry a file name in any bytes; repaired text always converts.
NSString* text(const std::string& value) {
  return [NSString stringWithUTF8String:repairedUTF8(value).c_str()];
}

// From macOS 14 activation is a request the system may decline, made with
// -activate; -activateIgnoringOtherApps: is deprecated there. Earlier
// systems, and GNUstep, have only the older call. Sent by selector, as no
// @available check compiles with GCC.
void activateApplication() {
  if ([NSApp respondsToSelector:@selector(activate)]) {
    [NSApp performSelector:@selector(activate)];
  } else {
    [NSApp activateIgnoringOtherApps:YES];
  }
}


}  // namespace

void prepareAlertFonts() {
#ifdef GNUSTEP
  // GNUstep's cairo back end draws a character its font lacks as "?" (it
  // finds another font for some scripts, not for all), and its default font,
  // DejaVu Sans, has Latin, Greek, Cyrillic, Hebrew and Arabic but no
  // Devanagari, Thai, Chinese, Japanese or Korean. For those languages the
  // alerts take a font that covers the script as well as Latin (scripts/setup
  // installs each; without it the back end takes the closest font it has).
  // Keyed by the table's own `language`. Set before the application object
  // exists, which fixes the fonts it uses; registered defaults are not
  // stored, and the user's own font settings still win.
  static constexpr struct {
    const char* language;
    const char* font;
  } fontsByLanguage[] = {
      {"hi", "FreeSans"},                // Devanagari
      {"th", "Loma"},                    // Thai
      {"ja", "WenQuanYiMicroHei"},       // kana and kanji
      {"ko", "WenQuanYiMicroHei"},       // Hangul
      {"zh-Hans", "WenQuanYiMicroHei"},  // simplified characters
      {"zh-Hant", "WenQuanYiMicroHei"},  // traditional characters
      {"zh-HK", "WenQuanYiMicroHei"},
  };
  const std::string language = localizedText("language");
  const char* name = nullptr;
  for (const auto& entry : fontsByLanguage)
    if (language == entry.language) name = entry.font;
  if (name == nullptr) return;
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  NSString* font = [NSString stringWithUTF8String:name];
  // The headline, the message and the buttons each read a key of their own.
  NSDictionary* fonts = [NSDictionary dictionaryWithObjectsAndKeys:font, @"NSFont", font, @"NSBoldFont", font,
                                      @"NSControlContentFont", font, @"NSLabelFont", font, @"NSMessageFont", font,
                                      @"NSUserFont", nil];
  [[NSUserDefaults standardUserDefaults] registerDefaults:fonts];
  [pool drain];
#endif
}

AlertResponse showAlert(const std::string& title, const std::string& message,
                        const std::vector<std::string>& buttons, AlertStyle style) {
  // No pool is guaranteed around a delegate callback on every platform, and
  // the alert's strings should not outlive the call.
  NSAutoreleasePool* pool = [[NSAutoreleasePool alloc] init];
  // Before every alert: the user may have switched to the Installer meanwhile.
  activateApplication();

  NSAlert* alert = [[NSAlert alloc] init];
  [alert setMessageText:text(title)];
  [alert setInformativeText:text(message)];
  // GNUstep lacks Cocoa's NSAlertStyle... names; the values are the same.
  [alert setAlertStyle:(NSAlertStyle)static_cast<int>(style)];
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    NSButton* button = [alert addButtonWithTitle:text(buttons[i])];
    // A Mac gives Escape only to a button titled exactly "Cancel", so a
    // translated "Cancel", and "Close" in any language, would lose it: the
    // second of two buttons, the one that takes no action, gets it here.
    if (buttons.size() == 2 && i == 1) [button setKeyEquivalent:@"\033"];
  }
  const AlertResponse response = [alert runModal];

  [alert release];
  [pool drain];
  return response;
}

}  // namespace orventa
