// The text tables: every shipped language has every key with the same
// placeholders in an order its sentences read, is translated, English says
// exactly what the program always said, each approval place is the one of its
// language and macOS (tests/ui/approval_places.tsv), LANGUAGE's names lead to
// the tables, and the portable code fills the texts in.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <system_error>
#include <vector>

#include "common/system_error.h"
#include "driver/runner/run_limit_error.h"
#include "package/assistant_error.h"
#include "tests/support/strings_table.h"
#include "ui/assistant_alerts.h"
#include "ui/language_order.h"

using namespace orventa;

namespace {

// Every table in resources/: what the build ships.
std::vector<std::string> shippedLanguages() {
  std::set<std::string> folders;
  for (const auto& entry : std::filesystem::directory_iterator(textTablesFolder()))
    if (entry.path().extension() == ".lproj") folders.insert(entry.path().stem().string());
  return {folders.begin(), folders.end()};
}

// The approval places per language and version group, as macOS names them
// (sources: docs/localization.md): one tab-separated row per language after
// a header, "language macOS11 macOS13 macOS15".
struct ApprovalPlaces {
  std::string macOS11;
  std::string macOS13;
  std::string macOS15;
};

std::map<std::string, ApprovalPlaces> referenceApprovalPlaces() {
  std::ifstream file(textTablesFolder().parent_path() / "tests" / "ui" / "approval_places.tsv");
  if (!file) throw std::runtime_error("tests/ui/approval_places.tsv cannot be read");
  std::map<std::string, ApprovalPlaces> places;
  std::string line;
  std::getline(file, line);  // the header
  while (std::getline(file, line)) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
      const std::size_t tab = line.find('\t', start);
      fields.push_back(line.substr(start, tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    if (fields.size() != 4) throw std::runtime_error("approval_places.tsv: not four fields: " + line);
    places[fields[0]] = {.macOS11 = fields[1], .macOS13 = fields[2], .macOS15 = fields[3]};
  }
  return places;
}

std::multiset<std::string> placeholders(const std::string& text) {
  static const std::regex placeholder("%[0-9]\\$@|%[^%]");
  std::multiset<std::string> found;
  for (std::sregex_iterator i(text.begin(), text.end(), placeholder), end; i != end; ++i) found.insert(i->str());
  return found;
}

TEST(TextTables, EveryLanguageHasEveryKeyWithTheSamePlaceholders) {
  const auto english = readTextTable(textTablePath("en"));
  for (const std::string& language : shippedLanguages()) {
    SCOPED_TRACE(language);
    // The reader refuses a table without its byte-order mark: GNUstep reads
    // UTF-8 only behind one.
    const auto table = readTextTable(textTablePath(language));
    for (const auto& [key, text] : english) {
      const auto found = table.find(key);
      if (found == table.end()) {
        ADD_FAILURE() << "no " << key;
        continue;
      }
      EXPECT_EQ(placeholders(found->second), placeholders(text)) << key;
      EXPECT_FALSE(found->second.empty()) << key;
    }
    for (const auto& [key, text] : table) EXPECT_TRUE(english.contains(key)) << key << " is not in en.lproj";
    EXPECT_EQ(table.at("language"), language) << "the language the record names";
  }
}

// A message that starts with the environment line, or ends with a line the
// program puts in (driverCheckComplete's serial-port line), does so in every
// language: the first alert's head and layout do not depend on it.
TEST(TextTables, MessagesKeepTheLinesTheProgramPutsIn) {
  const auto english = readTextTable(textTablePath("en"));
  const std::regex leadingLine("^(%[1-9]\\$@\n\n)[\\s\\S]*");
  const std::regex trailingLine("[\\s\\S]*(\n\n%[1-9]\\$@)$");
  for (const std::string& language : shippedLanguages()) {
    const auto table = readTextTable(textTablePath(language));
    for (const auto& [key, text] : english) {
      const auto found = table.find(key);
      if (found == table.end()) continue;  // reported above
      std::smatch match;
      if (std::regex_match(text, match, leadingLine)) {
        EXPECT_TRUE(found->second.starts_with(match[1].str())) << language << " " << key << " starts otherwise";
      }
      if (std::regex_match(text, match, trailingLine)) {
        EXPECT_TRUE(found->second.ends_with(match[1].str())) << language << " " << key << " ends otherwise";
      }
    }
  }
}

// Every text of every other language is translated; only these read the
// same in some languages as in English: "OK" is the button's name there.
TEST(TextTables, EveryLanguageIsTranslated) {
  const std::set<std::string> sameInSomeLanguages = {"button.ok"};
  const auto english = readTextTable(textTablePath("en"));
  for (const std::string& language : shippedLanguages()) {
    if (language == "en") continue;
    const auto table = readTextTable(textTablePath(language));
    for (const auto& [key, text] : table) {
      if (!sameInSomeLanguages.contains(key) && english.contains(key)) {
        EXPECT_NE(text, english.at(key)) << language << " " << key << " is English";
      }
    }
  }
}

// The support record turns a shown title or button back into English, so no
// two of them may read the same in one language.
TEST(TextTables, TitlesAndButtonsReadBackToTheirEnglish) {
  const Localizer english = tableLocalizer("en");
  const char* const keys[] = {"driverCheckComplete.title", "driverNeedsAttention.title", "driverRequired.title",
                              "completeInstallation.title", "driverNotDetected.title",
                              "approvalOrRestartRequired.title", "installationComplete.title",
                              "unableToContinue.title", "button.ok", "button.cancel", "button.openInstaller",
                              "button.installDriver", "button.recheck", "button.close"};
  for (const std::string& language : shippedLanguages()) {
    const Localizer texts = tableLocalizer(language);
    for (const char* key : keys)
      EXPECT_EQ(englishAlertText(texts(key), texts, english), english(key)) << language << " " << key;
  }
  EXPECT_EQ(englishAlertText("no alert's text", english, english), "no alert's text");
}

// The English failure texts are the errors' own (what the self-check writes).
TEST(TextTables, EnglishFailureTextsAreTheErrorsOwn) {
  const Localizer english = tableLocalizer("en");
  for (const AssistantError& error :
       {AssistantError(AssistantErrorCode::packageMissing), AssistantError(AssistantErrorCode::digestMismatch),
        AssistantError(AssistantErrorCode::signatureMismatch), AssistantError(AssistantErrorCode::notTrusted),
        AssistantError(AssistantErrorCode::openFailed)})
    EXPECT_EQ(failureMessage(english, error), error.what()) << error.code();
  using std::chrono::milliseconds;
  const std::string tool = "/usr/sbin/spctl";
  const RunLimitError limits[] = {
      RunLimitError::timeLimitPassed(tool, milliseconds(300000)),
      RunLimitError::timeLimitPassed(tool, milliseconds(1000)),
      RunLimitError::timeLimitPassed(tool, milliseconds(250)),
      RunLimitError::outputLimitPassed(tool, std::size_t(1) << 30),
      RunLimitError::outputLimitPassed(tool, std::size_t(16) << 20),
      RunLimitError::outputLimitPassed(tool, 1000),
      RunLimitError::outputLimitPassed(tool, 1),
  };
  for (const RunLimitError& error : limits) EXPECT_EQ(failureMessage(english, error), error.what());
  for (const FileFailure failure : {FileFailure::list, FileFailure::resolve, FileFailure::lookAt, FileFailure::read,
                                    FileFailure::write, FileFailure::create, FileFailure::createPrivateCopy}) {
    const FileSystemError error(ENOSPC, failure, "/Users/a b/Ärger: 100%/x");
    EXPECT_EQ(failureMessage(english, error), error.what()) << error.what();
  }
}

// In every language a system's refusal names the path and gives the
// system's own reason; an error of the platform's without a failure of the
// program's passes through as it is.
TEST(TextTables, FailureTextsInEveryLanguage) {
  const std::string path = "/private/var/folders/x y/com.orventa.DriverAssistant.AbC123";
  const FileSystemError error(EACCES, FileFailure::create, path);
  const std::string reason = error.code().message();
  const std::system_error platform(EACCES, std::system_category(), "fstatfs");
  for (const std::string& language : shippedLanguages()) {
    const Localizer texts = tableLocalizer(language);
    const std::string shown = failureMessage(texts, error);
    EXPECT_NE(shown.find(path), std::string::npos) << language << ": " << shown;
    EXPECT_NE(shown.find(reason), std::string::npos) << language << ": " << shown;
    if (language != "en") {
      EXPECT_NE(shown, error.what()) << language;
    }
    EXPECT_EQ(failureMessage(texts, platform), platform.what()) << language;
  }
}

// Each table's places are the reference's for its language (sources:
// docs/localization.md), by version group, and every table has a row.
TEST(TextTables, ApprovalPlacePerLanguageAndMacOS) {
  const auto reference = referenceApprovalPlaces();
  std::set<std::string> withRow;
  for (const auto& [language, places] : reference) withRow.insert(language);
  const auto shipped = shippedLanguages();
  EXPECT_EQ(withRow, std::set<std::string>(shipped.begin(), shipped.end()))
      << "a table without its places in approval_places.tsv, or places without a table";
  for (const auto& [language, places] : reference) {
    if (!std::filesystem::exists(textTablePath(language))) continue;
    const Localizer texts = tableLocalizer(language);
    const auto place = [&](int version) { return texts(approvalPlaceKey(version)); };
    EXPECT_EQ(place(11), places.macOS11) << language;
    EXPECT_EQ(place(12), places.macOS11) << language;
    EXPECT_EQ(place(13), places.macOS13) << language;
    EXPECT_EQ(place(14), places.macOS13) << language;
    EXPECT_EQ(place(0), places.macOS13) << language << ", not macOS";
    EXPECT_EQ(place(15), places.macOS15) << language;
    EXPECT_EQ(place(26), places.macOS15) << language;
  }
  // The English table and approvalPlace name the same places.
  const Localizer english = tableLocalizer("en");
  for (const int version : {0, 11, 12, 13, 14, 15, 26}) EXPECT_EQ(english(approvalPlaceKey(version)), approvalPlace(version));
}

// The Mac's own name of each language, as LANGUAGE holds it, leads to its
// table; regions a Mac falls back for lead to the table it would take.
TEST(LanguageOrder, EveryMacLanguageNameLeadsToItsTable) {
  struct Case {
    const char* language;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"ar", {"ar"}},       {"ca", {"ca"}},           {"cs", {"cs"}},
      {"da", {"da"}},       {"de", {"de"}},           {"el", {"el"}},
      {"en", {"en"}},       {"es", {"es"}},           {"es_419", {"es-419", "es"}},
      {"fi", {"fi"}},       {"fr", {"fr"}},           {"fr_CA", {"fr-CA", "fr"}},
      {"he", {"he"}},       {"hi", {"hi"}},           {"hr", {"hr"}},
      {"hu", {"hu"}},       {"id", {"id"}},           {"it", {"it"}},
      {"ja", {"ja"}},       {"ko", {"ko"}},           {"ms", {"ms"}},
      {"no", {"nb"}},       {"nl", {"nl"}},           {"pl", {"pl"}},
      {"pt", {"pt-BR"}},    {"pt_PT", {"pt-PT", "pt-BR"}}, {"ro", {"ro"}},
      {"ru", {"ru"}},       {"sk", {"sk"}},           {"sv", {"sv"}},
      {"th", {"th"}},       {"tr", {"tr"}},           {"uk", {"uk"}},
      {"vi", {"vi"}},       {"zh_CN", {"zh-Hans"}},   {"zh_HK", {"zh-HK", "zh-Hant"}},
      {"zh_TW", {"zh-Hant"}},
  };
  const auto shipped = shippedLanguages();
  for (const Case& c : cases) {
    EXPECT_EQ(tableLanguageOrder(c.language), c.want) << c.language;
    for (const std::string& folder : c.want)
      if (std::find(shipped.begin(), shipped.end(), folder) == shipped.end())
        ADD_FAILURE() << c.language << " leads to " << folder << ", which has no table";
  }
}

TEST(LanguageOrder, FallBacksAndForms) {
  struct Case {
    const char* name;
    const char* language;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"a Latin American Spanish", "es_MX", {"es-419", "es"}},
      {"Spain's Spanish", "es_ES", {"es"}},
      {"Brazil's Portuguese", "pt_BR", {"pt-BR"}},
      {"another Portuguese", "pt_AO", {"pt-PT", "pt-BR"}},
      {"Macao's Chinese", "zh_MO", {"zh-HK", "zh-Hant"}},
      {"a script and a region", "zh_Hant_HK", {"zh-HK", "zh-Hant"}},
      {"a script", "zh-Hans", {"zh-Hans"}},
      {"a region a table does not have", "en_GB", {"en"}},
      {"codeset and modifier", "de_DE.UTF-8@euro", {"de"}},
      {"old codes", "iw:in", {"he", "id"}},
      {"Norwegian by any name, once", "nb_NO:nn:no", {"nb"}},
      {"an order, each table once", "fr_CA:es_MX:fr:es", {"fr-CA", "fr", "es-419", "es"}},
      {"an unshipped language stays for the next", "is:de", {"is", "de"}},
      {"empty entries", "::de:", {"de"}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(tableLanguageOrder(c.language), c.want) << c.name;
}

TEST(FormattedText, FillsEachPlaceholderOnceAndLeavesTheRest) {
  struct Case {
    const char* name;
    const char* format;
    std::vector<std::string> arguments;
    const char* want;
  };
  const Case cases[] = {
      {.name = "in order", .format = "%1$@ and %2$@", .arguments = {"a", "b"}, .want = "a and b"},
      {.name = "in another order", .format = "%2$@ vor %1$@", .arguments = {"a", "b"}, .want = "b vor a"},
      {.name = "a placeholder in an argument stays", .format = "%1$@ %2$@", .arguments = {"%2$@", "b"},
       .want = "%2$@ b"},
      {.name = "no argument for it", .format = "%1$@ %3$@", .arguments = {"a"}, .want = "a %3$@"},
      {.name = "a lone percent sign and a cut placeholder", .format = "100% %1$", .arguments = {"a"},
       .want = "100% %1$"},
      {.name = "empty argument", .format = "Environment: %1$@\n\n", .arguments = {""}, .want = "Environment: \n\n"},
  };
  for (const Case& c : cases) {
    std::string got;
    switch (c.arguments.size()) {
      case 1: got = formattedText(c.format, {c.arguments[0]}); break;
      default: got = formattedText(c.format, {c.arguments[0], c.arguments[1]}); break;
    }
    EXPECT_EQ(got, c.want) << c.name;
  }
}

}  // namespace
