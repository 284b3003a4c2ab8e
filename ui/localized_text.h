#pragma once
// The texts a user reads, looked up by key in the application's tables
// (<lang>.lproj/Localizable.strings among its resources; en.lproj holds
// every key). The portable code names keys and fills in placeholders; the
// platform chooses the language.

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace orventa {

/// The text under `key` in the language the user reads, as UTF-8. A key no
/// table holds gives the key itself.
using Localizer = std::function<std::string(std::string_view key)>;

/// `format` with each placeholder "%1$@" ... "%9$@" replaced by the argument
/// of that number (counting from 1), in one pass: a placeholder that comes in
/// with an argument stays as it is, and one without an argument is left
/// unchanged. Everything else is copied as it stands.
std::string formattedText(std::string_view format, std::initializer_list<std::string_view> arguments);

/// The platform's lookup: NSBundle's main bundle, localizedStringForKey:
/// value:table: in the table Localizable of the language the platform
/// chooses (on a Mac the user's language order among the bundle's
/// localizations; on GNUstep the NSLanguages default, else LANGUAGE, else
/// the locale), English where none matches. Needs no application object.
std::string localizedText(std::string_view key);

/// The text under `key` in the development language's table (en.lproj),
/// whatever the user reads: what the support record names. The key itself
/// when that table cannot be read or lacks it.
std::string developmentText(std::string_view key);

}  // namespace orventa
