#pragma once
#include <QObject>
#include <QStringList>
#include <QToolButton>
#include <functional>
#include <string>
#include <vector>

#include "books/ExchangeTexts.h"
#include "exchange/Exchange.h"
#include "store/ParadoxTable.h"

namespace torvelle::books {

// The file dialogs behind the Import and Export buttons; tests put their
// own in. Each returns the chosen path, empty when cancelled, and sets
// `filter` to the index of the filter chosen.
struct TFileDialogs {
  using Choose = std::function<QString(QWidget* parent, const QString& caption,
                                       const QStringList& filters, int& filter)>;
  Choose open;
  Choose save;
};
TFileDialogs systemFileDialogs();

// The file formats a page takes, in the order its dialogs offer them.
std::vector<exchange::FileFormat> pageFormats(const format::TableInfo& info);

// The Import and Export buttons of one page and what they do. An import
// reads the file whole, shows what it would add, skip and refuse before
// anything is written, and then goes into the page's open tables as one
// change (with its sections, for a section book), so a failure or a cancel
// writes nothing. An export writes the page's records, or only a section's,
// aside and renames the file into place. Both end a pending edit first.
class TPageExchange : public QObject {
  Q_OBJECT
 public:
  // The buttons go on `bar`, named `name` + "ImportTB" and "ExportTB";
  // `sections` is the sections table of a section book, null for the tasks.
  TPageExchange(const QString& name, store::TParadoxTable& records, store::TParadoxTable* sections,
                QWidget* bar);

  QToolButton* ImportTB;
  QToolButton* ExportTB;

  void setTexts(const TExchangeTexts* texts) { texts_ = texts ? texts : &ownTexts_; }
  void setFileDialogs(TFileDialogs dialogs) { dialogs_ = std::move(dialogs); }
  // The section an export is limited to; empty (or no function): everything.
  void setExportSection(std::function<std::string()> section) { section_ = std::move(section); }
  void ImportTBClick();
  void ExportTBClick();

 signals:
  // Records went in; `summary` says what the import did.
  void imported(const exchange::ImportSummary& summary);

 private:
  QWidget* parentWindow() const;
  QStringList filters() const;
  exchange::FileFormat formatFor(QString& path, int filter, bool addExtension) const;
  const format::TableFile* sectionsFile() const;
  // Writes `plan` into the page's open tables as one change.
  exchange::ImportSummary write(const exchange::ImportPlan& plan,
                                const exchange::ImportOptions& options);
  // What the user made of the summary; Again when the choice to store
  // letters without their accents (`foldAccents`, changed in place) asks for
  // a new trial.
  enum class Answer { Import, Cancel, Again };
  Answer confirm(const exchange::ImportSummary& summary, const QString& fileName,
                 exchange::FileFormat format, bool& foldAccents);
  void saveRefused(const exchange::ImportSummary& summary, exchange::FileFormat format);
  void endEdits();

  store::TParadoxTable& records_;
  store::TParadoxTable* sections_;
  TExchangeTexts ownTexts_;
  const TExchangeTexts* texts_ = &ownTexts_;
  TFileDialogs dialogs_ = systemFileDialogs();
  std::function<std::string()> section_;
};

}  // namespace torvelle::books
