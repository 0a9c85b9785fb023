#pragma once
#include <QLocale>
#include <QString>
#include <filesystem>

namespace torvelle::shell {

// The interface language a first start stores: the language of the user's
// locale by its English name ("German"). The language switch takes English
// for a language that does not ship.
QString firstStartLanguage(const QLocale& system);

// The code page of the tables a data folder is given: that of the language
// its settings file names, else that of the user's locale; the designed
// code page for languages without one of their own.
int newTablesCodePage(const std::filesystem::path& settingsFile, const QLocale& system);

}  // namespace torvelle::shell
