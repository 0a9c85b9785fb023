#pragma once
#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QProgressBar;
class QStatusBar;
class QToolBar;
class QWidget;

namespace torvelle::support {
class ProfileFile;
}
namespace torvelle::sync {
class SyncRun;
}
namespace torvelle::engine {
class Table;
}

namespace torvelle::shell {

class TSyncTexts;

// When and how the window syncs with the phone's server: on demand, soon
// after start, every so many minutes, and a little while after a change
// here. Trouble (offline, a server error) is said once in the status bar
// and tried again later; conflicts are listed when a sync is done.
class TSyncControl : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    std::filesystem::path root;
    std::function<std::vector<std::string>()> passwords;  // the session's
    std::function<void()> release;                        // close the tables
    std::function<void()> reclaim;                        // open them again
    QWidget* window = nullptr;
    QStatusBar* statusBar = nullptr;
    support::ProfileFile* settings = nullptr;
    const TSyncTexts* texts = nullptr;  // never null once built
  };

  TSyncControl(Hooks hooks, QObject* parent = nullptr);
  ~TSyncControl() override;

  void SyncNow();
  void EditAccount();
  // A record was changed here: sync once things have been quiet a while.
  void LocalChanged();
  void Start();
  // The sync button on the tool bar, and the sync and account entries of
  // the tray menu.
  void AddActions(QToolBar* toolBar, QMenu* trayMenu);
  // Changes to these tables start the quiet-time wait.
  void Watch(const std::vector<engine::Table*>& tables);
  // The entries take the texts of a newly chosen language.
  void Retranslate();

  bool running() const { return run_ != nullptr; }

 private:
  void finished();
  void say(const QString& text, int timeout = 0);
  std::string masterPassword() const;

  Hooks hooks_;
  QTimer periodic_;
  QTimer debounce_;
  std::unique_ptr<sync::SyncRun> run_;
  QProgressBar* progress_ = nullptr;
  QString lastTrouble_;
  bool again_ = false;
  class ChangeWatch;
  std::unique_ptr<ChangeWatch> watch_;
  std::vector<engine::Table*> watched_;
  QAction* syncButton_ = nullptr;
  QAction* syncItem_ = nullptr;
  QAction* accountItem_ = nullptr;
};

}  // namespace torvelle::shell
