#pragma once
#include <QLocale>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTranslator>
#include <filesystem>
#include <map>
#include <optional>
#include <vector>

#include "lang/LoadLanguage.h"

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QToolBar;
class QWidget;

namespace torvelle::support {
class ProfileFile;
}

namespace torvelle::lang {

// The locale a language name stands for: the English name of a language
// ("German") or its own ("Deutsch").
std::optional<QLocale> localeNamed(const QString& name);

// The language panel at the right end of the main tool bar (flag and name),
// its menu of languages, and applying a language: the interface texts, the
// flag, Qt's own texts and the stored setting.
class TLanguageSwitch : public QObject {
  Q_OBJECT
 public:
  // Puts the spacer and the panel after the tool bar's last button. The
  // folders are searched for language files and flags in their order.
  TLanguageSwitch(QWidget& mainForm, QToolBar& mainTB, TTextWindows windows,
                  std::vector<std::filesystem::path> folders);
  ~TLanguageSwitch() override;

  QLabel* SepLabel1;
  QFrame* LanguagePanel;
  QLabel* FlagImage;
  QLabel* LanguageLabel;
  QMenu* LanguagePopupMenu;

  // A window made after the panel; it takes the next language applied.
  void addWindow(const QString& name, QObject* window) { windows_.add(name, window); }
  // Fills the menu once: "English" first, then one item per language file.
  void BuildLanguageMenu();
  // Applies the language the settings name (letter case and '&' ignored),
  // English when there is none such, and writes its caption back.
  void SelectStoredLanguage(support::ProfileFile& settings);
  // Applies the item's language, unless it is the current one already.
  void LanguageItemClick(QAction* item);
  void LanguagePanelClick();
  // Keeps the panel at the right end of the tool bar.
  void MainTBResize();

  QAction* currentItem() const;
  // Targets of the last language applied that did not exist.
  const QStringList& missingTargets() const { return missing_; }

 signals:
  // After a language's texts are in place, for windows that fit to them.
  void languageApplied();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showFlag(const QString& caption);
  void fitPanel();
  void applyQtTexts(const QString& language);

  QToolBar& mainTB_;
  TTextWindows windows_;
  std::vector<std::filesystem::path> folders_;
  support::ProfileFile* settings_ = nullptr;
  QActionGroup* group_;
  QAction* current_ = nullptr;
  std::map<QAction*, std::filesystem::path> files_;
  QTranslator qtTexts_;
  QSet<QString> reportedFlags_;
  QStringList missing_;
};

}  // namespace torvelle::lang
