#include "shell/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QToolBar>
#include <filesystem>
#include <system_error>

#include "backup/BackupFolder.h"
#include "backup/Restore.h"
#include "backup/Upgrade.h"
#include "books/CalendarBook.h"
#include "books/DatesBook.h"
#include "books/LinksBook.h"
#include "books/PhonesBook.h"
#include "books/ReminderSource.h"
#include "books/SearchForm.h"
#include "books/TasksBook.h"
#include "engine/DbError.h"
#include "lang/LanguageFiles.h"
#include "lang/LanguageSwitch.h"
#include "platform/BalloonNotifications.h"
#include "platform/FreedesktopNotifications.h"
#include "platform/SleepWatch.h"
#include "platform/WindowNotifications.h"
#include "resources/Pictures.h"
#include "shell/AboutBox.h"
#include "shell/AutoBackup.h"
#include "shell/IconManager.h"
#include "shell/Options.h"
#include "shell/PlannerTools.h"
#include "shell/RestoreDlg.h"
#include "shell/SyncControl.h"
#include "shell/SyncTexts.h"
#include "shell/ToolsForm.h"
#include "shell/TrayNotifyIcon.h"
#include "shell/UserLanguage.h"
#include "shell/WindowPlacement.h"
#include "store/TableSet.h"
#include "store/dialogs/ChangePasswordDlg.h"
#include "store/dialogs/PasswordDlg.h"
#include "store/dialogs/SessionPassword.h"
#include "support/Clock.h"
#include "support/CodePage.h"
#include "support/EmptyFile.h"
#include "support/ProfileFile.h"
#include "support/SettingsDefaults.h"
#include "toolkit/EngineDates.h"
#include "toolkit/ErrorBox.h"
#include "toolkit/ToolTips.h"

namespace torvelle::shell {
namespace {

using support::readSetting;
using support::writeSetting;

constexpr Qt::WindowFlags kFrame = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                   Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                                   Qt::WindowCloseButtonHint;

std::filesystem::path localPath(const QString& path) {
  return std::filesystem::path(QFile::encodeName(path).toStdString());
}

}  // namespace

TMainForm::TMainForm(TMainFormContext context, QWidget* parent)
    : QMainWindow(parent, kFrame | Qt::WindowMinimizeButtonHint),
      context_(std::move(context)),
      hiddenStart_(context_.arguments.value(0) == QLatin1String("-h")),
      tables_(std::make_unique<store::TTableSet>(session_)) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Органайзер <Торвелле>"));
  setWindowIcon(pictures::programIcon());
  setMinimumSize(kMinimumWidth, kMinimumHeight);
  resize(kDefaultWidth, kDefaultHeight);

  createToolBar();
  createPages();
  createTrayMenu();
  Planner = new TPlannerTools(*this);

  iconManager_ = std::make_unique<TIconManager>(*context_.notifyArea);
  trayNotifyIcon_ = std::make_unique<TTrayNotifyIcon>(*iconManager_);
  trayNotifyIcon_->setObjectName(QStringLiteral("TrayNotifyIcon"));
  trayNotifyIcon_->setIcon(pictures::programIcon());
  trayNotifyIcon_->setHint(QStringLiteral("Ежедневник <Торвелле>"));
  trayNotifyIcon_->setPopupMenu(TrayIconPopupMenu);
  trayNotifyIcon_->setTaskWindow(this);
  connect(trayNotifyIcon_.get(), &TTrayNotifyIcon::OnDblClick, this,
          [this] { TrayNotifyIconDblClick(); });
  createLanguagePanel();

  createKeys();
  toolkit::ErrorBox::setWording(
      [this](const std::exception_ptr& error) { return letterNotStored(error); });

  FormCreate();
}

TMainForm::~TMainForm() {
  toolkit::ErrorBox::setWording({});
  FormDestroy();
  // The pages unhook their handlers from the tables, which the members
  // below take with them: the pages must go first.
  delete MainPageControl;
}

void TMainForm::createToolBar() {
  MainTB = addToolBar(QString());
  MainTB->setObjectName(QStringLiteral("MainTB"));
  MainTB->setMovable(false);
  MainTB->setFloatable(false);
  MainTB->toggleViewAction()->setEnabled(false);
  MainTB->setContextMenuPolicy(Qt::PreventContextMenu);
  ToolsTB = MainTB->addAction(style()->standardIcon(QStyle::SP_FileDialogDetailedView), QString());
  ToolsTB->setObjectName(QStringLiteral("ToolsTB"));
  AboutTB = MainTB->addAction(style()->standardIcon(QStyle::SP_MessageBoxInformation), QString());
  AboutTB->setObjectName(QStringLiteral("AboutTB"));
  MainTB->addSeparator();
  ExitTB = MainTB->addAction(style()->standardIcon(QStyle::SP_DialogCloseButton), QString());
  ExitTB->setObjectName(QStringLiteral("ExitTB"));
  connect(ToolsTB, &QAction::triggered, this, [this] { ToolsTBClick(); });
  connect(AboutTB, &QAction::triggered, this, [this] { AboutTBClick(); });
  connect(ExitTB, &QAction::triggered, this, [this] { ExitTBClick(); });
}

void TMainForm::createKeys() {
  // Shortcuts of the window: whichever of its controls has the focus, the
  // key does the window's command instead of reaching the control.
  const auto key = [this](const char* name, Qt::Key code) {
    auto* action = new QAction(this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(QKeySequence(code));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    connect(action, &QAction::triggered, this, [this, code] { FormKeyDown(code); });
    return action;
  };
  MoveKey = key("MoveKey", Qt::Key_F6);
  CloseKey = key("CloseKey", Qt::Key_Escape);
}

void TMainForm::createPages() {
  MainPageControl = new QTabWidget(this);
  MainPageControl->setObjectName(QStringLiteral("MainPageControl"));
  MainPageControl->setStyleSheet(QStringLiteral("QTabBar::tab { height: 25px; }"));
  TasksBook = new books::TTasksBook(*tables_, *context_.moveRecOnDateForm,
                                    [this] { return context_.options->loading(); });
  TasksBook->setObjectName(QStringLiteral("TasksBook"));
  MainPageControl->addTab(TasksBook, QStringLiteral("Ежедневник"));
  PageMoveCommands[TasksPage] = [this] { TasksBook->TasksMoveTBClick(); };
  PhonesBook = new books::TPhonesBook(*tables_, *context_.moveRecToSectForm, *context_.shellOpen);
  MainPageControl->addTab(PhonesBook, QStringLiteral("Телефонная книга"));
  DatesBook = new books::TDatesBook(*tables_, *context_.moveRecToSectForm);
  MainPageControl->addTab(DatesBook, QStringLiteral("Важные даты"));
  LinksBook = new books::TLinksBook(*tables_, *context_.moveRecToSectForm, *context_.shellOpen);
  MainPageControl->addTab(LinksBook, QStringLiteral("Полезные линки"));
  ExchangeTexts = new books::TExchangeTexts(this);
  TasksBook->Exchange->setTexts(ExchangeTexts);
  for (books::TSectionBook* book :
       std::initializer_list<books::TSectionBook*>{PhonesBook, DatesBook, LinksBook})
    book->Exchange->setTexts(ExchangeTexts);
  RepeatTexts = new books::TRepeatTexts(this);
  TasksBook->setRepeatTexts(RepeatTexts);
  DatesBook->setRepeatTexts(RepeatTexts);
  SyncTexts = new TSyncTexts(this);
  PageMoveCommands[PhonesPage] = [this] { PhonesBook->MoveTB->click(); };
  PageMoveCommands[DatesPage] = [this] { DatesBook->MoveTB->click(); };
  PageMoveCommands[LinksPage] = [this] { LinksBook->MoveTB->click(); };
  MainPageControl->setCurrentWidget(TasksBook);
  setCentralWidget(MainPageControl);
}

void TMainForm::createTrayMenu() {
  TrayIconPopupMenu = new QMenu(this);
  TrayIconPopupMenu->setObjectName(QStringLiteral("TrayIconPopupMenu"));
  OpenItem = TrayIconPopupMenu->addAction(QStringLiteral("Открыть"));
  OpenItem->setObjectName(QStringLiteral("OpenItem"));
  TrayIconPopupMenu->addSeparator();
  AboutItem = TrayIconPopupMenu->addAction(QStringLiteral("О программе"));
  AboutItem->setObjectName(QStringLiteral("AboutItem"));
  TrayIconPopupMenu->addSeparator();
  ShutDownItem = TrayIconPopupMenu->addAction(QStringLiteral("Завершить работу"));
  ShutDownItem->setObjectName(QStringLiteral("ShutDownItem"));
  connect(OpenItem, &QAction::triggered, this, [this] { OpenItemClick(); });
  connect(AboutItem, &QAction::triggered, this, [this] { AboutItemClick(); });
  connect(ShutDownItem, &QAction::triggered, this, [this] { ShutDownItemClick(); });
}

void TMainForm::createLanguagePanel() {
  lang::TTextWindows windows;
  windows.add(QStringLiteral("MainForm"), this);
  windows.add(QStringLiteral("ToolsForm"), context_.toolsForm);
  windows.add(QStringLiteral("PasswordDlg"), context_.passwordDlg);
  windows.add(QStringLiteral("ChangePasswordDlg"), context_.changePasswordDlg);
  windows.add(QStringLiteral("MoveRecOnDateForm"), context_.moveRecOnDateForm);
  windows.add(QStringLiteral("MoveRecToSectForm"), context_.moveRecToSectForm);
  windows.add(QStringLiteral("TrayNotifyIcon"), trayNotifyIcon_.get());
  windows.add(QStringLiteral("ExchangeTexts"), ExchangeTexts);
  windows.add(QStringLiteral("RepeatTexts"), RepeatTexts);
  windows.add(QStringLiteral("SyncTexts"), SyncTexts);
  windows.add(QStringLiteral("CalendarTexts"), &Planner->texts());
  windows.add(QStringLiteral("SearchForm"), Planner->SearchForm);
  QStringList names = context_.languageFolders;
  if (names.isEmpty())
    names << QDir(QFileInfo(context_.programPath).absolutePath())
                 .filePath(QStringLiteral("Languages"));
  // A folder copied from another system may spell its name differently.
  std::vector<std::filesystem::path> folders;
  for (const QString& name : names) {
    const std::filesystem::path folder = localPath(name);
    folders.push_back(lang::entryAnyCase(folder.parent_path(), folder.filename().string()));
  }
  languages_ = new lang::TLanguageSwitch(*this, *MainTB, std::move(windows), std::move(folders));
  connect(languages_, &lang::TLanguageSwitch::languageApplied, this, [this] {
    // New texts may need other widths: the page lays itself out again.
    context_.toolsForm->fitToTexts();
    TasksBook->TasksBookResize();
    for (books::TSectionBook* book :
         std::initializer_list<books::TSectionBook*>{PhonesBook, DatesBook, LinksBook})
      book->BookResize();
    Planner->CalendarBook->showPeriod();
    if (syncControl_) syncControl_->Retranslate();
  });
}

void TMainForm::progress(int position) {
  if (context_.progress) context_.progress(position);
}

QString TMainForm::letterNotStored(const std::exception_ptr& error) const {
  try {
    std::rethrow_exception(error);
  } catch (const engine::LetterNotInCodePage& e) {
    // A code page that has the letter, among those new tables are made in.
    QString target = QStringLiteral("N");
    for (const int page : {1252, 1250, 1257, 1253, 1254, 1251})
      if (support::representable(e.character(), page)) {
        target = QString::number(page);
        break;
      }
    QString folder = QDir::toNativeSeparators(dataFolder());
    if (folder.contains(QLatin1Char(' '))) folder = QLatin1Char('"') + folder + QLatin1Char('"');
    return LetterNotStoredMessage.arg(
        QString::fromStdString(e.character()), QString::number(e.codePage()),
        QStringLiteral("torvelle-db recode %1 --code-page %2").arg(folder, target));
  } catch (...) {
    return {};
  }
}

QString TMainForm::dataFolder() const {
  if (!context_.dataFolder.isEmpty()) return context_.dataFolder;
  return QFileInfo(context_.programPath).absolutePath();
}

void TMainForm::FormCreate() {
  // Table paths and language files are relative to the data folder.
  if (QDir::current() != QDir(dataFolder())) QDir::setCurrent(dataFolder());

  trayNotifyIcon_->setIconVisible(true);
  // The grid and the filters write dates and times as the system does.
  session_.setDisplayFormats(toolkit::localeDisplayFormats());

  tables_->SetNoPassword(true);
  session_.setPasswordRequest([this](engine::Session& session) {
    return store::SessionPassword(session, *tables_, *context_.passwordDlg,
                                  *context_.changePasswordDlg);
  });
  session_.setErrorReport(
      [](const std::exception_ptr& error) { toolkit::ErrorBox::report(error); });
  context_.changePasswordDlg->attach(&session_, tables_.get());
  context_.toolsForm->attach(tables_.get(), context_.changePasswordDlg);
  connectOptions();

  if (context_.clock) TasksBook->setClock(*context_.clock);
  TasksBook->setViewedDay(TasksBook->today());
  TasksBook->SyncDayTab();

  openSettings();
  createReminders();
  languages_->addWindow(QStringLiteral("Reminders"), &reminders_->texts());
  progress(40);
  languages_->BuildLanguageMenu();
  progress(50);
  loadOptions();
  progress(60);

  autoBackup_ = std::make_unique<TAutoBackup>(this->tablesFolder());
  if (!hiddenStart_) {  // a hidden start stays hidden until opened from the tray
    const bool opened = openTables([this](int count) {
      if (count == 2) progress(70);
      if (count == 4) progress(80);
      if (count == 6) progress(90);
    });
    // Without its tables the program cannot run: it ends, and says it failed.
    if (!opened) {
      if (context_.requestTerminate) context_.requestTerminate(1);
      return;
    }
  }
  BackupIfDue();
  reminders_->start();
  createSync();
}

void TMainForm::createSync() {
  // The sync closes the tables while it writes them, as a restore does.
  auto wasOpen = std::make_shared<bool>(false);
  TSyncControl::Hooks hooks{tablesFolder(),
                            [this] { return session_.passwords(); },
                            [this, wasOpen] {
                              *wasOpen = tables_->TaskTable.isOpen();
                              if (*wasOpen) tables_->PostAndCloseTables();
                            },
                            [this, wasOpen] {
                              if (*wasOpen) tables_->OpenTables();
                            },
                            this,
                            statusBar(),
                            settings_.get(),
                            SyncTexts};
  syncControl_ = std::make_unique<TSyncControl>(std::move(hooks));
  syncControl_->AddActions(MainTB, TrayIconPopupMenu);
  syncControl_->Watch({&tables_->TaskTable, &tables_->PhonesTable, &tables_->DatesTable});
  syncControl_->Start();
}

bool TMainForm::openTables(const store::TTableSet::Progress& progress) {
  try {
    upgradeTables();
    tables_->OpenTables(progress);
    return true;
  } catch (...) {
    const std::exception_ptr error = std::current_exception();
    const store::TParadoxTable* failed = nullptr;
    for (store::TParadoxTable* t : tables_->openOrder())
      if (!failed && !t->isOpen()) failed = t;
    // Close what did open, unwritten: nothing is pending yet, and a
    // damaged set is left exactly as it was found. A later open starts over.
    for (store::TParadoxTable* t : tables_->closeOrder()) t->close();
    if (!isPasswordRefusal(error)) toolkit::ErrorBox::report(openFailureMessage(error, failed));
    return false;
  }
}

// An older folder gains the identity and repeat fields once. A folder that
// cannot be written, or a failed backup, leaves the tables as they are: they
// still open, only without what the new fields carry.
void TMainForm::upgradeTables() {
  try {
    const auto outcome = backup::upgradeTables(tablesFolder(), session_);
    if (!outcome.leftAsIs.empty()) qWarning("Tables not upgraded: %s", outcome.leftAsIs.c_str());
  } catch (const engine::DbError& e) {
    if (e.kind() == engine::DbError::Kind::PasswordNeeded) throw;
    qWarning("Tables not upgraded: %s", e.what());
  } catch (const std::exception& e) {
    qWarning("Tables not upgraded: %s", e.what());
  }
}

std::filesystem::path TMainForm::tablesFolder() const {
  return localPath(dataFolder());
}

void TMainForm::BackupIfDue() {
  const TOptions& options = *context_.options;
  if (!autoBackup_ || !options.automaticBackups()) return;
  autoBackup_->runIfDue(options.backupWhen(), options.backupsToKeep(), session_.passwords(),
                        tables_->TaskTable.isOpen(), [this](const QString& message) {
                          // Said once and without waiting for an answer; at
                          // shut-down only the error stream is left.
                          qWarning("Automatic backup failed: %s", qPrintable(message));
                          auto* box = new QMessageBox(
                              QMessageBox::Warning, QStringLiteral("Torvelle"),
                              BackupFailedMessage.arg(message), QMessageBox::Ok, this);
                          box->setObjectName(QStringLiteral("BackupFailureBox"));
                          box->setAttribute(Qt::WA_DeleteOnClose);
                          box->setModal(false);
                          box->show();
                        });
}

QString TMainForm::RestoreFromBackup(const std::filesystem::path& archive,
                                     const std::string& password) {
  backup::RestoreRequest request;
  request.passwords = session_.passwords();
  if (!password.empty()) request.passwords.push_back(password);
  request.setAsidePassword = backup::masterPassword(tablesFolder(), session_.passwords());
  request.keep = context_.options->backupsToKeep();
  const bool wasOpen = tables_->TaskTable.isOpen();
  tables_->PostAndCloseTables();
  backup::RestoreResult result;
  std::exception_ptr failure;
  try {
    result = backup::restoreBackup(archive, tablesFolder(), request);
  } catch (...) {
    failure = std::current_exception();
  }
  // The restored tables may carry the password the backup was made with.
  if (!failure && !password.empty()) session_.addPassword(password);
  if (wasOpen) tables_->OpenTables();
  if (failure) std::rethrow_exception(failure);
  QString message =
      RestoredMessage.arg(QString::fromStdString(result.setAside.filename().string()));
  for (const auto& problem : result.problems)
    message += QLatin1Char('\n') + QString::fromStdString(problem);
  return message;
}

void TMainForm::createReminders() {
  platform::TDesktopNotifications* notes = context_.notifications;
  if (notes == nullptr) {
    // The desktop's service first; a tray balloon where there is none; a
    // window of ours where there is no tray either.
    noteWays_.push_back(std::make_unique<platform::TFreedesktopNotifications>());
    noteWays_.push_back(
        std::make_unique<platform::TBalloonNotifications>(*context_.notifyArea, [this] {
          return trayNotifyIcon_ && trayNotifyIcon_->iconVisible() ? trayNotifyIcon_->notifyId()
                                                                   : quintptr(0);
        }));
    noteWays_.push_back(std::make_unique<platform::TWindowNotifications>());
    QList<platform::TDesktopNotifications*> ways;
    for (const auto& way : noteWays_) ways.append(way.get());
    noteWays_.push_back(std::make_unique<platform::TNotificationChain>(ways));
    notes = noteWays_.back().get();
  }
  reminders_ = std::make_unique<TReminders>(
      tables_->TaskTable, tables_->DatesTable, session_, *settings_, *notes,
      TReminderClock::system(context_.clock ? *context_.clock : support::Clock::system()));
  connect(reminders_.get(), &TReminders::openTask, this,
          [this](QDate date, QTime time) { OpenReminderTask(date, time); });
  connect(reminders_.get(), &TReminders::markTaskDone, this,
          [this](QDate date, QTime time) { MarkReminderTaskDone(date, time); });
  connect(reminders_.get(), &TReminders::openOverdue, this, [this] { OpenOverdueTasks(); });
  connect(reminders_.get(), &TReminders::openDates, this, [this] { OpenImportantDates(); });
  sleepWatch_ = std::make_unique<platform::TSleepWatch>();
  connect(sleepWatch_.get(), &platform::TSleepWatch::resumed, reminders_.get(),
          [this] { reminders_->clockChanged(); });
}

bool TMainForm::bringUp() {
  OpenFromTray();
  if (!tables_->TaskTable.isOpen()) return false;
  show();
  raise();
  activateWindow();
  return true;
}

void TMainForm::OpenReminderTask(QDate date, QTime time) {
  if (!bringUp()) return;
  MainPageControl->setCurrentWidget(TasksBook);
  toolkit::ErrorBox::guard([&] { TasksBook->showTask(date, time); });
}

void TMainForm::MarkReminderTaskDone(QDate date, QTime time) {
  toolkit::ErrorBox::guard([&] {
    if (tables_->TaskTable.isOpen()) {
      TasksBook->markTaskDone(date, time);
      return;
    }
    // In the tray the tables are closed; the file is changed directly, and
    // a password asked for it is not kept, as closing the window forgets it.
    try {
      books::markTaskDoneInFile(session_, tables_->TaskTable.tableName(), toolkit::fromQDate(date),
                                toolkit::fromQTime(time));
    } catch (...) {
      session_.removeAllPasswords();
      throw;
    }
    session_.removeAllPasswords();
  });
  reminders_->reload();
}

void TMainForm::OpenOverdueTasks() {
  if (!bringUp()) return;
  MainPageControl->setCurrentWidget(TasksBook);
  TasksBook->setTaskMode(books::OverdueTasks);
}

void TMainForm::OpenImportantDates() {
  if (!bringUp()) return;
  MainPageControl->setCurrentWidget(DatesBook);
}

bool TMainForm::isPasswordRefusal(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const engine::DbError& e) {
    // The user was asked and gave up, or gave wrong passwords: no news.
    return e.kind() == engine::DbError::Kind::PasswordNeeded;
  } catch (...) {
    return false;
  }
}

QString TMainForm::openFailureMessage(const std::exception_ptr& error,
                                      const store::TParadoxTable* table) {
  QString message = toolkit::ErrorBox::messageOf(error);
  if (!table) return message;
  const QString path = QString::fromStdString(table->tableName().string());
  if (!message.contains(path)) message = path + QStringLiteral(": ") + message;
  return message + QStringLiteral(
                       "\n\nThe program cannot run without this table. \"torvelle-db check %1\" "
                       "examines the file.")
                       .arg(path);
}

void TMainForm::openSettings() {
  const std::filesystem::path path =
      localPath(dataFolder()) /
      localPath(QFileInfo(context_.programPath).fileName()).replace_extension(".ini");
  std::error_code error;
  const bool existed = std::filesystem::exists(path, error);
  // Only a missing file is made: an existing one is never emptied.
  if (!existed) {
    support::createEmptyFile(path);
    // The settings name the user's files and places: for the owner only.
    QFile::setPermissions(QString::fromStdString(path.string()),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
  }
  settings_ = std::make_unique<support::ProfileFile>(path);
  if (!existed) {
    support::writeSettingsDefaults(*settings_);
    // A first start speaks the user's language when it ships; the language
    // switch falls back to English for any other.
    support::writeSetting(*settings_, support::kLanguage,
                          firstStartLanguage(context_.systemLocale).toStdString());
  }
}

void TMainForm::loadOptions() {
  const support::ProfileFile& settings = *settings_;
  const TOptions::LoadingScope loading(*context_.options);
  context_.options->load(*settings_);
  SetMinimizeButton(context_.options->showInTaskBar());
  // Every window carries the chosen language before it is first shown.
  languages_->SelectStoredLanguage(*settings_);

  // Applied at every start; the two options only decide what is written back.
  resize(readSetting(settings, support::kWindowWidth),
         readSetting(settings, support::kWindowHeight));
  const int left = readSetting(settings, support::kWindowLeft);
  const int top = readSetting(settings, support::kWindowTop);
  move(left, top);
  if (storedPlaceMeansCentre(left, top)) SetWindowToCenter();
}

void TMainForm::connectOptions() {
  connect(context_.options, &TOptions::changed, this,
          [this](TOptions::Option option) { OptionChanged(option); });
  TToolsForm* tools = context_.toolsForm;
  connect(tools, &TToolsForm::centreWindowRequested, this, [this] { SetWindowToCenter(); });
  connect(tools, &TToolsForm::defaultWindowSizeRequested, this, [this] {
    resize(kDefaultWidth, kDefaultHeight);
    SetWindowToCenter();
  });
  connect(tools, &TToolsForm::restoreRequested, this,
          [this] { toolkit::ErrorBox::guard([this] { RestoreFromDialog(); }); });
  // Without a task-bar button a minimised window could not be found again.
  connect(tools, &TToolsForm::closing, this,
          [this] { SetMinimizeButton(context_.options->showInTaskBar()); });
}

void TMainForm::OptionChanged(TOptions::Option option) {
  const TOptions& options = *context_.options;
  switch (option) {
    case TOptions::Option::ShowInTaskBar:
      // While loading the window is not shown yet; activating it sets the entry.
      if (!options.loading()) trayNotifyIcon_->setHideTask(!options.showInTaskBar());
      break;
    case TOptions::Option::ShowHints:
      toolkit::ToolTips::setEnabled(options.showHints());
      break;
    case TOptions::Option::Reminders:
      if (reminders_) reminders_->setOptions(options.reminders());
      break;
    default:
      break;
  }
}

void TMainForm::RestoreFromDialog() {
  context_.toolsForm->RestoreDlg->Execute(
      backup::backupFolder(tablesFolder()), session_.passwords(),
      [this](const std::filesystem::path& archive, const std::string& password) {
        return RestoreFromBackup(archive, password);
      });
}

void TMainForm::FormDestroy() {
  // A destructor must not throw: what fails here is reported and the rest
  // still runs, so the settings are written even when a post failed.
  toolkit::ErrorBox::guard([this] {
    if (tables_->TaskTable.isOpen()) tables_->PostAndCloseTables();
  });
  if (settings_) BackupIfDue();
  if (settings_) {
    const TOptions& options = *context_.options;
    toolkit::ErrorBox::guard([&] {
      if (options.saveWindowPosition()) {
        writeSetting(*settings_, support::kWindowLeft, x());
        writeSetting(*settings_, support::kWindowTop, y());
      }
      if (options.saveWindowSize()) {
        writeSetting(*settings_, support::kWindowWidth, width());
        writeSetting(*settings_, support::kWindowHeight, height());
      }
    });
  }
  context_.options->unbind();
  settings_.reset();
  context_.changePasswordDlg->attach(nullptr, nullptr);
  context_.toolsForm->attach(nullptr, context_.changePasswordDlg);
}

void TMainForm::SetWindowToCenter() {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QSize size = frameGeometry().size();
  move(area.x() + centredEdge(area.width(), size.width()),
       area.y() + centredEdge(area.height(), size.height()));
}

void TMainForm::SetMinimizeButton(bool on) {
  if (hasMinimizeButton() == on) return;
  // Changing the frame hides a shown window; it comes back at once.
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowMinimizeButtonHint, on);
  if (visible) show();
}

bool TMainForm::hasMinimizeButton() const {
  return windowFlags().testFlag(Qt::WindowMinimizeButtonHint);
}

void TMainForm::OpenFromTray() {
  // A partly opened set counts as open: nothing to do.
  if (tables_->TaskTable.isOpen()) return;
  context_.passwordDlg->PromptCount = 0;
  if (!openTables()) return;  // reported; the window stays in the tray
  BackupIfDue();
  show();
  raise();
  activateWindow();
}

void TMainForm::FormActivate() {
  trayNotifyIcon_->setHideTask(!context_.options->showInTaskBar());
}

bool TMainForm::FormKeyDown(int key) {
  if (key == Qt::Key_F6) {
    const int page = MainPageControl->currentIndex();
    if (page >= 0 && page < static_cast<int>(PageMoveCommands.size()) && PageMoveCommands[page])
      PageMoveCommands[page]();
    return true;
  }
  if (key == Qt::Key_Escape) {
    close();
    return true;
  }
  return false;
}

void TMainForm::ToolsTBClick() {
  context_.toolsForm->exec();
}

void TMainForm::AboutTBClick() {
  if (aboutBox_) aboutBox_->exec();
}

void TMainForm::ExitTBClick() {
  close();
}

void TMainForm::OpenItemClick() {
  OpenFromTray();
}

void TMainForm::AboutItemClick() {
  if (aboutBox_) aboutBox_->exec();
}

void TMainForm::ShutDownItemClick() {
  if (context_.requestTerminate) context_.requestTerminate(0);
}

void TMainForm::TrayNotifyIconDblClick() {
  OpenFromTray();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  // Closing never destroys the window: the program stays in the tray.
  event->ignore();
  try {
    tables_->PostAndCloseTables();
  } catch (...) {
    // The record could not be saved: the window stays for the user to mend it.
    toolkit::ErrorBox::report(std::current_exception());
    return;
  }
  // While the password is still known, for a protected set.
  BackupIfDue();
  session_.removeAllPasswords();
  hide();
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

}  // namespace torvelle::shell
