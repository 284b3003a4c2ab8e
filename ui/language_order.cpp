#include "ui/language_order.h"

#include <algorithm>
#include <cctype>

namespace orventa {

namespace {

std::string lowercase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// The folders for one entry: its language, script ("hant", four letters)
// and region ("br", "419"), lowercase, each empty when the entry has none.
std::vector<std::string> foldersFor(const std::string& language, const std::string& script,
                                    const std::string& region) {
  if (language == "pt") {
    if (region.empty() || region == "br") return {"pt-BR"};
    return {"pt-PT", "pt-BR"};
  }
  if (language == "es") {
    if (region.empty() || region == "es") return {"es"};
    return {"es-419", "es"};
  }
  if (language == "fr") {
    if (region == "ca") return {"fr-CA", "fr"};
    return {"fr"};
  }
  if (language == "zh") {
    if (region == "hk" || region == "mo") return {"zh-HK", "zh-Hant"};
    if (script == "hant" || region == "tw") return {"zh-Hant"};
    return {"zh-Hans"};
  }
  if (language == "no" || language == "nb" || language == "nn") return {"nb"};
  if (language == "iw") return {"he"};
  if (language == "in") return {"id"};
  return {language};
}

}  // namespace

std::vector<std::string> tableLanguageOrder(std::string_view languageVariable) {
  std::vector<std::string> order;
  while (!languageVariable.empty()) {
    const std::size_t colon = languageVariable.find(':');
    std::string_view entry = languageVariable.substr(0, colon);
    languageVariable = colon == std::string_view::npos ? std::string_view() : languageVariable.substr(colon + 1);
    entry = entry.substr(0, entry.find_first_of(".@"));
    std::string language;
    std::string script;
    std::string region;
    for (std::size_t part = 0; !entry.empty(); ++part) {
      const std::size_t separator = entry.find_first_of("_-");
      const std::string text = lowercase(entry.substr(0, separator));
      entry = separator == std::string_view::npos ? std::string_view() : entry.substr(separator + 1);
      if (part == 0) {
        language = text;
      } else if (text.size() == 4) {
        script = text;
      } else {
        region = text;
      }
    }
    if (language.empty()) continue;
    for (std::string& folder : foldersFor(language, script, region))
      if (std::find(order.begin(), order.end(), folder) == order.end()) order.push_back(std::move(folder));
  }
  return order;
}

}  // namespace orventa
