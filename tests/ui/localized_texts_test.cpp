// The text tables: every shipped language has every key with the same
// placeholders, English says exactly what the program always said, each
// approval place is the one of its language and macOS, and the portable code
// fills the texts in.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <system_error>

#include "driver/runner/run_limit_error.h"
#include "package/assistant_error.h"
#include "tests/support/strings_table.h"
#include "ui/assistant_alerts.h"

using namespace orventa;

namespace {

const char* const shippedLanguages[] = {"en", "de", "fr", "es", "ja", "zh-Hans"};

std::multiset<std::string> placeholders(const std::string& text) {
  static const std::regex placeholder("%[0-9]\\$@|%[^%]");
  std::multiset<std::string> found;
  for (std::sregex_iterator i(text.begin(), text.end(), placeholder), end; i != end; ++i) found.insert(i->str());
  return found;
}

TEST(TextTables, EveryLanguageHasEveryKeyWithTheSamePlaceholders) {
  const auto english = readTextTable(textTablePath("en"));
  std::set<std::string> folders;
  for (const auto& entry : std::filesystem::directory_iterator(textTablesFolder()))
    if (entry.path().extension() == ".lproj") folders.insert(entry.path().stem().string());
  EXPECT_EQ(folders, std::set<std::string>(std::begin(shippedLanguages), std::end(shippedLanguages)))
      << "a table that no test reads, or a shipped language without one";

  for (const char* language : shippedLanguages) {
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

// The support record turns a shown title or button back into English, so no
// two of them may read the same in one language.
TEST(TextTables, TitlesAndButtonsReadBackToTheirEnglish) {
  const Localizer english = tableLocalizer("en");
  const char* const keys[] = {"driverCheckComplete.title", "driverNeedsAttention.title", "driverRequired.title",
                              "completeInstallation.title", "driverNotDetected.title",
                              "approvalOrRestartRequired.title", "installationComplete.title",
                              "unableToContinue.title", "button.ok", "button.cancel", "button.openInstaller",
                              "button.installDriver", "button.recheck", "button.close"};
  for (const char* language : shippedLanguages) {
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
}

TEST(TextTables, FailureTextsInAnotherLanguage) {
  const Localizer german = tableLocalizer("de");
  const Localizer chinese = tableLocalizer("zh-Hans");
  EXPECT_EQ(failureMessage(german, AssistantError(AssistantErrorCode::openFailed)),
            "macOS konnte das WCH-Installationsprogramm nicht öffnen.");
  EXPECT_EQ(failureMessage(german, RunLimitError::timeLimitPassed("/usr/sbin/spctl", std::chrono::seconds(300))),
            "/usr/sbin/spctl wurde nicht innerhalb von 300 Sekunden beendet.");
  EXPECT_EQ(failureMessage(chinese, RunLimitError::outputLimitPassed("/usr/bin/systemextensionsctl", 16 << 20)),
            "/usr/bin/systemextensionsctl 的输出超过了 16 MiB。");
  // The system's own text stays as the system gives it.
  const std::system_error platform(EACCES, std::system_category(), "cannot read the package");
  EXPECT_EQ(failureMessage(german, platform), platform.what());
}

// Each place as macOS names it in that language (sources:
// docs/localization.md), by version group.
TEST(TextTables, ApprovalPlacePerLanguageAndMacOS) {
  struct Row {
    const char* language;
    const char* macOS11;
    const char* macOS13;
    const char* macOS15;
  };
  const Row rows[] = {
      {.language = "en",
       .macOS11 = "System Preferences > Security & Privacy",
       .macOS13 = "System Settings > Privacy & Security",
       .macOS15 = "System Settings > General > Login Items & Extensions > Driver Extensions"},
      {.language = "de",
       .macOS11 = "Systemeinstellungen > Sicherheit",
       .macOS13 = "Systemeinstellungen > Datenschutz & Sicherheit",
       .macOS15 = "Systemeinstellungen > Allgemein > Anmeldeobjekte & Erweiterungen > Treibererweiterungen"},
      {.language = "fr",
       .macOS11 = "Préférences Système > Sécurité et confidentialité",
       .macOS13 = "Réglages Système > Confidentialité et sécurité",
       .macOS15 = "Réglages Système > Général > Ouverture et extensions > Extensions de pilote"},
      {.language = "es",
       .macOS11 = "Preferencias del Sistema > Seguridad y privacidad",
       .macOS13 = "Ajustes del Sistema > Privacidad y seguridad",
       .macOS15 = "Ajustes del Sistema > General > Ítems de inicio y extensiones > Extensiones de controladores"},
      {.language = "ja",
       .macOS11 = "システム環境設定 > セキュリティとプライバシー",
       .macOS13 = "システム設定 > プライバシーとセキュリティ",
       .macOS15 = "システム設定 > 一般 > ログイン項目と機能拡張 > ドライバ機能拡張"},
      {.language = "zh-Hans",
       .macOS11 = "系统偏好设置 > 安全性与隐私",
       .macOS13 = "系统设置 > 隐私与安全性",
       .macOS15 = "系统设置 > 通用 > 登录项与扩展 > 驱动程序扩展"},
  };
  for (const Row& row : rows) {
    const Localizer texts = tableLocalizer(row.language);
    const auto place = [&](int version) { return texts(approvalPlaceKey(version)); };
    EXPECT_EQ(place(11), row.macOS11) << row.language;
    EXPECT_EQ(place(12), row.macOS11) << row.language;
    EXPECT_EQ(place(13), row.macOS13) << row.language;
    EXPECT_EQ(place(14), row.macOS13) << row.language;
    EXPECT_EQ(place(0), row.macOS13) << row.language << ", not macOS";
    EXPECT_EQ(place(15), row.macOS15) << row.language;
    EXPECT_EQ(place(26), row.macOS15) << row.language;
  }
  // The English table and approvalPlace name the same places.
  const Localizer english = tableLocalizer("en");
  for (const int version : {0, 11, 12, 13, 14, 15, 26}) EXPECT_EQ(english(approvalPlaceKey(version)), approvalPlace(version));
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
