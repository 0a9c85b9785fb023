#include "shell/Startup.h"

#include "books/MoveRecOnDate.h"
#include "books/MoveRecToSect.h"

#include <QApplication>
#include <QLabel>
#include <QSessionManager>
#include <algorithm>

#include "platform/InstanceStart.h"
#include "platform/NotifyArea.h"
#include "platform/TerminationSignals.h"
#include "shell/AboutBox.h"
#include "shell/MainForm.h"
#include "shell/Options.h"
#include "shell/SplashForm.h"
#include "shell/ToolsForm.h"
#include "store/dialogs/ChangePasswordDlg.h"
#include "store/dialogs/PasswordDlg.h"
#include "support/ScrambledTexts.h"

namespace torvelle::shell {

TStartup::TStartup(TPlatformServices services, TStartupOptions options)
    : services_(services), options_(std::move(options)) {}

TStartup::~TStartup() {
  // The main window's last handler still reads the options.
  aboutBox_.reset();
  mainForm_.reset();
  moveRecOnDateForm_.reset();
  moveRecToSectForm_.reset();
  toolsForm_.reset();
  userOptions_.reset();
  changePasswordDlg_.reset();
  passwordDlg_.reset();
  splash_.reset();
}

void TStartup::trace(const QString& step) const {
  if (options_.trace) options_.trace(step);
}

void TStartup::setProgress(int position) {
  splash_->setProgress(position);
  trace(QStringLiteral("progress %1").arg(position));
}

void TStartup::requestTerminate(int exitCode) {
  terminate_ = true;
  exitCode_ = std::max(exitCode_, exitCode);
  // Outside the loop exit() would only make every later modal dialog return
  // at once; run() sees the flag instead.
  if (running_) QCoreApplication::exit(exitCode_);
}

void TStartup::endOnTerminationRequests() {
  auto watcher = std::make_unique<platform::TTerminationSignals>();
  QObject::connect(watcher.get(), &platform::TTerminationSignals::terminationRequested,
                   [this] { requestTerminate(); });
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, watcher.get(),
                   [this] { requestTerminate(); });
  terminationSignals_ = std::move(watcher);
}

bool TStartup::start() {
  // Without a notification area a copy closed to the tray could not be
  // reached again; there a second start asks it to open instead.
  const bool handOverOpen = !services_.notifyArea.isAvailable();
  if (platform::startInstance(services_.instances, options_.programPath, handOverOpen) !=
      platform::TInstanceStart::First)
    return false;

  const bool hidden = options_.arguments.value(0) == QLatin1String("-h");

  splash_ = std::make_unique<TSplashForm>();
  trace(QStringLiteral("create SplashForm"));
  splash_->setSecondLine(QString::fromStdString(support::splashSecondLine()));
  if (!hidden) {
    splash_->show();
    splashShown_ = true;
  }
  splash_->repaint();
  if (splashShown_) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  passwordDlg_ = std::make_unique<store::TPasswordDlg>();
  trace(QStringLiteral("create PasswordDlg"));
  setProgress(10);

  changePasswordDlg_ = std::make_unique<store::TChangePasswordDlg>();
  trace(QStringLiteral("create ChangePasswordDlg"));
  userOptions_ = std::make_unique<TOptions>();
  toolsForm_ =
      std::make_unique<TToolsForm>(*userOptions_, services_.autoStart, options_.programPath);
  trace(QStringLiteral("create ToolsForm"));
  setProgress(20);

  moveRecToSectForm_ = std::make_unique<books::TMoveRecToSectForm>();
  trace(QStringLiteral("create MoveRecToSectForm"));
  moveRecOnDateForm_ = std::make_unique<books::TMoveRecOnDateForm>();
  trace(QStringLiteral("create MoveRecOnDateForm"));
  setProgress(30);

  TMainFormContext context;
  context.programPath = options_.programPath;
  context.dataFolder = options_.dataFolder;
  context.arguments = options_.arguments;
  context.notifyArea = &services_.notifyArea;
  context.notifications = services_.notifications;
  context.passwordDlg = passwordDlg_.get();
  context.changePasswordDlg = changePasswordDlg_.get();
  context.toolsForm = toolsForm_.get();
  context.options = userOptions_.get();
  context.moveRecOnDateForm = moveRecOnDateForm_.get();
  context.languageFolders = options_.languageFolders;
  context.moveRecToSectForm = moveRecToSectForm_.get();
  context.shellOpen = &services_.shellOpen;
  context.progress = [this](int position) { setProgress(position); };
  context.requestTerminate = [this](int exitCode) { requestTerminate(exitCode); };
  context.clock = options_.clock;
  context.systemLocale = options_.systemLocale;
  mainForm_ = std::make_unique<TMainForm>(std::move(context));
  trace(QStringLiteral("create MainForm"));
  // Queued: opening may raise the password prompt, whose nested loop must
  // not run inside the handler of the request's socket.
  QObject::connect(
      &services_.instances, &platform::TInstanceList::openRequested, mainForm_.get(),
      [form = mainForm_.get()] { form->OpenFromTray(); }, Qt::QueuedConnection);
  setProgress(100);

  aboutBox_ = std::make_unique<TAboutBox>(services_.shellOpen, splash_->LogoImage->pixmap());
  mainForm_->setAboutBox(aboutBox_.get());
  trace(QStringLiteral("create AboutBox"));

  splash_.reset();
  trace(QStringLiteral("destroy SplashForm"));

  if (!hidden && !terminate_) mainForm_->show();
  return true;
}

int TStartup::run() {
  // Asked to end while starting (the tables would not open): the loop ends
  // on its first pass.
  if (terminate_) return exitCode_;
  running_ = true;
  QApplication::exec();
  running_ = false;
  return exitCode_;
}

}  // namespace torvelle::shell
