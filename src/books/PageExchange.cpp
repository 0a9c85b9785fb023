#include "books/PageExchange.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyle>

#include "exchange/Books.h"
#include "exchange/ExchangeError.h"
#include "support/AtomicFile.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::books {

using exchange::FileFormat;
using toolkit::ErrorBox;

namespace {

// The refusals the summary lists in full; the rest are counted.
constexpr int kRefusalsShown = 20;

// What a file dialog shows of a format: " (*.vcf *.vcard)".
QString patternsOf(FileFormat format) {
  return QStringLiteral(" (%1)").arg(QLatin1String(exchange::traitsOf(format).patterns));
}

// The extension a file written without one gets: ".vcf".
QString extensionOf(FileFormat format) {
  return QLatin1Char('.') + QLatin1String(exchange::traitsOf(format).names.front());
}

std::filesystem::path toPath(const QString& path) {
  return {path.toStdU16String()};
}

QString fromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A cancel pressed on the progress dialog: the change is thrown away.
struct ImportCancelled {};

// Shown only once an import runs longer than half a second.
class ImportProgress {
 public:
  ImportProgress(const QString& label, QWidget* parent) : dialog_(label, QString(), 0, 1, parent) {
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(500);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);
  }
  void operator()(std::size_t done, std::size_t total) {
    dialog_.setMaximum(static_cast<int>(std::max<std::size_t>(total, 1)));
    dialog_.setValue(static_cast<int>(done));
    if (dialog_.wasCanceled()) throw ImportCancelled{};
  }

 private:
  QProgressDialog dialog_;
};

}  // namespace

TFileDialogs systemFileDialogs() {
  const auto chosen = [](const QStringList& filters, const QString& selected, int& filter) {
    filter = std::max(0, static_cast<int>(filters.indexOf(selected)));
  };
  return {
      [chosen](QWidget* parent, const QString& caption, const QStringList& filters, int& filter) {
        QString selected = filters.value(filter);
        QString path = QFileDialog::getOpenFileName(parent, caption, QString(),
                                                    filters.join(QStringLiteral(";;")), &selected);
        chosen(filters, selected, filter);
        return path;
      },
      [chosen](QWidget* parent, const QString& caption, const QStringList& filters, int& filter) {
        QString selected = filters.value(filter);
        QString path = QFileDialog::getSaveFileName(parent, caption, QString(),
                                                    filters.join(QStringLiteral(";;")), &selected);
        chosen(filters, selected, filter);
        return path;
      }};
}

std::vector<FileFormat> pageFormats(const format::TableInfo& info) {
  std::vector<FileFormat> formats;
  for (const auto& traits : exchange::fileFormats())
    if (traits.carries(exchange::bookOf(info))) formats.push_back(traits.format);
  return formats;
}

TPageExchange::TPageExchange(const QString& name, store::TParadoxTable& records,
                             store::TParadoxTable* sections, QWidget* bar)
    : QObject(bar), records_(records), sections_(sections) {
  setObjectName(name + QStringLiteral("Exchange"));
  const auto button = [&](const QString& suffix, QStyle::StandardPixmap icon, const QString& text) {
    auto* b = new QToolButton(bar);
    b->setObjectName(name + suffix);
    b->setIcon(bar->style()->standardIcon(icon));
    b->setText(text);
    b->setToolTip(text);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  ImportTB =
      button(QStringLiteral("ImportTB"), QStyle::SP_DialogOpenButton, QStringLiteral("Import..."));
  ExportTB =
      button(QStringLiteral("ExportTB"), QStyle::SP_DialogSaveButton, QStringLiteral("Export..."));
  connect(ImportTB, &QToolButton::clicked, this, &TPageExchange::ImportTBClick);
  connect(ExportTB, &QToolButton::clicked, this, &TPageExchange::ExportTBClick);
}

QWidget* TPageExchange::parentWindow() const {
  return ImportTB->window();
}

QStringList TPageExchange::filters() const {
  QStringList list;
  for (const FileFormat format : pageFormats(records_.info())) {
    const QString& name = format == FileFormat::VCard       ? texts_->VCardFilter
                          : format == FileFormat::ICalendar ? texts_->CalendarFilter
                                                            : texts_->CsvFilter;
    list << name + patternsOf(format);
  }
  return list;
}

// The file's extension tells the format; without a known one the filter
// chosen does, and a file to be written gets its extension.
FileFormat TPageExchange::formatFor(QString& path, int filter, bool addExtension) const {
  try {
    return exchange::formatOf(QFileInfo(path).fileName().toStdString(), {});
  } catch (const exchange::ExchangeError&) {
    const auto formats = pageFormats(records_.info());
    if (filter < 0 || filter >= static_cast<int>(formats.size()))
      throw exchange::ExchangeError(texts_->UnknownFormat.toStdString());
    const FileFormat format = formats[static_cast<std::size_t>(filter)];
    if (addExtension) path += extensionOf(format);
    return format;
  }
}

void TPageExchange::endEdits() {
  records_.checkBrowseMode();
  if (sections_ && sections_->isOpen()) sections_->checkBrowseMode();
}

const format::TableFile* TPageExchange::sectionsFile() const {
  return sections_ && sections_->isOpen() ? &sections_->file() : nullptr;
}

exchange::ImportSummary TPageExchange::write(const exchange::ImportPlan& plan,
                                             const exchange::ImportOptions& options) {
  exchange::ImportSummary summary;
  const auto intoRecords = [&](format::TableFile* sectionsFile) {
    records_.batchChange([&](format::TableFile& file) {
      summary = exchange::writePlan(file, sectionsFile, plan, options);
    });
  };
  if (!sectionsFile()) {
    intoRecords(nullptr);
  } else {
    // The sections' change holds the records' one: new sections and their
    // records go in together or not at all.
    sections_->batchChange([&](format::TableFile& file) { intoRecords(&file); });
  }
  return summary;
}

namespace {

// The first lines of a long list, so that the box stays on the screen.
void addListed(QStringList& lines, const std::vector<std::string>& items) {
  int shown = 0;
  for (const auto& item : items) {
    if (shown++ == kRefusalsShown) {
      lines << QStringLiteral("  ...");
      break;
    }
    lines << QStringLiteral("  ") + fromStd(item);
  }
}

}  // namespace

TPageExchange::Answer TPageExchange::confirm(const exchange::ImportSummary& summary,
                                             const QString& fileName, FileFormat format,
                                             bool& foldAccents) {
  QStringList lines;
  for (const auto& note : summary.notes) lines << fromStd(note);
  lines << texts_->ToAdd.arg(summary.added);
  if (summary.skipped > 0) lines << texts_->Existing.arg(summary.skipped);
  if (summary.sectionsAdded > 0) lines << texts_->NewSections.arg(summary.sectionsAdded);
  if (!summary.folded.empty()) {
    lines << texts_->Folded.arg(summary.folded.size());
    addListed(lines, summary.folded);
  }
  if (!summary.refused.empty()) {
    lines << texts_->Refused.arg(summary.refused.size());
    addListed(lines, summary.refused);
  }
  if (!summary.notStored.empty()) {
    lines << texts_->NotStored;
    for (const auto& [what, n] : summary.notStored)
      lines << QStringLiteral("  %1: %2").arg(fromStd(what)).arg(n);
  }
  QMessageBox box(parentWindow());
  box.setObjectName(QStringLiteral("ImportSummaryBox"));
  box.setIcon(summary.refused.empty() ? QMessageBox::Question : QMessageBox::Warning);
  box.setWindowTitle(texts_->SummaryCaption.arg(fileName));
  box.setText(lines.join(QLatin1Char('\n')));
  QPushButton* go = nullptr;
  if (summary.added > 0) {
    // The plan leaves out what is taken or refused; the button says so.
    const bool skips = summary.skipped > 0 || !summary.refused.empty();
    go = box.addButton(skips ? texts_->ImportRestButton : texts_->ImportButton,
                       QMessageBox::AcceptRole);
    go->setObjectName(QStringLiteral("ImportButton"));
  }
  QPushButton* save = nullptr;
  if (!summary.refusedSources.empty()) {
    save = box.addButton(texts_->SaveRefusedButton, QMessageBox::ActionRole);
    save->setObjectName(QStringLiteral("SaveRefusedButton"));
  }
  QPushButton* cancel = box.addButton(texts_->CancelButton, QMessageBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  box.setDefaultButton(go ? go : cancel);
  box.setEscapeButton(cancel);
  // Offered while it can matter: records are refused, or it is on.
  if (!summary.refused.empty() || foldAccents) {
    auto* fold = new QCheckBox(texts_->FoldAccents, &box);
    fold->setObjectName(QStringLiteral("FoldAccentsCheckBox"));
    fold->setChecked(foldAccents);
    box.setCheckBox(fold);
    QObject::connect(fold, &QCheckBox::toggled, &box, [&box] { box.done(QDialog::Rejected); });
  }
  // Saving the refused items leaves the choice to import still open.
  for (;;) {
    box.exec();
    if (!save || box.clickedButton() != save) break;
    saveRefused(summary, format);
  }
  if (box.checkBox() && box.checkBox()->isChecked() != foldAccents) {
    foldAccents = box.checkBox()->isChecked();
    return Answer::Again;
  }
  return go && box.clickedButton() == go ? Answer::Import : Answer::Cancel;
}

// The refused items, as the file had them, into a file the user names.
void TPageExchange::saveRefused(const exchange::ImportSummary& summary, FileFormat format) {
  QStringList filter{texts_->RefusedFilter + patternsOf(format)};
  int chosen = 0;
  QString path = dialogs_.save(parentWindow(), texts_->SaveRefusedCaption, filter, chosen);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += extensionOf(format);
  ErrorBox::guard(
      [&] { support::writeFileAtomically(toPath(path), exchange::refusedItemsText(summary)); });
}

void TPageExchange::ImportTBClick() {
  if (!records_.isOpen()) return;
  // Whatever is typed goes in first, as on closing.
  if (!ErrorBox::guard([this] { endEdits(); })) return;
  int filter = 0;
  QString path = dialogs_.open(parentWindow(), texts_->ImportCaption, filters(), filter);
  if (path.isEmpty()) return;
  const QString fileName = QFileInfo(path).fileName();
  const QString failed = texts_->ImportFailed.arg(QDir::toNativeSeparators(path));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ErrorBox::report(failed + QLatin1Char('\n') + file.errorString());
    return;
  }
  const QByteArray data = file.readAll();
  file.close();
  const std::string_view bytes(data.constData(), static_cast<std::size_t>(data.size()));
  exchange::ImportSummary summary;
  try {
    const FileFormat format = formatFor(path, filter, false);
    // Read once, planned again only when the user changes how letters are
    // stored, written once.
    const auto parsed = exchange::parseImport(format, bytes, records_.file(), {});
    exchange::ImportOptions options;
    options.skipExisting = options.skipRefused = true;
    exchange::ImportPlan plan;
    for (;;) {
      plan = exchange::planImport(records_.file(), sectionsFile(), parsed.rows, options,
                                  parsed.summary);
      const Answer answer = confirm(plan.summary, fileName, format, options.foldAccents);
      if (answer == Answer::Cancel) return;
      if (answer == Answer::Import) break;
    }
    ImportProgress progress(texts_->Progress, parentWindow());
    options.progress = [&](std::size_t done, std::size_t total) { progress(done, total); };
    summary = write(plan, options);
  } catch (const ImportCancelled&) {
    return;
  } catch (const exchange::ExchangeError& e) {
    ErrorBox::report(failed + QLatin1Char('\n') + fromStd(e.what()));
    return;
  } catch (...) {
    ErrorBox::report(failed + QLatin1Char('\n') + ErrorBox::messageOf(std::current_exception()));
    return;
  }
  // The page's own slots run at once and may throw: the message is shown here.
  ErrorBox::guard([&] { emit imported(summary); });
}

void TPageExchange::ExportTBClick() {
  if (!records_.isOpen()) return;
  if (!ErrorBox::guard([this] { endEdits(); })) return;
  int filter = 0;
  QString path = dialogs_.save(parentWindow(), texts_->ExportCaption, filters(), filter);
  if (path.isEmpty()) return;
  try {
    const FileFormat format = formatFor(path, filter, true);
    std::vector<format::Record> records;
    records_.forEachStored([&](const engine::RecordView& r) { records.push_back(r.values()); });
    records = exchange::recordsOfSection(std::move(records), records_.info(),
                                         section_ ? section_() : std::string());
    const auto result = exchange::exportRecords(format, records_.info(), records);
    support::writeFileAtomically(toPath(path), result.text);
  } catch (...) {
    ErrorBox::report(texts_->ExportFailed.arg(QDir::toNativeSeparators(path)) + QLatin1Char('\n') +
                     ErrorBox::messageOf(std::current_exception()));
  }
}

}  // namespace torvelle::books
