#include "shell/RestoreDlg.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <optional>

#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/BackupFolder.h"
#include "support/AtomicFile.h"
#include "support/IoError.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::shell {
namespace {

// "Tasks 12, Phones 40, ...": each table by its file name.
QString countsText(const backup::BackupContents& contents) {
  QStringList parts;
  for (const auto& t : contents.tables)
    parts << QStringLiteral("%1 %2")
                 .arg(QString::fromStdString(std::filesystem::path(t.table).stem().string()))
                 .arg(t.records);
  return parts.join(QStringLiteral(", "));
}

QString describe(const std::filesystem::path& path, const std::vector<std::string>& passwords,
                 const QString& sealedNote) {
  try {
    // A file gone since the listing reads as empty, which the archive reader calls damaged.
    const std::optional<std::string> bytes = support::readWholeFile(path);
    return countsText(backup::readArchive(bytes.value_or(std::string()), passwords));
  } catch (const support::IoError& e) {
    return QString::fromUtf8(e.what());
  } catch (const backup::BackupError& e) {
    if (e.kind() == backup::BackupError::Kind::Password) return sealedNote;
    return QString::fromUtf8(e.what());
  }
}

}  // namespace

TRestoreDlg::TRestoreDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("RestoreDlg"));
  setWindowTitle(QStringLiteral("Восстановление из копии"));
  BackupsTV = new QTreeWidget(this);
  BackupsTV->setObjectName(QStringLiteral("BackupsTV"));
  BackupsTV->setHeaderLabels({QStringLiteral("Сделана"), QStringLiteral("Записи")});
  BackupsTV->setRootIsDecorated(false);
  BackupsTV->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  NoteLabel = new QLabel(
      QStringLiteral("Таблицы, открытые сейчас, сначала сохраняются ещё одной копией. Копия, "
                     "сделанная до смены пароля, открывается только тем паролем, с которым она "
                     "сделана:"),
      this);
  NoteLabel->setObjectName(QStringLiteral("NoteLabel"));
  NoteLabel->setWordWrap(true);
  PasswordEdit = new QLineEdit(this);
  PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
  PasswordEdit->setEchoMode(QLineEdit::Password);
  RestoreSB = new QPushButton(QStringLiteral("Восстановить"), this);
  RestoreSB->setObjectName(QStringLiteral("RestoreSB"));
  CancelSB = new QPushButton(QStringLiteral("Закрыть"), this);
  CancelSB->setObjectName(QStringLiteral("CancelSB"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(RestoreSB);
  buttons->addWidget(CancelSB);
  auto* form = new QVBoxLayout(this);
  form->addWidget(BackupsTV);
  form->addWidget(NoteLabel);
  form->addWidget(PasswordEdit);
  form->addLayout(buttons);
  resize(560, 360);

  connect(RestoreSB, &QPushButton::clicked, this,
          [this] { toolkit::ErrorBox::guard([this] { RestoreSBClick(); }); });
  connect(CancelSB, &QPushButton::clicked, this, &QDialog::reject);
  connect(PasswordEdit, &QLineEdit::editingFinished, this, [this] { FillList(); });
}

int TRestoreDlg::Execute(std::filesystem::path folder, std::vector<std::string> passwords,
                         Restore restore) {
  folder_ = std::move(folder);
  passwords_ = std::move(passwords);
  restore_ = std::move(restore);
  PasswordEdit->clear();
  BackupsTV->clear();
  FillList();
  const int result = exec();
  // The session's passwords are not kept beyond the showing.
  passwords_.clear();
  PasswordEdit->clear();
  return result;
}

std::vector<std::string> TRestoreDlg::passwordsToTry() const {
  auto passwords = passwords_;
  if (!PasswordEdit->text().isEmpty()) passwords.push_back(PasswordEdit->text().toStdString());
  return passwords;
}

void TRestoreDlg::FillList() {
  const int selected = BackupsTV->currentIndex().row();
  BackupsTV->clear();
  for (const auto& b : backup::listBackups(folder_)) {
    auto* item = new QTreeWidgetItem(BackupsTV);
    item->setText(0, QDateTime::fromSecsSinceEpoch(b.created).toString(
                         QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    item->setText(1, describe(b.path, passwordsToTry(), SealedNote));
    item->setToolTip(1, item->text(1));
    item->setData(0, Qt::UserRole, QString::fromStdString(b.path.string()));
  }
  if (BackupsTV->topLevelItemCount() > 0)
    BackupsTV->setCurrentItem(BackupsTV->topLevelItem(std::max(selected, 0)));
  RestoreSB->setEnabled(BackupsTV->topLevelItemCount() > 0);
}

void TRestoreDlg::RestoreSBClick() {
  const QTreeWidgetItem* item = BackupsTV->currentItem();
  if (!item) return;
  const std::filesystem::path archive = item->data(0, Qt::UserRole).toString().toStdString();
  const QString message = restore_(archive, PasswordEdit->text().toStdString());
  FillList();
  QMessageBox::information(this, windowTitle(), message);
}

}  // namespace torvelle::shell
