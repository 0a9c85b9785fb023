#include "shell/SyncControl.h"

#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "backup/BackupFolder.h"
#include "engine/Table.h"
#include "engine/TableObserver.h"
#include "engine/format/TableFile.h"
#include "shell/SyncAccountDlg.h"
#include "shell/SyncTexts.h"
#include "support/ProfileFile.h"
#include "sync/LocalBook.h"
#include "sync/SyncError.h"
#include "sync/SyncRun.h"

namespace torvelle::shell {
namespace {

constexpr int kDefaultMinutes = 15;
// Quiet time after a change here before it goes to the server.
constexpr int kDebounceMs = 30 * 1000;
constexpr int kStartDelayMs = 5 * 1000;

}  // namespace

class TSyncControl::ChangeWatch : public engine::TableObserver {
 public:
  explicit ChangeWatch(TSyncControl& control) : control_(control) {}
  void rowsInserted(engine::Table&, std::size_t, std::size_t) override { control_.LocalChanged(); }
  void rowsRemoved(engine::Table&, std::size_t, std::size_t) override { control_.LocalChanged(); }
  void rowChanged(engine::Table&, std::size_t) override { control_.LocalChanged(); }

 private:
  TSyncControl& control_;
};

TSyncControl::TSyncControl(Hooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)) {
  debounce_.setSingleShot(true);
  debounce_.setInterval(kDebounceMs);
  connect(&debounce_, &QTimer::timeout, this, [this] { SyncNow(); });
  connect(&periodic_, &QTimer::timeout, this, [this] { SyncNow(); });
  if (hooks_.statusBar) {
    progress_ = new QProgressBar(hooks_.statusBar);
    progress_->setObjectName(QStringLiteral("SyncProgress"));
    progress_->setMaximumWidth(160);
    progress_->hide();
    hooks_.statusBar->addPermanentWidget(progress_);
  }
}

TSyncControl::~TSyncControl() {
  for (engine::Table* table : watched_) table->removeObserver(watch_.get());
}

void TSyncControl::Watch(const std::vector<engine::Table*>& tables) {
  if (!watch_) watch_ = std::make_unique<ChangeWatch>(*this);
  for (engine::Table* table : tables) {
    table->addObserver(watch_.get());
    watched_.push_back(table);
  }
}

void TSyncControl::AddActions(QToolBar* toolBar, QMenu* trayMenu) {
  // Beside the tools and about buttons: the right end belongs to the
  // language panel.
  syncButton_ =
      new QAction(toolBar->style()->standardIcon(QStyle::SP_BrowserReload), QString(), toolBar);
  syncButton_->setObjectName(QStringLiteral("SyncTB"));
  toolBar->insertAction(toolBar->actions().value(2), syncButton_);
  connect(syncButton_, &QAction::triggered, this, [this] { SyncNow(); });
  QAction* first = trayMenu->actions().value(1);  // after "open" and its separator
  syncItem_ = new QAction(trayMenu);
  syncItem_->setObjectName(QStringLiteral("SyncItem"));
  accountItem_ = new QAction(trayMenu);
  accountItem_->setObjectName(QStringLiteral("SyncAccountItem"));
  trayMenu->insertActions(first, {syncItem_, accountItem_});
  connect(syncItem_, &QAction::triggered, this, [this] { SyncNow(); });
  connect(accountItem_, &QAction::triggered, this, [this] { EditAccount(); });
  Retranslate();
}

void TSyncControl::Retranslate() {
  if (!syncButton_) return;
  syncButton_->setText(hooks_.texts->SyncButton);
  syncItem_->setText(hooks_.texts->SyncButton);
  accountItem_->setText(hooks_.texts->AccountItem);
}

std::string TSyncControl::masterPassword() const {
  return backup::masterPassword(hooks_.root, hooks_.passwords());
}

void TSyncControl::say(const QString& text, int timeout) {
  if (hooks_.statusBar) hooks_.statusBar->showMessage(text, timeout);
}

void TSyncControl::Start() {
  const int minutes = hooks_.settings
                          ? hooks_.settings->readInteger("Sync", "Minutes", kDefaultMinutes)
                          : kDefaultMinutes;
  periodic_.stop();
  if (minutes > 0) periodic_.start(minutes * 60 * 1000);
  if (std::filesystem::exists(hooks_.root / "DB/Sync/Account.txt")) {
    QTimer::singleShot(kStartDelayMs, this, [this] { SyncNow(); });
  }
}

void TSyncControl::LocalChanged() {
  if (std::filesystem::exists(hooks_.root / "DB/Sync/Account.txt")) debounce_.start();
}

void TSyncControl::SyncNow() {
  if (run_) {
    again_ = true;
    return;
  }
  std::optional<sync::Account> account;
  sync::SyncOptions options;
  try {
    account = sync::loadAccount(hooks_.root, masterPassword());
    options.root = hooks_.root;
    options.passwords = hooks_.passwords();
    options.protect = format::TableFile::isProtected(
        sync::LocalBook::tablePath(hooks_.root, sync::SyncBook::Tasks));
  } catch (const std::exception& e) {
    return say(hooks_.texts->Trouble.arg(QString::fromStdString(e.what())));
  }
  if (!account) return EditAccount();
  options.release = hooks_.release;
  options.reclaim = hooks_.reclaim;
  run_ = std::make_unique<sync::SyncRun>(options, *account);
  connect(run_.get(), &sync::SyncRun::progress, this,
          [this](const QString& what, int done, int total) {
            if (!progress_) return;
            // Only long runs (a first sync) show a bar; short ones just a word.
            progress_->setVisible(total > 20);
            progress_->setRange(0, total);
            progress_->setValue(done);
            if (lastTrouble_.isEmpty()) say(what);
          });
  connect(run_.get(), &sync::SyncRun::finished, this, [this] { finished(); });
  say(hooks_.texts->Syncing);
  run_->start();
}

void TSyncControl::finished() {
  const sync::SyncSummary summary = run_->summary();
  run_.release()->deleteLater();
  if (progress_) progress_->hide();
  if (!summary.ok()) {
    // Said once; the next attempt comes with the timer, not a box each time.
    const QString trouble = QString::fromStdString(summary.errors.front());
    if (trouble != lastTrouble_) say(hooks_.texts->Failed.arg(trouble));
    lastTrouble_ = trouble;
  } else {
    lastTrouble_.clear();
    say(hooks_.texts->Synced, 5000);
  }
  if (!summary.conflicts.empty() && hooks_.window) {
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Torvelle"),
                                hooks_.texts->Conflicts.arg(summary.conflicts.size()),
                                QMessageBox::Ok, hooks_.window);
    box->setObjectName(QStringLiteral("SyncSummaryBox"));
    box->setDetailedText(QString::fromStdString(summary.text()));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
  }
  if (again_) {
    again_ = false;
    SyncNow();
  }
}

void TSyncControl::EditAccount() {
  TSyncAccountDlg dlg(*hooks_.texts, hooks_.window);
  std::string master;
  // A first account starts at the interval the timers use, not at "only by hand".
  const int minutes = hooks_.settings
                          ? hooks_.settings->readInteger("Sync", "Minutes", kDefaultMinutes)
                          : kDefaultMinutes;
  dlg.setAccount({}, minutes);
  try {
    master = masterPassword();
    if (const auto account = sync::loadAccount(hooks_.root, master)) {
      dlg.setAccount(*account, minutes);
    }
  } catch (const std::exception& e) {
    say(QString::fromStdString(e.what()));
  }
  if (dlg.exec() != QDialog::Accepted) return;
  try {
    sync::saveAccount(hooks_.root, dlg.account(), master);
    if (hooks_.settings) hooks_.settings->writeInteger("Sync", "Minutes", dlg.minutes());
    sync::SyncOptions options;
    options.root = hooks_.root;
    options.passwords = hooks_.passwords();
    options.protect = !master.empty();
    const auto chosen = dlg.chosen();
    if (!chosen.empty()) sync::SyncRun(options, dlg.account()).keepCollections(chosen);
  } catch (const std::exception& e) {
    return say(QString::fromStdString(e.what()));
  }
  Start();
  if (!dlg.chosen().empty()) return SyncNow();
  // No collections picked: found and chosen as the command line does.
  sync::SyncOptions options;
  options.root = hooks_.root;
  options.passwords = hooks_.passwords();
  options.protect = !master.empty();
  auto* setup = new sync::SyncRun(options, dlg.account(), this);
  setup->setUp([this, setup](const QString& error) {
    setup->deleteLater();
    if (!error.isEmpty()) return say(hooks_.texts->Trouble.arg(error));
    SyncNow();
  });
}

}  // namespace torvelle::shell
