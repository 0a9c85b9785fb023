#include "shell/UserLanguage.h"

#include <system_error>

#include "lang/LanguageSwitch.h"
#include "support/LocaleCodePage.h"
#include "support/ProfileFile.h"
#include "support/SettingsDefaults.h"

namespace torvelle::shell {

QString firstStartLanguage(const QLocale& system) {
  return QLocale::languageToString(system.language());
}

int newTablesCodePage(const std::filesystem::path& settingsFile, const QLocale& system) {
  QLocale locale = system;
  std::error_code error;
  if (std::filesystem::exists(settingsFile, error)) {
    const support::ProfileFile settings(settingsFile);
    const std::string chosen = support::readSetting(settings, support::kLanguage);
    if (const auto named = lang::localeNamed(QString::fromStdString(chosen))) locale = *named;
  }
  return support::codePageForLocale(locale.name().toStdString());
}

}  // namespace torvelle::shell
