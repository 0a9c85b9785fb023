#pragma once
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace torvelle::platform {
class TAutoStartStore;
class TInstanceList;
class TNotifyArea;
class TDesktopNotifications;
class TShellOpen;
}  // namespace torvelle::platform

namespace torvelle::store {
class TChangePasswordDlg;
class TPasswordDlg;
}  // namespace torvelle::store

namespace torvelle::books {
class TMoveRecOnDateForm;
class TMoveRecToSectForm;
}  // namespace torvelle::books

namespace torvelle::support {
class Clock;
}

namespace torvelle::shell {

class TAboutBox;
class TMainForm;
class TOptions;
class TSplashForm;
class TToolsForm;

// The operating-system services the program runs on; tests pass fakes.
struct TPlatformServices {
  platform::TInstanceList& instances;
  platform::TNotifyArea& notifyArea;
  platform::TShellOpen& shellOpen;
  platform::TAutoStartStore& autoStart;
  // Where reminders go; none: the desktop's service, else a tray balloon,
  // else a window of ours.
  platform::TDesktopNotifications* notifications = nullptr;
};

struct TStartupOptions {
  QString programPath;    // the executable: its folder, settings file and instance key
  QStringList arguments;  // without the program name
  // Hears each step as it happens: "create <name>" and "progress <n>".
  std::function<void(const QString& step)> trace;
  // The program's clock; the system's when null.
  const support::Clock* clock = nullptr;
  QString dataFolder;  // where settings and tables live; the program's folder when empty
  // Where language files are looked for, first match first; empty: the
  // Languages folder beside the program.
  QStringList languageFolders;
  // The user's locale: the interface language of a first start.
  QLocale systemLocale = QLocale::system();
};

// The program from its first check to its end. The windows live as long as
// this object; those made before the main window are destroyed after it.
class TStartup {
 public:
  TStartup(TPlatformServices services, TStartupOptions options);
  ~TStartup();
  TStartup(const TStartup&) = delete;
  TStartup& operator=(const TStartup&) = delete;

  // Everything up to the message loop. False when another instance runs:
  // then nothing was created.
  bool start();
  // The message loop, until termination is asked for; the exit code asked
  // for (0 unless start-up failed).
  int run();

  // Ends the message loop, or keeps it from starting when asked before.
  void requestTerminate(int exitCode = 0);
  // A request to end from outside (SIGTERM, SIGINT, SIGHUP, the session
  // manager at log-out) takes the tray's shut-down path: the record being
  // typed and the window's place are saved on the way out.
  void endOnTerminationRequests();
  bool terminateRequested() const { return terminate_; }

  TMainForm* mainForm() const { return mainForm_.get(); }
  TToolsForm* toolsForm() const { return toolsForm_.get(); }
  TOptions* userOptions() const { return userOptions_.get(); }
  store::TPasswordDlg* passwordDlg() const { return passwordDlg_.get(); }
  store::TChangePasswordDlg* changePasswordDlg() const { return changePasswordDlg_.get(); }
  TAboutBox* aboutBox() const { return aboutBox_.get(); }
  bool splashShown() const { return splashShown_; }
  // Only while start-up runs.
  TSplashForm* splashForm() const { return splash_.get(); }

 private:
  void trace(const QString& step) const;
  void setProgress(int position);

  TPlatformServices services_;
  TStartupOptions options_;
  bool terminate_ = false;
  int exitCode_ = 0;
  bool running_ = false;
  bool splashShown_ = false;
  // In creation order; destroyed in reverse.
  std::unique_ptr<TSplashForm> splash_;
  std::unique_ptr<store::TPasswordDlg> passwordDlg_;
  std::unique_ptr<store::TChangePasswordDlg> changePasswordDlg_;
  std::unique_ptr<TOptions> userOptions_;
  std::unique_ptr<TToolsForm> toolsForm_;
  std::unique_ptr<books::TMoveRecToSectForm> moveRecToSectForm_;
  std::unique_ptr<books::TMoveRecOnDateForm> moveRecOnDateForm_;
  std::unique_ptr<TMainForm> mainForm_;
  std::unique_ptr<TAboutBox> aboutBox_;
  std::unique_ptr<QObject> terminationSignals_;
};

}  // namespace torvelle::shell
