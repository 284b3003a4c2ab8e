#pragma once
// The application's text tables (resources/<lang>.lproj/Localizable.strings)
// read the way the tests need them: one table as a map, and a Localizer over
// it, so portable code can be driven in any shipped language without a
// bundle. Reads the form the tables are written in: a UTF-8 byte-order mark,
// then /* comments */ and lines `"key" = "value";` with the escapes \" \\ \n.

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tests/support/test_support.h"
#include "ui/localized_text.h"

/// The folder of the tables in this checkout (set by tests/CMakeLists.txt).
inline std::filesystem::path textTablesFolder() { return ASSISTANT_TEXT_TABLES; }

/// The path of the table of `language` ("en", "zh-Hans").
inline std::filesystem::path textTablePath(std::string_view language) {
  return textTablesFolder() / (std::string(language) + ".lproj") / "Localizable.strings";
}

/// The UTF-8 byte-order mark every table starts with.
inline constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

/// Every entry of the table at `path`, key to value, escapes resolved.
/// Throws std::runtime_error naming the place where it is not of the form
/// above (a missing mark, a line that is no entry, a key twice).
inline std::map<std::string, std::string> readTextTable(const std::filesystem::path& path) {
  const std::string text = fileText(path);
  if (!std::string_view(text).starts_with(utf8ByteOrderMark))
    throw std::runtime_error(path.string() + ": no UTF-8 byte-order mark");
  std::map<std::string, std::string> entries;
  std::size_t i = utf8ByteOrderMark.size();
  const auto fail = [&](const std::string& what) {
    throw std::runtime_error(path.string() + " at byte " + std::to_string(i) + ": " + what);
  };
  const auto skipBlanksAndComments = [&] {
    for (;;) {
      while (i < text.size() && (text[i] == ' ' || text[i] == '\n' || text[i] == '\t')) ++i;
      if (text.compare(i, 2, "/*") != 0) return;
      const std::size_t end = text.find("*/", i + 2);
      if (end == std::string::npos) fail("a comment that does not end");
      i = end + 2;
    }
  };
  const auto quoted = [&] {
    if (i >= text.size() || text[i] != '"') fail("a quoted text expected");
    std::string value;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
      if (text[i] == '\n') fail("a line feed inside quotes");
      if (text[i] != '\\') {
        value += text[i];
        continue;
      }
      const char escaped = ++i < text.size() ? text[i] : '\0';
      if (escaped == 'n') {
        value += '\n';
      } else if (escaped == '"' || escaped == '\\') {
        value += escaped;
      } else {
        fail("an unknown escape");
      }
    }
    if (i >= text.size()) fail("a quoted text that does not end");
    ++i;
    return value;
  };
  for (skipBlanksAndComments(); i < text.size(); skipBlanksAndComments()) {
    const std::string key = quoted();
    if (text.compare(i, 3, " = ") != 0) fail("' = ' expected");
    i += 3;
    std::string value = quoted();
    if (text.compare(i, 2, ";\n") != 0) fail("';' and a line feed expected");
    i += 2;
    if (!entries.emplace(key, std::move(value)).second) fail("the key " + key + " a second time");
  }
  return entries;
}

/// A Localizer over the table of `language`, as the bundle's lookup answers:
/// the key itself for a key the table lacks.
inline orventa::Localizer tableLocalizer(std::string_view language) {
  return [table = readTextTable(textTablePath(language))](std::string_view key) {
    const auto found = table.find(std::string(key));
    return found != table.end() ? found->second : std::string(key);
  };
}
