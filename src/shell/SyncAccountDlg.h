#pragma once
#include <QDialog>
#include <QUrl>
#include <filesystem>
#include <memory>
#include <vector>

#include "sync/Account.h"
#include "sync/ItemFields.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace torvelle::sync {
class DavClient;
}

namespace torvelle::shell {

class TSyncTexts;

// The sync account: server, user and password, the collections found on
// the server for each book, and how often to sync.
class TSyncAccountDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TSyncAccountDlg(const TSyncTexts& texts, QWidget* parent = nullptr);
  ~TSyncAccountDlg() override;

  QLineEdit* ServerEdit;
  QLineEdit* UserEdit;
  QLineEdit* PasswordEdit;
  QSpinBox* MinutesSE;
  QComboBox* ContactsCB;
  QComboBox* TasksCB;
  QComboBox* DatesCB;
  QLabel* FoundLabel;

  void setAccount(const sync::Account& account, int minutes);
  sync::Account account() const;
  int minutes() const;
  // The collection picked for each book; empty when discovery did not run.
  std::vector<std::pair<sync::SyncBook, QUrl>> chosen() const;

 private:
  void Discover();

  const TSyncTexts& texts_;
  std::unique_ptr<sync::DavClient> client_;
};

}  // namespace torvelle::shell
