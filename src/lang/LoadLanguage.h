#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <filesystem>

#include "lang/InterfaceTexts.h"

namespace torvelle::lang {

// The windows whose texts a language sets, by object name. A name that was
// not given is looked for among the application's top-level widgets.
class TTextWindows {
 public:
  void add(const QString& name, QObject* window);
  QObject* window(QStringView name) const;
  // The control a target names, or null when it does not exist.
  QObject* resolve(const TextTarget& target) const;

 private:
  QHash<QString, QPointer<QObject>> windows_;
};

// The text a target holds now; empty when it does not exist.
QString targetText(const TTextWindows& windows, const TextTarget& target);
// Sets it; false when the target does not exist.
bool setTargetText(const TTextWindows& windows, const TextTarget& target, const QString& text);
// "MainForm.TaskDBGrid column 2", for reports.
QString describe(const TextTarget& target);

// Applies every entry of the interface text table from the language file at
// `path` (cp1251 unless the file is valid UTF-8), the entry's English
// default where the file has no usable value, and makes the copies. A
// missing or unreadable file gives the English texts. Targets that do not
// exist are skipped; they are returned, described, for the caller to note.
QStringList LoadLanguage(const std::filesystem::path& path, const TTextWindows& windows);

}  // namespace torvelle::lang
