#include "shell/SyncAccountDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "shell/SyncTexts.h"
#include "sync/DavClient.h"
#include "sync/Discovery.h"

namespace torvelle::shell {

TSyncAccountDlg::TSyncAccountDlg(const TSyncTexts& texts, QWidget* parent)
    : QDialog(parent), texts_(texts) {
  setObjectName(QStringLiteral("SyncAccountDlg"));
  setWindowTitle(texts.AccountCaption);
  auto* form = new QFormLayout;
  ServerEdit = new QLineEdit(this);
  ServerEdit->setObjectName(QStringLiteral("ServerEdit"));
  ServerEdit->setPlaceholderText(QStringLiteral("https://dav.example.org"));
  UserEdit = new QLineEdit(this);
  UserEdit->setObjectName(QStringLiteral("UserEdit"));
  PasswordEdit = new QLineEdit(this);
  PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
  PasswordEdit->setEchoMode(QLineEdit::Password);
  MinutesSE = new QSpinBox(this);
  MinutesSE->setObjectName(QStringLiteral("MinutesSE"));
  MinutesSE->setRange(0, 24 * 60);
  MinutesSE->setSuffix(texts.MinutesSuffix);
  MinutesSE->setSpecialValueText(texts.ManualOnly);
  form->addRow(texts.ServerLabel, ServerEdit);
  form->addRow(texts.UserLabel, UserEdit);
  form->addRow(texts.PasswordLabel, PasswordEdit);
  form->addRow(texts.EveryLabel, MinutesSE);
  auto* find = new QPushButton(texts.FindButton, this);
  find->setObjectName(QStringLiteral("DiscoverBtn"));
  form->addRow(QString(), find);
  const auto combo = [this](const char* name) {
    auto* cb = new QComboBox(this);
    cb->setObjectName(QLatin1String(name));
    cb->setMinimumContentsLength(30);
    return cb;
  };
  ContactsCB = combo("ContactsCB");
  TasksCB = combo("TasksCB");
  DatesCB = combo("DatesCB");
  form->addRow(texts.ContactsLabel, ContactsCB);
  form->addRow(texts.TasksLabel, TasksCB);
  form->addRow(texts.DatesLabel, DatesCB);
  FoundLabel = new QLabel(this);
  FoundLabel->setObjectName(QStringLiteral("FoundLabel"));
  FoundLabel->setWordWrap(true);
  auto* links = new QLabel(texts.LinksNote, this);
  links->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(FoundLabel);
  layout->addWidget(links);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(find, &QPushButton::clicked, this, [this] { Discover(); });
}

TSyncAccountDlg::~TSyncAccountDlg() = default;

void TSyncAccountDlg::setAccount(const sync::Account& account, int minutes) {
  ServerEdit->setText(QString::fromStdString(account.server));
  UserEdit->setText(QString::fromStdString(account.user));
  PasswordEdit->setText(QString::fromStdString(account.password));
  MinutesSE->setValue(minutes);
}

sync::Account TSyncAccountDlg::account() const {
  return {ServerEdit->text().trimmed().toStdString(), UserEdit->text().trimmed().toStdString(),
          PasswordEdit->text().toStdString()};
}

int TSyncAccountDlg::minutes() const {
  return MinutesSE->value();
}

std::vector<std::pair<sync::SyncBook, QUrl>> TSyncAccountDlg::chosen() const {
  std::vector<std::pair<sync::SyncBook, QUrl>> out;
  const std::pair<sync::SyncBook, QComboBox*> combos[] = {{sync::SyncBook::Phones, ContactsCB},
                                                          {sync::SyncBook::Tasks, TasksCB},
                                                          {sync::SyncBook::Dates, DatesCB}};
  for (const auto& [book, cb] : combos) {
    if (cb->currentIndex() >= 0) out.emplace_back(book, cb->currentData().toUrl());
  }
  return out;
}

void TSyncAccountDlg::Discover() {
  FoundLabel->setText(texts_.Searching);
  client_ = std::make_unique<sync::DavClient>(UserEdit->text().trimmed(), PasswordEdit->text());
  sync::discover(
      *client_, QUrl(ServerEdit->text().trimmed()), [this](const sync::DiscoveryResult& found) {
        if (!found.error.isEmpty()) return FoundLabel->setText(found.error);
        ContactsCB->clear();
        TasksCB->clear();
        DatesCB->clear();
        for (const auto& c : found.collections) {
          const QString name = c.name.isEmpty() ? c.url.path() : c.name;
          if (c.addressBook) ContactsCB->addItem(name, c.url);
          if (!c.addressBook &&
              (c.components.isEmpty() || c.components.contains(QLatin1String("VTODO")))) {
            TasksCB->addItem(name, c.url);
          }
          if (!c.addressBook &&
              (c.components.isEmpty() || c.components.contains(QLatin1String("VEVENT")))) {
            DatesCB->addItem(name, c.url);
          }
        }
        FoundLabel->setText(texts_.Found.arg(found.collections.size()));
      });
}

}  // namespace torvelle::shell
