#pragma once
#include <QLocale>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Session.h"
#include "shell/Options.h"
#include "shell/Reminders.h"

class QAction;
class QMenu;
class QTabWidget;
class QToolBar;

namespace torvelle::books {
class TDatesBook;
class TLinksBook;
class TMoveRecOnDateForm;
class TMoveRecToSectForm;
class TExchangeTexts;
class TRepeatTexts;
class TPhonesBook;
class TTasksBook;
}  // namespace torvelle::books

namespace torvelle::lang {
class TLanguageSwitch;
}

namespace torvelle::platform {
class TDesktopNotifications;
class TNotifyArea;
class TShellOpen;
class TSleepWatch;
}  // namespace torvelle::platform

namespace torvelle::store {
class TChangePasswordDlg;
class TParadoxTable;
class TPasswordDlg;
class TTableSet;
}  // namespace torvelle::store

namespace torvelle::support {
class Clock;
class ProfileFile;
}  // namespace torvelle::support

namespace torvelle::shell {

class TAboutBox;
class TAutoBackup;
class TIconManager;
class TPlannerTools;
class TToolsForm;
class TTrayNotifyIcon;
class TSyncControl;
class TSyncTexts;

// What the main window is given at creation: the program's place and
// command line, the notification area, the dialogs that exist before it,
// and the start-up's progress bar and termination request.
struct TMainFormContext {
  QString programPath;
  QString dataFolder;     // settings, DB/ and own languages; the program's folder when empty
  QStringList arguments;  // without the program name
  platform::TNotifyArea* notifyArea = nullptr;
  // None: the main window makes the desktop's own chain of ways.
  platform::TDesktopNotifications* notifications = nullptr;
  store::TPasswordDlg* passwordDlg = nullptr;
  store::TChangePasswordDlg* changePasswordDlg = nullptr;
  TToolsForm* toolsForm = nullptr;
  // The user's options, which the main window loads, reads and listens to.
  TOptions* options = nullptr;
  books::TMoveRecOnDateForm* moveRecOnDateForm = nullptr;
  // Where language files and flags are looked for, first match first;
  // empty: the Languages folder beside the program.
  QStringList languageFolders;
  books::TMoveRecToSectForm* moveRecToSectForm = nullptr;
  platform::TShellOpen* shellOpen = nullptr;  // mail and web addresses of the books
  std::function<void(int position)> progress;
  // Ends the program with the exit code once start-up has finished.
  std::function<void(int exitCode)> requestTerminate;
  // The program's clock; the system's when null.
  const support::Clock* clock = nullptr;
  // The user's locale: the interface language of a first start.
  QLocale systemLocale = QLocale::system();
};

// The main window as a whole: it owns the tables, the settings file and the
// tray icon, loads the stored options, and closes to the tray. The notebook
// pages live in MainPageControl.
class TMainForm : public QMainWindow {
  Q_OBJECT
  // Messages the language table sets; %1 as said beside each.
  Q_PROPERTY(QString BackupFailedMessage MEMBER BackupFailedMessage)  // %1 the reason
  Q_PROPERTY(QString RestoredMessage MEMBER RestoredMessage)          // %1 the set-aside backup
  // %1 the character, %2 the tables' code page, %3 the command that recodes them
  Q_PROPERTY(QString LetterNotStoredMessage MEMBER LetterNotStoredMessage)
 public:
  QString BackupFailedMessage = QStringLiteral("Не удалось сделать автоматическую копию: %1");
  QString LetterNotStoredMessage = QStringLiteral(
      "Символ «%1» нельзя сохранить: текст таблиц хранится в кодовой странице %2, в которой его "
      "нет. Чтобы сохранить его, перекодируйте таблицы (при закрытой программе) в кодовую "
      "страницу, где он есть: %3");
  QString RestoredMessage =
      QStringLiteral("Таблицы восстановлены. Заменённые таблицы сохранены в копии %1.");

  enum Page { TasksPage, PhonesPage, DatesPage, LinksPage };

  explicit TMainForm(TMainFormContext context, QWidget* parent = nullptr);
  ~TMainForm() override;

  QToolBar* MainTB;
  QAction* ToolsTB;
  QAction* AboutTB;
  QAction* ExitTB;
  QTabWidget* MainPageControl;
  books::TTasksBook* TasksBook = nullptr;
  books::TPhonesBook* PhonesBook = nullptr;
  books::TDatesBook* DatesBook = nullptr;
  books::TLinksBook* LinksBook = nullptr;
  // The calendar page, printing and the search over all books.
  TPlannerTools* Planner = nullptr;
  // The import and export texts of every page, set by the language.
  books::TExchangeTexts* ExchangeTexts = nullptr;
  books::TRepeatTexts* RepeatTexts = nullptr;
  QMenu* TrayIconPopupMenu;
  QAction* OpenItem;
  QAction* AboutItem;
  QAction* ShutDownItem;
  // The language panel at the right end of MainTB and its menu.
  lang::TLanguageSwitch& Languages() { return *languages_; }

  // F6 runs the move command of the page in front; Esc closes the window
  // to the tray, posting what is being typed.
  QAction* MoveKey;
  QAction* CloseKey;
  // The move command of each page, run by F6 on the page in front.
  std::array<std::function<void()>, 4> PageMoveCommands;

  engine::Session& session() { return session_; }
  store::TTableSet& Tables() { return *tables_; }
  support::ProfileFile& Settings() { return *settings_; }
  TOptions& Options() { return *context_.options; }
  TTrayNotifyIcon& TrayNotifyIcon() { return *trayNotifyIcon_; }
  TReminders& Reminders() { return *reminders_; }
  bool hiddenStart() const { return hiddenStart_; }

  void setAboutBox(TAboutBox* aboutBox) { aboutBox_ = aboutBox; }

  // The data folder: DB/ and Backups/ are in it.
  std::filesystem::path tablesFolder() const;
  // A backup when the options ask for one and it is due; never throws.
  void BackupIfDue();
  // Closes the tables, restores `archive` (trying `password` besides the
  // session's) and reopens them; returns what to tell the user. Throws what
  // the restore throws, after reopening the tables as they were.
  QString RestoreFromBackup(const std::filesystem::path& archive, const std::string& password);

  // Opens the tables (asking for the password anew) and shows the window;
  // nothing while the tables are open. A failure is reported, closes what
  // had opened and leaves the window hidden; the next try starts over.
  void OpenFromTray();
  // Middle of the screen, halves truncated toward zero.
  void SetWindowToCenter();
  void SetMinimizeButton(bool on);
  bool hasMinimizeButton() const;

  void FormActivate();
  // What an option's change does beyond the dialog: the task-bar entry, the
  // tool tips, the reminders. What loading needs, loadOptions does.
  void OptionChanged(TOptions::Option option);
  // The options dialog's restore over this window's tables.
  void RestoreFromDialog();
  // True when the key was one of the window's own (F6, Esc).
  bool FormKeyDown(int key);
  void ToolsTBClick();
  void AboutTBClick();
  void ExitTBClick();
  void OpenItemClick();
  void AboutItemClick();
  void ShutDownItemClick();
  void TrayNotifyIconDblClick();

  // Answers to the reminders' notes.
  void OpenReminderTask(QDate date, QTime time);
  void MarkReminderTaskDone(QDate date, QTime time);
  void OpenOverdueTasks();
  void OpenImportantDates();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void FormCreate();
  QString dataFolder() const;
  // LetterNotStoredMessage for a letter the tables cannot hold; empty for
  // any other error.
  QString letterNotStored(const std::exception_ptr& error) const;
  void FormDestroy();
  void createKeys();
  void createPages();
  void createToolBar();
  void createTrayMenu();
  void createLanguagePanel();
  void openSettings();
  // All seven or none: a failure is reported (a refused password quietly)
  // and the tables that had opened are closed again.
  bool openTables(const std::function<void(int)>& progress = {});
  void upgradeTables();
  static bool isPasswordRefusal(const std::exception_ptr& error);
  static QString openFailureMessage(const std::exception_ptr& error,
                                    const store::TParadoxTable* table);
  // Pushes the stored options and the language in, with the options'
  // loading() held, and places the window as stored.
  void loadOptions();
  // The options and the options dialog's requests, to this window.
  void connectOptions();
  void progress(int position);
  void createReminders();
  // Opens from the tray and brings the window forward; false without tables.
  bool bringUp();

  TMainFormContext context_;
  bool hiddenStart_ = false;
  engine::Session session_;
  std::unique_ptr<store::TTableSet> tables_;
  std::unique_ptr<support::ProfileFile> settings_;
  std::unique_ptr<TIconManager> iconManager_;
  std::unique_ptr<TTrayNotifyIcon> trayNotifyIcon_;
  std::unique_ptr<TAutoBackup> autoBackup_;
  lang::TLanguageSwitch* languages_ = nullptr;  // a child of the window
  TAboutBox* aboutBox_ = nullptr;
  // After the tables: the reminders watch them and go first.
  std::vector<std::unique_ptr<platform::TDesktopNotifications>> noteWays_;
  std::unique_ptr<platform::TSleepWatch> sleepWatch_;
  std::unique_ptr<TReminders> reminders_;
  // After the tables: it watches them.
  TSyncTexts* SyncTexts = nullptr;
  std::unique_ptr<TSyncControl> syncControl_;
  void createSync();
};

}  // namespace torvelle::shell
