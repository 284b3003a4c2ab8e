#include "app/mode.h"

#include <array>
#include <optional>

namespace orventa {

namespace {

// UTF-8 of the characters that read as a dash: the hyphen, non-breaking
// hyphen, figure dash, en dash, em dash, horizontal bar, minus sign, small
// em dash, small hyphen-minus and full-width hyphen-minus. The ASCII
// hyphen-minus is not among them.
constexpr std::array<std::string_view, 10> dashLookAlikes = {
    "\xE2\x80\x90", "\xE2\x80\x91", "\xE2\x80\x92", "\xE2\x80\x93", "\xE2\x80\x94",
    "\xE2\x80\x95", "\xE2\x88\x92", "\xEF\xB9\x98", "\xEF\xB9\xA3", "\xEF\xBC\x8D",
};

// White space a pasted command may carry around a word: ASCII's, the
// no-break and other Unicode spaces, and the invisible zero-width space and
// byte-order mark.
constexpr std::array<std::string_view, 24> whiteSpace = {
    " ",            "\t",           "\n",           "\v",           "\f",           "\r",
    "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82", "\xE2\x80\x83",
    "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88", "\xE2\x80\x89",
    "\xE2\x80\x8A", "\xE2\x80\x8B", "\xE2\x80\xAF", "\xE2\x81\x9F", "\xE3\x80\x80", "\xEF\xBB\xBF",
};

// The words of each option, for recognising its look-alikes.
struct OptionWords {
  std::string_view first;
  std::string_view second;  // empty for a one-word option
};
constexpr OptionWords optionWords[] = {{"self", "check"}, {"driver", "state"}, {"help", ""}};

template <typename List>
bool dropPrefix(std::string_view& text, const List& candidates) {
  for (std::string_view candidate : candidates) {
    if (text.starts_with(candidate)) {
      text.remove_prefix(candidate.size());
      return true;
    }
  }
  return false;
}

template <typename List>
bool dropSuffix(std::string_view& text, const List& candidates) {
  for (std::string_view candidate : candidates) {
    if (text.ends_with(candidate)) {
      text.remove_suffix(candidate.size());
      return true;
    }
  }
  return false;
}

bool dropDash(std::string_view& text) {
  if (text.starts_with('-')) {
    text.remove_prefix(1);
    return true;
  }
  return dropPrefix(text, dashLookAlikes);
}

std::string_view withoutSurroundingWhiteSpace(std::string_view text) {
  while (dropPrefix(text, whiteSpace)) {
  }
  while (dropSuffix(text, whiteSpace)) {
  }
  return text;
}

// Whether `text` starts with `word`, ASCII letters in any case; drops it.
bool dropWordFolded(std::string_view& text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != word[i]) return false;
  }
  text.remove_prefix(word.size());
  return true;
}

bool readsOption(std::string_view text, const OptionWords& words) {
  if (!dropWordFolded(text, words.first)) return false;
  if (!words.second.empty()) {
    if (!dropDash(text) && text.starts_with('_')) text.remove_prefix(1);
    if (!dropWordFolded(text, words.second)) return false;
  }
  return text.empty();
}

// Whether `argument` can only be a mistyped option.
bool mistypedOption(std::string_view argument) {
  if (argument.starts_with("--")) return true;
  std::string_view text = withoutSurroundingWhiteSpace(argument);
  if (dropPrefix(text, dashLookAlikes)) return true;
  while (dropDash(text)) {
  }
  for (const OptionWords& words : optionWords)
    if (readsOption(text, words)) return true;
  return false;
}

// Whether `argument` asks for the help: the option or its short forms.
bool asksForHelp(std::string_view argument) {
  for (std::string_view option : helpOptions)
    if (argument == option) return true;
  return false;
}

bool isOption(std::string_view argument) {
  return argument == selfCheckOption || argument == driverStateOption || asksForHelp(argument);
}

// The process serial number older Finders pass: "-psn_" and its digits.
bool isProcessSerialNumber(std::string_view argument) { return argument.starts_with("-psn_"); }

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The name of a user-defaults pair, "-Name": an ASCII letter, then ASCII
// letters, digits, dots or underscores.
bool isDefaultsName(std::string_view argument) {
  if (argument.size() < 2 || argument[0] != '-' || !isAsciiLetter(argument[1])) return false;
  for (char c : argument.substr(2))
    if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '.' && c != '_') return false;
  return true;
}

}  // namespace

RequestedMode requestedMode(int argc, const char* const* argv) {
  bool selfCheck = false;
  bool driverState = false;
  bool help = false;
  const auto at = [argv](int i) -> std::optional<std::string_view> {
    if (argv[i] == nullptr) return std::nullopt;
    return std::string_view(argv[i]);
  };
  for (int i = 0; i < argc; ++i) {
    const std::optional<std::string_view> entry = at(i);
    if (!entry) continue;
    const std::string_view argument = *entry;
    if (argument == selfCheckOption) {
      selfCheck = true;
    } else if (argument == driverStateOption) {
      driverState = true;
    } else if (i == 0) {
      continue;  // the program's path, whatever it looks like
    } else if (asksForHelp(argument)) {
      help = true;
    } else if (mistypedOption(argument)) {
      return RequestedMode::usageError;
    } else if (isProcessSerialNumber(argument)) {
      continue;
    } else if (isDefaultsName(argument)) {
      // The value is the next argument, whatever it holds, but never an
      // option or a mistyped one: "-verbose --self-check" must not hide the
      // option it holds.
      const std::optional<std::string_view> value = i + 1 < argc ? at(i + 1) : std::nullopt;
      if (!value || isOption(*value) || mistypedOption(*value)) return RequestedMode::usageError;
      ++i;
    } else {
      return RequestedMode::usageError;
    }
  }
  if (selfCheck && driverState) return RequestedMode::usageError;
  if (selfCheck) return RequestedMode::selfCheck;
  if (driverState) return RequestedMode::driverState;
  return help ? RequestedMode::help : RequestedMode::normal;
}

}  // namespace orventa
