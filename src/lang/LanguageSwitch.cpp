#include "lang/LanguageSwitch.h"

#include <QAction>
#include <QActionGroup>
#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDateEdit>
#include <QEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QPixmap>
#include <QToolBar>
#include <optional>

#include "lang/LanguageFiles.h"
#include "support/ProfileFile.h"
#include "support/SettingsDefaults.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::lang {
namespace {

constexpr int kLabelLeft = 38;
constexpr int kLabelTrail = 4;
constexpr int kRightGap = 4;
const char* const kEnglishFlag = ":/torvelle/flags/English.bmp";

QString fromPath(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

// The caption is the language name as written; the menu shows it without
// taking '&' for a hot-key marker.
QString captionOf(const QAction* item) {
  return item->data().toString();
}

}  // namespace

std::optional<QLocale> localeNamed(const QString& name) {
  for (int l = QLocale::C + 1; l <= QLocale::LastLanguage; ++l) {
    const auto language = static_cast<QLocale::Language>(l);
    if (QLocale::languageToString(language).compare(name, Qt::CaseInsensitive) == 0)
      return QLocale(language);
  }
  for (const QLocale& locale :
       QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory))
    if (locale.nativeLanguageName().compare(name, Qt::CaseInsensitive) == 0)
      return QLocale(locale.language());
  return std::nullopt;
}

TLanguageSwitch::TLanguageSwitch(QWidget& mainForm, QToolBar& mainTB, TTextWindows windows,
                                 std::vector<std::filesystem::path> folders)
    : QObject(&mainForm),
      mainTB_(mainTB),
      windows_(std::move(windows)),
      folders_(std::move(folders)) {
  SepLabel1 = new QLabel(&mainTB);
  SepLabel1->setObjectName(QStringLiteral("SepLabel1"));
  SepLabel1->setFixedWidth(8);
  mainTB.addWidget(SepLabel1);

  LanguagePanel = new QFrame(&mainTB);
  LanguagePanel->setObjectName(QStringLiteral("LanguagePanel"));
  LanguagePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  LanguagePanel->setCursor(Qt::PointingHandCursor);
  QFont font = LanguagePanel->font();
  font.setPixelSize(13);
  LanguagePanel->setFont(font);
  LanguagePanel->setFixedHeight(26);
  FlagImage = new QLabel(LanguagePanel);
  FlagImage->setObjectName(QStringLiteral("FlagImage"));
  FlagImage->setGeometry(3, 3, 32, 20);
  FlagImage->setScaledContents(true);
  LanguageLabel = new QLabel(LanguagePanel);
  LanguageLabel->setObjectName(QStringLiteral("LanguageLabel"));
  LanguageLabel->move(kLabelLeft, 5);
  mainTB.addWidget(LanguagePanel);
  for (QObject* clickable : {static_cast<QObject*>(LanguagePanel), static_cast<QObject*>(FlagImage),
                             static_cast<QObject*>(LanguageLabel)})
    clickable->installEventFilter(this);
  mainTB.installEventFilter(this);

  LanguagePopupMenu = new QMenu(&mainForm);
  LanguagePopupMenu->setObjectName(QStringLiteral("LanguagePopupMenu"));
  group_ = new QActionGroup(LanguagePopupMenu);
  group_->setExclusive(true);
  fitPanel();
}

TLanguageSwitch::~TLanguageSwitch() {
  QCoreApplication::removeTranslator(&qtTexts_);
}

void TLanguageSwitch::BuildLanguageMenu() {
  const auto addItem = [this](const QString& caption) {
    QString shown = caption;
    auto* item =
        new QAction(shown.replace(QLatin1Char('&'), QStringLiteral("&&")), LanguagePopupMenu);
    item->setData(caption);
    item->setCheckable(true);
    group_->addAction(item);
    connect(item, &QAction::triggered, this, [this, item] { LanguageItemClick(item); });
    return item;
  };
  LanguagePopupMenu->addAction(addItem(QString::fromUtf8(kEnglish.data(), kEnglish.size())));
  for (const LanguageFile& language : findLanguages(folders_)) {
    QAction* item = addItem(QString::fromStdString(language.name));
    files_[item] = language.file;
    LanguagePopupMenu->addAction(item);
  }
}

void TLanguageSwitch::SelectStoredLanguage(support::ProfileFile& settings) {
  settings_ = &settings;
  const QList<QAction*> items = LanguagePopupMenu->actions();
  if (items.isEmpty()) return;
  std::vector<std::string> captions;
  for (const QAction* item : items) captions.push_back(captionOf(item).toStdString());
  const std::string stored = support::readSetting(settings, support::kLanguage);
  LanguageItemClick(items[static_cast<qsizetype>(initialSelection(captions, stored))]);
}

QAction* TLanguageSwitch::currentItem() const {
  return group_->checkedAction();
}

void TLanguageSwitch::LanguageItemClick(QAction* item) {
  // Choosing the current language again reads and writes nothing. (A
  // triggered checkable item is checked by the time it gets here.)
  if (item == current_) return;
  current_ = item;
  item->setChecked(true);
  const QString caption = captionOf(item);
  LanguageLabel->setText(caption);
  if (settings_)
    toolkit::ErrorBox::guard(
        [&] { support::writeSetting(*settings_, support::kLanguage, caption.toStdString()); });

  // A language without its own file (English, or a file removed since the
  // start) gets the built-in texts under its name.
  const auto file = files_.find(item);
  missing_ = LoadLanguage(file != files_.end() ? file->second : std::filesystem::path(), windows_);
  applyQtTexts(caption);
  fitPanel();
  emit languageApplied();
  showFlag(caption);
}

void TLanguageSwitch::showFlag(const QString& caption) {
  QString path;
  if (caption == QLatin1String(kEnglish.data(), static_cast<qsizetype>(kEnglish.size()))) {
    path = QLatin1String(kEnglishFlag);
  } else {
    const auto found = findFlag(folders_, caption.toStdString());
    const std::filesystem::path where =
        found ? *found
              : (folders_.empty() ? std::filesystem::path() : folders_.front()) /
                    (caption.toStdString() + ".bmp");
    path = fromPath(where);
  }
  QPixmap flag;
  QString error;
  if (!QFile::exists(path))
    error = QStringLiteral("Cannot open file %1").arg(path);
  else if (!flag.load(path, "BMP"))
    error = QStringLiteral("Bitmap image is not valid");
  if (error.isEmpty()) {
    FlagImage->setPixmap(flag);
    return;
  }
  // Said once per picture; the flag keeps its previous picture.
  if (reportedFlags_.contains(path)) return;
  reportedFlags_.insert(path);
  toolkit::ErrorBox::report(error);
}

void TLanguageSwitch::fitPanel() {
  LanguageLabel->adjustSize();
  LanguagePanel->setFixedWidth(kLabelLeft + LanguageLabel->width() + kLabelTrail);
  MainTBResize();
}

void TLanguageSwitch::MainTBResize() {
  // The spacer takes the free room, which puts the panel at the bar's right
  // end; the bar's own spacing between the two counts as taken. (Positions
  // right of the spacer may not be laid out yet.)
  const int gap = mainTB_.layout() ? mainTB_.layout()->spacing() : 0;
  const int width =
      mainTB_.width() - SepLabel1->x() - LanguagePanel->width() - kRightGap - (gap > 0 ? gap : 0);
  SepLabel1->setFixedWidth(width > 0 ? width : 0);
}

void TLanguageSwitch::LanguagePanelClick() {
  LanguagePopupMenu->popup(LanguagePanel->mapToGlobal(QPoint(4, LanguagePanel->height())));
}

void TLanguageSwitch::applyQtTexts(const QString& language) {
  QCoreApplication::removeTranslator(&qtTexts_);
  const std::optional<QLocale> locale = localeNamed(language);
  const QLocale::Language chosen = locale ? locale->language() : QLocale::English;
  if (chosen != QLocale::English &&
      qtTexts_.load(*locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexts_);
  // Month and day names of the calendars are the locale's, not a
  // translation. The week keeps the first day the system gives it.
  const QLocale names(qtTexts_.isEmpty() ? QLocale::English : chosen,
                      QLocale::system().territory());
  const auto rename = [&names](QCalendarWidget* calendar) {
    const Qt::DayOfWeek first = calendar->firstDayOfWeek();
    calendar->setLocale(names);
    calendar->setFirstDayOfWeek(first);
  };
  for (const char* window : {"MainForm", "MoveRecOnDateForm"}) {
    QObject* root = windows_.window(QString::fromLatin1(window));
    if (!root) continue;
    for (QCalendarWidget* calendar : root->findChildren<QCalendarWidget*>()) rename(calendar);
    for (QDateEdit* edit : root->findChildren<QDateEdit*>())
      if (edit->calendarPopup()) rename(edit->calendarWidget());
  }
}

bool TLanguageSwitch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &mainTB_ && event->type() == QEvent::Resize) {
    MainTBResize();
  } else if (watched != &mainTB_ && event->type() == QEvent::MouseButtonRelease) {
    LanguagePanelClick();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace torvelle::lang
