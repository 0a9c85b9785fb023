#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "PxlibReader.h"
#include "ShellFixture.h"
#include "books/PhonesBook.h"
#include "engine/format/FileIo.h"
#include "engine/format/TableFile.h"
#include "lang/InterfaceTexts.h"
#include "lang/LanguageSwitch.h"
#include "lang/LoadLanguage.h"
#include "platform/fake/FakeServices.h"
#include "shell/MainForm.h"
#include "shell/Reminders.h"
#include "shell/ToolsForm.h"
#include "shell/TrayNotifyIcon.h"
#include "shell/UserLanguage.h"
#include "store/DataFolder.h"
#include "store/dialogs/ChangePasswordDlg.h"
#include "store/dialogs/PasswordDlg.h"
#include "support/CodePage.h"
#include "support/ProfileFile.h"
#include "toolkit/FilterRow.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using torvelle::lang::interfaceTexts;
using torvelle::lang::textCopies;
using torvelle::lang::TextEntry;
using torvelle::lang::TLanguageSwitch;
using torvelle::lang::TTextWindows;

namespace {

QString qstr(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void writeBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// A distinct text per entry, in letters that cp1251 can hold too.
QString marker(std::size_t i) {
  return QStringLiteral("Жж%1").arg(i);
}

// Every entry with its marker as value; sections and keys in capitals, which
// must still match.
std::string markerFile() {
  std::string text;
  std::string_view section;
  std::size_t i = 0;
  for (const TextEntry& entry : interfaceTexts()) {
    if (entry.section != section) {
      section = entry.section;
      text += "[" + QString(qstr(section)).toUpper().toStdString() + "]\r\n";
    }
    text += QString(qstr(entry.key)).toUpper().toStdString() + " = " + marker(i++).toStdString() +
            "\r\n";
  }
  return text;
}

QString expected(const TextEntry& entry, const QString& value) {
  return entry.padded ? QLatin1Char(' ') + value + QLatin1Char(' ') : value;
}

TTextWindows windowsOf(ShellFixture& f) {
  TTextWindows windows;
  windows.add(QStringLiteral("MainForm"), &f.main());
  windows.add(QStringLiteral("TrayNotifyIcon"), &f.main().TrayNotifyIcon());
  windows.add(QStringLiteral("Reminders"), &f.main().Reminders().texts());
  return windows;
}

QAction* item(TLanguageSwitch& languages, const QString& caption) {
  for (QAction* action : languages.LanguagePopupMenu->actions())
    if (action->data().toString() == caption) return action;
  return nullptr;
}

QStringList captions(TLanguageSwitch& languages) {
  QStringList list;
  for (QAction* action : languages.LanguagePopupMenu->actions()) list << action->data().toString();
  return list;
}

// Every entry whose control exists shows `value(i)`, and every copy whose
// controls exist carries its source's text.
void checkTable(ShellFixture& f, const std::function<QString(std::size_t)>& value) {
  const TTextWindows windows = windowsOf(f);
  std::size_t i = 0;
  for (const TextEntry& entry : interfaceTexts()) {
    const std::size_t at = i++;
    if (!windows.resolve(entry.target)) continue;
    QCOMPARE(torvelle::lang::targetText(windows, entry.target), expected(entry, value(at)));
  }
  for (const auto& copy : textCopies()) {
    if (!windows.resolve(copy.from) || !windows.resolve(copy.to)) continue;
    QCOMPARE(torvelle::lang::targetText(windows, copy.to),
             torvelle::lang::targetText(windows, copy.from));
  }
}

}  // namespace

class LanguageTest : public QObject {
  Q_OBJECT
 private slots:
  void wholeTableFromDefaultsFromAFileAndBack();
  void menuAndInitialSelection();
  void encodingsAndBadFiles();
  void shippedLanguagesAreCompleteAndRussianIsTheDesign();
  void flagFailuresAreSaidOnceAndThePanelStaysAtTheRight();
  void qtTextsFollowTheLanguage();
  void firstStartTakesTheUsersLanguageAndItsLetters();
};

void LanguageTest::wholeTableFromDefaultsFromAFileAndBack() {
  ShellFixture f;
  writeBytes(f.root() / "Languages" / "Marks.txt", markerFile());
  QVERIFY(f.start());
  TLanguageSwitch& languages = f.main().Languages();
  const auto english = [](std::size_t i) { return qstr(interfaceTexts()[i].english); };
  checkTable(f, english);
  QCOMPARE(f.main().windowTitle(), QStringLiteral("Organizer <Torvelle>"));
  QCOMPARE(f.main().TrayNotifyIcon().hint(), QStringLiteral("Organizer <Torvelle>"));
  // Every control the table names exists.
  QVERIFY2(languages.missingTargets().isEmpty(), qPrintable(languages.missingTargets().join(", ")));

  languages.LanguageItemClick(item(languages, QStringLiteral("Marks")));
  checkTable(f, marker);
  QCOMPARE(f.main().TrayNotifyIcon().hint(), marker(0));
  // The sync's tool bar and tray entries are made after the language is
  // loaded, and follow a switch.
  const auto texts = interfaceTexts();
  const auto syncButton = std::find_if(texts.begin(), texts.end(), [](const TextEntry& e) {
    return e.section == "Sync" && e.key == "Sync button";
  });
  QVERIFY(syncButton != texts.end());
  auto* syncItem = f.main().findChild<QAction*>(QStringLiteral("SyncItem"));
  QVERIFY(syncItem);
  QCOMPARE(syncItem->text(), marker(static_cast<std::size_t>(syncButton - texts.begin())));
  QVERIFY(f.ini().contains("Language=Marks"));

  // Back to the built-in language: nothing of the file survives.
  languages.LanguageItemClick(languages.LanguagePopupMenu->actions().first());
  checkTable(f, english);
  QVERIFY(f.ini().contains("Language=English"));
}

void LanguageTest::menuAndInitialSelection() {
  {
    // A stored name in other letter case and with '&' picks its item and is
    // rewritten as the item's caption. The first folder holding a name wins.
    ShellFixture f;
    QTemporaryDir user;
    const fs::path userDir = user.path().toStdString();
    writeBytes(f.root() / "Languages" / "Russian.txt", "[Main form]\nCaption=shipped\n");
    writeBytes(f.root() / "Languages" / "german.TXT", "");
    writeBytes(f.root() / "Languages" / "English.txt", "[Main form]\nCaption=file\n");
    writeBytes(userDir / "Russian.txt", "[Main form]\nCaption=mine\n");
    f.writeIni("[General]\nLanguage=&rUSSIAN\n");
    f.languageFolders = {user.path(), f.dir.filePath(QStringLiteral("Languages"))};
    QVERIFY(f.start());
    TLanguageSwitch& languages = f.main().Languages();
    QCOMPARE(captions(languages), QStringList({"English", "English", "german", "Russian"}));
    QCOMPARE(languages.currentItem()->data().toString(), QStringLiteral("Russian"));
    QCOMPARE(f.main().windowTitle(), QStringLiteral("mine"));
    QVERIFY(f.ini().contains("Language=Russian\n"));

    // Choosing the current language again reads and writes nothing.
    f.writeIni("[General]\nLanguage=changed behind our back\n");
    languages.LanguageItemClick(languages.currentItem());
    QCOMPARE(f.ini(), QByteArray("[General]\nLanguage=changed behind our back\n"));
    // The English file overrides the defaults for its own item only.
    languages.LanguageItemClick(languages.LanguagePopupMenu->actions().at(1));
    QCOMPARE(f.main().windowTitle(), QStringLiteral("file"));
    languages.LanguageItemClick(languages.LanguagePopupMenu->actions().at(0));
    QCOMPARE(f.main().windowTitle(), QStringLiteral("Organizer <Torvelle>"));
  }
  {
    // A stored language without its file, and a Languages "folder" that is a
    // file: English only, stored as such.
    ShellFixture f;
    writeBytes(f.root() / "Languages", "not a folder");
    f.writeIni("[General]\nLanguage=Russian\n");
    QVERIFY(f.start());
    TLanguageSwitch& languages = f.main().Languages();
    QCOMPARE(captions(languages), QStringList({"English"}));
    QVERIFY(languages.currentItem()->isChecked());
    QVERIFY(f.ini().contains("Language=English\n"));
    QVERIFY(f.errors.isEmpty());
  }
}

void LanguageTest::encodingsAndBadFiles() {
  ShellFixture f;
  const fs::path dir = f.root() / "Languages";
  using torvelle::support::fromUtf8;
  writeBytes(dir / "Cp1251.txt", fromUtf8("[Main form]\r\nCaption=Органайзер\r\n", 1251));
  writeBytes(dir / "Bom.txt",
             "\xEF\xBB\xBF[Main form]\nCaption=Органайзер\nDailyTasks caption=\xFF\xFE\n");
  std::string garbage;
  for (int i = 0; i < 70000; ++i) garbage += static_cast<char>((i * 7919 + i / 13) % 256);
  writeBytes(dir / "Garbage.txt", garbage);
  fs::create_directories(dir / "Folder.txt");
  writeBytes(dir / "NoSections.txt", "Caption=nowhere\nDailyTasks caption=nowhere\n");
  writeBytes(dir / "Odd.txt",
             "[Main form]\nCaption=first\nCaption=second\nPhoneBook caption=\n"
             "DailyTasks caption=" +
                 std::string(300 * 1024, 'x') +
                 "\n"
                 "ImportantDates caption=a\0b\n"s);
  QVERIFY(f.start());
  TLanguageSwitch& languages = f.main().Languages();
  QTabWidget* pages = f.main().MainPageControl;
  const auto choose = [&](const char* name) { languages.LanguageItemClick(item(languages, name)); };

  choose("Cp1251");
  QCOMPARE(f.main().windowTitle(), QStringLiteral("Органайзер"));
  choose("Bom");
  QCOMPARE(f.main().windowTitle(), QStringLiteral("Органайзер"));
  // Bytes that are not UTF-8 in a file that says it is: the default.
  QCOMPARE(pages->tabText(0), QStringLiteral("Daily tasks"));
  choose("Garbage");
  QCOMPARE(f.main().windowTitle(), QStringLiteral("Organizer <Torvelle>"));
  choose("Folder");
  QCOMPARE(f.main().windowTitle(), QStringLiteral("Organizer <Torvelle>"));
  choose("NoSections");
  QCOMPARE(f.main().windowTitle(), QStringLiteral("Organizer <Torvelle>"));
  QCOMPARE(pages->tabText(0), QStringLiteral("Daily tasks"));
  choose("Odd");
  QCOMPARE(f.main().windowTitle(), QStringLiteral("first"));
  QCOMPARE(pages->tabText(1), QString());  // present but empty: empty, not the default
  QCOMPARE(pages->tabText(0), QString(2047, QLatin1Char('x')));
  QCOMPARE(pages->tabText(2), QStringLiteral("Important dates"));
}

void LanguageTest::shippedLanguagesAreCompleteAndRussianIsTheDesign() {
  // A key missing from a shipped file would show English in the middle of it.
  for (const char* name : {"Russian.txt", "German.txt", "Ukrainian.txt"}) {
    const torvelle::support::ProfileFile file(
        fs::path(TORVELLE_LANGUAGES_DIR) / name,
        torvelle::support::ProfileFile::Encoding::Cp1251UnlessUtf8);
    for (const TextEntry& entry : interfaceTexts())
      QVERIFY2(file.value(entry.section, entry.key).has_value(),
               qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(name), qstr(entry.key))));
  }

  // The dialogs as built, before any language: their designed texts.
  torvelle::platform::TFakeAutoStartStore autoStart;
  torvelle::store::TPasswordDlg password;
  torvelle::store::TChangePasswordDlg change;
  torvelle::shell::TOptions options;
  torvelle::shell::TToolsForm tools(options, autoStart, QStringLiteral("/x/torvelle"));
  TTextWindows windows;
  windows.add(QStringLiteral("PasswordDlg"), &password);
  windows.add(QStringLiteral("ChangePasswordDlg"), &change);
  windows.add(QStringLiteral("ToolsForm"), &tools);
  QList<std::pair<const TextEntry*, QString>> designed;
  for (const TextEntry& entry : interfaceTexts())
    if (windows.resolve(entry.target) && entry.target.window != "MainForm")
      designed << std::pair{&entry, torvelle::lang::targetText(windows, entry.target)};
  // 19 designed, 3 reminder options, 12 of the backups group and restore
  // dialog, 3 of their messages
  QCOMPARE(designed.size(), 37);

  torvelle::lang::LoadLanguage(fs::path(TORVELLE_LANGUAGES_DIR) / "Russian.txt", windows);
  for (const auto& [entry, text] : designed)
    QCOMPARE(torvelle::lang::targetText(windows, entry->target), text);
}

void LanguageTest::flagFailuresAreSaidOnceAndThePanelStaysAtTheRight() {
  ShellFixture f;
  const fs::path dir = f.root() / "Languages";
  writeBytes(dir / "Russian.txt", "");
  fs::copy_file(fs::path(TORVELLE_LANGUAGES_DIR) / "Russian.bmp", dir / "Russian.bmp");
  writeBytes(dir / "A much longer language name.txt", "");
  writeBytes(dir / "english.txt", "");
  writeBytes(dir / "english.bmp", "not a picture");
  QVERIFY(f.start());
  f.main().show();
  QVERIFY(QTest::qWaitForWindowExposed(&f.main()));
  TLanguageSwitch& languages = f.main().Languages();
  const auto panelRight = [&] { return languages.LanguagePanel->geometry().right() + 1; };
  const auto barEnd = [&] { return f.main().MainTB->width() - 4; };
  QVERIFY(!languages.FlagImage->pixmap().isNull());
  QTRY_COMPARE(panelRight(), barEnd());

  languages.LanguageItemClick(item(languages, QStringLiteral("Russian")));
  QCOMPARE(languages.FlagImage->pixmap().toImage().pixelColor(16, 1), QColor(Qt::white));
  const int narrow = languages.LanguagePanel->width();
  languages.LanguageItemClick(item(languages, QStringLiteral("A much longer language name")));
  QCOMPARE(f.errors.size(), 1);
  QVERIFY(f.errors[0].startsWith(QLatin1String("Cannot open file ")));
  // The flag stays; the panel fits the longer name and keeps to the right end.
  QCOMPARE(languages.FlagImage->pixmap().toImage().pixelColor(16, 1), QColor(Qt::white));
  QVERIFY(languages.LanguagePanel->width() > narrow);
  QTRY_COMPARE(panelRight(), barEnd());

  // The letter case counts for the built-in flag: this one is the file's.
  languages.LanguageItemClick(item(languages, QStringLiteral("english")));
  QCOMPARE(f.errors.size(), 2);
  QCOMPARE(f.errors[1], QStringLiteral("Bitmap image is not valid"));
  languages.LanguageItemClick(item(languages, QStringLiteral("Russian")));
  languages.LanguageItemClick(item(languages, QStringLiteral("english")));
  QCOMPARE(f.errors.size(), 2);  // once

  f.main().resize(900, f.main().height());
  QTRY_COMPARE(panelRight(), barEnd());
}

void LanguageTest::qtTextsFollowTheLanguage() {
  ShellFixture f;
  writeBytes(f.root() / "Languages" / "German.txt", "");
  writeBytes(f.root() / "Languages" / "Klingon.txt", "");
  QVERIFY(f.start());
  TLanguageSwitch& languages = f.main().Languages();
  const auto cancel = [] { return QCoreApplication::translate("QPlatformTheme", "Cancel"); };
  QCOMPARE(cancel(), QStringLiteral("Cancel"));
  languages.LanguageItemClick(item(languages, QStringLiteral("German")));
  QCOMPARE(cancel(), QStringLiteral("Abbrechen"));
  languages.LanguageItemClick(item(languages, QStringLiteral("Klingon")));
  QCOMPARE(cancel(), QStringLiteral("Cancel"));
}

namespace {

// Key presses carrying letters that QTest's key table lacks.
void typeText(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

// The tables a first start in `locale` makes.
void prepare(ShellFixture& f, const QLocale& locale) {
  f.systemLocale = locale;
  f.languageFolders = {QStringLiteral(TORVELLE_LANGUAGES_DIR)};
  torvelle::store::prepareDataFolder(
      {f.root(), torvelle::store::DataFolderKind::Requested},
      torvelle::shell::newTablesCodePage(f.root() / "torvelle.ini", locale));
}

// The program over them, with a section to put contacts in.
void startWithASection(ShellFixture& f) {
  torvelle::format::OpenOptions writable;
  writable.writable = true;
  torvelle::format::TableFile::open(f.root() / "DB/Phones/PhoneSections.db", writable)
      ->insert({std::string("Familie")});
  QVERIFY(f.start());
}

// The city of a new contact, typed.
void typeCity(ShellFixture& f, const QString& city) {
  torvelle::books::TPhonesBook& book = *f.main().PhonesBook;
  book.recordsTable().insert();
  typeText(book.CityDBEdit, city);
}

}  // namespace

void LanguageTest::firstStartTakesTheUsersLanguageAndItsLetters() {
  {
    // A German desktop: German texts, Western tables that hold "Müller",
    // and the case-blind filter finds it typed in capitals.
    ShellFixture f(false);
    prepare(f, QLocale(QLocale::German, QLocale::Germany));
    startWithASection(f);
    QCOMPARE(f.main().Languages().currentItem()->data().toString(), QStringLiteral("German"));
    QVERIFY(f.ini().contains("Language=German\n"));
    const fs::path phones = f.root() / "DB/Phones/Phones.db";
    QCOMPARE(torvelle::format::TableFile::open(phones, {})->info().codePage, 1252);
    typeCity(f, QStringLiteral("Müller"));
    torvelle::books::TPhonesBook& book = *f.main().PhonesBook;
    book.recordsTable().post();
    QVERIFY2(f.errors.isEmpty(), qPrintable(f.errors.join(QLatin1Char('\n'))));
    {
      torvelle::format::testing::PxlibReader px(
          phones, torvelle::format::companionPath(phones, ".MB", nullptr), f.root());
      QCOMPARE(px.recordCount(), 1);
      QVERIFY(px.rawRecord(0).find("M\xFCller") != std::string::npos);
    }
    book.RecordsFilterRow->FilterButton->click();
    book.RecordsFilterRow->CaseButton->click();
    book.RecordsFilterRow->edits().front()->setText(QStringLiteral("MÜLLER"));
    QCOMPARE(book.recordsTable().rowCount(), std::size_t{1});
    book.RecordsFilterRow->edits().front()->setText(QStringLiteral("MÜLLERS"));
    QCOMPARE(book.recordsTable().rowCount(), std::size_t{0});
  }
  {
    // A Russian desktop: the designed tables, byte for byte but for the
    // time they were made; a German letter is refused with a way out.
    ShellFixture f(false);
    prepare(f, QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir designed;
    torvelle::engine::createShippedTables(designed.path().toStdString());
    for (const auto& e : fs::recursive_directory_iterator(designed.path().toStdString())) {
      if (!e.is_regular_file()) continue;
      const fs::path relative = fs::relative(e.path(), designed.path().toStdString());
      std::ifstream a(e.path(), std::ios::binary), b(f.root() / relative, std::ios::binary);
      std::string x((std::istreambuf_iterator<char>(a)), {}),
          y((std::istreambuf_iterator<char>(b)), {});
      if (relative.extension() == ".db" && x.size() > 0x64 && y.size() > 0x64) {
        std::fill_n(x.begin() + 0x60, 4, '\0');  // the update time
        std::fill_n(y.begin() + 0x60, 4, '\0');
      }
      QVERIFY2(x == y, qPrintable(QString::fromStdString(relative.string())));
    }
    startWithASection(f);
    QCOMPARE(f.main().Languages().currentItem()->data().toString(), QStringLiteral("Russian"));
    typeCity(f, QStringLiteral("Müller"));
    QCOMPARE(f.errors.size(), 1);
    const QString& said = f.errors.front();
    QVERIFY2(said.contains(QStringLiteral("«ü»")) && said.contains(QStringLiteral("1251")) &&
                 said.contains(QStringLiteral("torvelle-db recode ")) &&
                 said.contains(QStringLiteral("--code-page 1252")),
             qPrintable(said));
  }
}

QTEST_MAIN(LanguageTest)
#include "LanguageTest.moc"
