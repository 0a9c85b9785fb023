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
#include <fstream>
#include <iterator>

#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/BackupFolder.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::shell {
namespace {

std::string readWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// "Tasks 12, Phones 40, ...": each table by its file name.
QString countsText(const backup::BackupContents& contents) {
  QStringList parts;
  for (const auto& t : contents.tables)
    parts << QStringLiteral("%1 %2")
                 .arg(QString::fromStdString(std::filesystem::path(t.table).stem().string()))
                 .arg(t.records);
  return parts.join(QStringLiteral(", "));
}

QString describe(const std::filesystem::path& path, const std::vector<std::string>& passwords) {
  try {
    return countsText(backup::readArchive(readWhole(path), passwords));
  } catch (const backup::BackupError& e) {
    if (e.kind() == backup::BackupError::Kind::Password)
      return QStringLiteral("Protected by the password it was made with");
    return QString::fromUtf8(e.what());
  }
}

}  // namespace

TRestoreDlg::TRestoreDlg(std::filesystem::path folder, std::vector<std::string> passwords,
                         Restore restore, QWidget* parent)
    : QDialog(parent),
      folder_(std::move(folder)),
      passwords_(std::move(passwords)),
      restore_(std::move(restore)) {
  setObjectName(QStringLiteral("RestoreDlg"));
  setWindowTitle(QStringLiteral("Restore from a backup"));
  BackupsTV = new QTreeWidget(this);
  BackupsTV->setObjectName(QStringLiteral("BackupsTV"));
  BackupsTV->setHeaderLabels({QStringLiteral("Taken"), QStringLiteral("Records")});
  BackupsTV->setRootIsDecorated(false);
  BackupsTV->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  NoteLabel = new QLabel(
      QStringLiteral("The tables now in use are kept as one more backup first. A backup made "
                     "before the master password changed opens only with the password it was "
                     "made with:"),
      this);
  NoteLabel->setObjectName(QStringLiteral("NoteLabel"));
  NoteLabel->setWordWrap(true);
  PasswordEdit = new QLineEdit(this);
  PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
  PasswordEdit->setEchoMode(QLineEdit::Password);
  RestoreSB = new QPushButton(QStringLiteral("Restore"), this);
  RestoreSB->setObjectName(QStringLiteral("RestoreSB"));
  CancelSB = new QPushButton(QStringLiteral("Close"), this);
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
  FillList();
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
    item->setText(1, describe(b.path, passwordsToTry()));
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
