#pragma once
// The order in which the tables' languages are tried. On a Mac the user's
// language order and AppKit's own matching choose among the bundle's
// localizations; GNUstep matches only some of the Mac's language names to
// the folders a Mac bundle uses (it takes "zh_CN" to zh-Hans.lproj, but
// "pt" to no folder at all), so there the program hands it the folders.

#include <string>
#include <string_view>
#include <vector>

namespace orventa {

/// The table folders (without ".lproj") that `languageVariable`, a
/// colon-separated list as in LANGUAGE ("fi:de", "pt_PT", "es_MX.UTF-8"),
/// asks for, in the order a Mac would try them, each once: an entry's own
/// folder, then its fall-backs. "pt" and "pt_BR" give pt-BR; "pt_PT" and any
/// other Portuguese region pt-PT, then pt-BR; "es" and "es_ES" es; any other
/// Spanish region ("es_419", "es_MX") es-419, then es; "fr_CA" fr-CA, then
/// fr; "zh_CN", "zh_SG", "zh_Hans" and "zh" zh-Hans; "zh_TW" and "zh_Hant"
/// zh-Hant; "zh_HK" and "zh_MO" (a script or not) zh-HK, then zh-Hant;
/// "no", "nb" and "nn" nb; "iw" he; "in" id; any other entry its language
/// alone ("de_DE" de, "en_GB" en). A codeset (".UTF-8") or modifier
/// ("@euro") is left out; "-" may stand for "_". Empty entries give
/// nothing.
std::vector<std::string> tableLanguageOrder(std::string_view languageVariable);

/// Before the first lookup in the tables: on GNUstep, when LANGUAGE is set
/// and the user has not set the NSLanguages default, makes
/// tableLanguageOrder(LANGUAGE) the languages the bundle's lookup tries
/// (English stays GNUstep's last). On a Mac nothing: AppKit matches.
void useTableLanguageOrder();

}  // namespace orventa
