#include "support/LocaleCodePage.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <utility>

namespace torvelle::support {

int codePageForLanguage(std::string_view iso) {
  static constexpr std::array<std::pair<std::string_view, int>, 51> kPages = {{
      {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"mk", 1251}, {"sr", 1251},
      {"en", 1252}, {"de", 1252}, {"fr", 1252}, {"it", 1252}, {"es", 1252}, {"pt", 1252},
      {"nl", 1252}, {"da", 1252}, {"sv", 1252}, {"nb", 1252}, {"nn", 1252}, {"no", 1252},
      {"fi", 1252}, {"is", 1252}, {"fo", 1252}, {"ca", 1252}, {"gl", 1252}, {"eu", 1252},
      {"ga", 1252}, {"gd", 1252}, {"cy", 1252}, {"br", 1252}, {"oc", 1252}, {"lb", 1252},
      {"rm", 1252}, {"fy", 1252}, {"af", 1252}, {"id", 1252}, {"ms", 1252}, {"sw", 1252},
      {"pl", 1250}, {"cs", 1250}, {"sk", 1250}, {"sl", 1250}, {"hr", 1250}, {"bs", 1250},
      {"hu", 1250}, {"ro", 1250}, {"sq", 1250}, {"el", 1253}, {"tr", 1254}, {"az", 1254},
      {"lt", 1257}, {"lv", 1257}, {"et", 1257},
  }};
  for (const auto& [language, page] : kPages)
    if (language == iso) return page;
  return 0;
}

std::string languageOfLocale(std::string_view locale) {
  std::string language;
  for (const char c : locale) {
    if (!std::isalpha(static_cast<unsigned char>(c))) break;
    language += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (language == "c" || language == "posix") return {};
  return language;
}

std::string environmentLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
    if (const char* value = std::getenv(name); value && *value) return value;
  return {};
}

int codePageForLocale(std::string_view locale) {
  const int page = codePageForLanguage(languageOfLocale(locale));
  return page != 0 ? page : 1251;
}

}  // namespace torvelle::support
