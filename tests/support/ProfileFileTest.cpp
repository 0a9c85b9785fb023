#include "support/ProfileFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <stdexcept>

#include "TempDir.h"
#include "support/CodePage.h"
#include "support/EmptyFile.h"
#include "support/IoError.h"
#include "support/SettingsDefaults.h"

using namespace torvelle::support;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// Expects `write` to fail with the profile file's message and the file at
// `path` to be exactly as before.
template <typename Write>
void expectWriteFails(const fs::path& path, Write write) {
  const bool existed = fs::exists(path);
  const std::string before = fs::is_regular_file(path) ? readBytes(path) : "";
  try {
    write();
    FAIL() << "the write reported success";
  } catch (const IoError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.string());
    EXPECT_TRUE(e.code());
  }
  EXPECT_EQ(fs::exists(path), existed);
  if (existed && fs::is_regular_file(path)) {
    EXPECT_EQ(readBytes(path), before);
  }
}

}  // namespace

TEST(ProfileFile, ReadsTheWindowsProfileRules) {
  TempDir dir;
  writeBytes(dir / "a.ini",
             "; comment=not a key\n"
             "orphan=before any section\n"
             "[General]\n"
             "  Language  =   Русский  \n"
             "Quoted=\"  padded  \"\n"
             "Single='x'\n"
             "Half=\"open\n"
             "Empty=\n"
             "Equals=a=b\n"
             "Language=second wins not\n"
             "[general]\n"
             "Extra=from the duplicate section\n"
             "[ Window ]\n"
             "Left=-1\n");
  const ProfileFile file(dir / "a.ini");
  EXPECT_TRUE(file.exists());
  EXPECT_EQ(file.readString("GENERAL", "language", "x"), "Русский");
  EXPECT_EQ(file.readString("General", "Quoted", "x"), "  padded  ");
  EXPECT_EQ(file.readString("General", "Single", "x"), "x");
  EXPECT_EQ(file.readString("General", "Half", "x"), "\"open");
  EXPECT_EQ(file.readString("General", "Empty", "default"), "");  // present but empty
  EXPECT_EQ(file.readString("General", "Equals", ""), "a=b");
  EXPECT_EQ(file.readString("General", "Extra", "first section only"), "first section only");
  EXPECT_EQ(file.readString("General", "; comment", "none"), "none");
  EXPECT_EQ(file.readString("Window", "Left", ""), "-1");
  EXPECT_EQ(file.readString("Window", "orphan", "none"), "none");
  EXPECT_FALSE(file.value("Nowhere", "Left"));
}

TEST(ProfileFile, CyrillicSectionsAndKeysFoldLikeTheFilters) {
  TempDir dir;
  writeBytes(dir / "a.ini", "[Телефоны]\nZipСode=1\nКлюч=2\n");
  const ProfileFile file(dir / "a.ini");
  EXPECT_EQ(file.readString("ТЕЛЕФОНЫ", "zipсode", ""), "1");
  EXPECT_EQ(file.readString("телефоны", "КЛЮЧ", ""), "2");
  EXPECT_FALSE(file.value("Телефоны", "ZipCode"));  // Latin C is another key
}

TEST(ProfileFile, IntegersAndBooleans) {
  TempDir dir;
  writeBytes(dir / "a.ini",
             "[W]\nDec=-42\nHex=0x1F\nHEX=0XFF\nPlus=+7\nWord=abc\nTrail=12px\nBig=99999999999\n"
             "Bare=0x\nOff=0\nOn=2\nNegHex=-0x10\n");
  const ProfileFile file(dir / "a.ini");
  EXPECT_EQ(file.readInteger("W", "Dec", 0), -42);
  EXPECT_EQ(file.readInteger("W", "Hex", 0), 31);
  EXPECT_EQ(file.readInteger("W", "Plus", 0), 7);
  EXPECT_EQ(file.readInteger("W", "NegHex", 0), -16);
  EXPECT_EQ(file.readInteger("W", "Word", 648), 648);
  EXPECT_EQ(file.readInteger("W", "Trail", 648), 648);
  EXPECT_EQ(file.readInteger("W", "Big", 648), 648);
  EXPECT_EQ(file.readInteger("W", "Bare", 5), 5);
  EXPECT_EQ(file.readInteger("W", "Missing", 474), 474);
  EXPECT_FALSE(file.readBool("W", "Off", true));
  EXPECT_TRUE(file.readBool("W", "On", false));
  EXPECT_TRUE(file.readBool("W", "Hex", false));
  EXPECT_TRUE(file.readBool("W", "Word", true));
  EXPECT_FALSE(file.readBool("W", "Missing", false));
}

TEST(ProfileFile, LongLinesAndValueLimit) {
  TempDir dir;
  const std::string huge(300 * 1024, 'v');
  std::string cyrillic;
  for (int i = 0; i < 1100; ++i) cyrillic += "ж";  // 2200 bytes
  writeBytes(dir / "a.ini", "[S]\nHuge=" + huge + "\nCyr=" + cyrillic + "\nAfter=ok\n");
  const ProfileFile file(dir / "a.ini");
  EXPECT_EQ(file.readString("S", "Huge", ""), std::string(ProfileFile::kMaxValueBytes, 'v'));
  // Cut to whole characters: 1023 letters, 2046 bytes.
  EXPECT_EQ(file.readString("S", "Cyr", ""), cyrillic.substr(0, 2046));
  EXPECT_EQ(file.readString("S", "After", ""), "ok");
}

TEST(ProfileFile, CrLfAndLfFilesReadAlikeAndKeepTheirStyle) {
  TempDir dir;
  writeBytes(dir / "crlf.ini", "[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n");
  writeBytes(dir / "lf.ini", "[S]\nA=1\n");
  ProfileFile crlf(dir / "crlf.ini");
  ProfileFile lf(dir / "lf.ini");
  EXPECT_EQ(crlf.readString("S", "A", ""), "1");
  EXPECT_EQ(crlf.readString("T", "B", ""), "2");
  crlf.writeString("S", "New", "x");
  crlf.writeString("U", "C", "3");
  EXPECT_EQ(readBytes(dir / "crlf.ini"), "[S]\r\nA=1\r\nNew=x\r\n\r\n[T]\r\nB=2\r\n[U]\r\nC=3\r\n");
  lf.writeString("S", "A", "changed");
  EXPECT_EQ(readBytes(dir / "lf.ini"), "[S]\nA=changed\n");
}

TEST(ProfileFile, RewriteKeepsEverythingElseByteForByte) {
  TempDir dir;
  const std::string other = "[Other]\r\n; keep me = exactly\n  odd line without equals\t\n";
  writeBytes(dir / "a.ini",
             "\xEF\xBB\xBF; header comment\n[General]\nLanguage = English\nShow hints=1\n\n" +
                 other + "last=no newline");
  ProfileFile file(dir / "a.ini");
  file.writeString("general", "LANGUAGE", "Русский");
  file.writeString("General", "Save window size", "0");
  file.writeString("Other", "Added", "1");
  EXPECT_EQ(readBytes(dir / "a.ini"),
            "\xEF\xBB\xBF; header comment\n[General]\nLanguage = Русский\nShow hints=1\n"
            "Save window size=0\n\n" +
                other + "last=no newline\nAdded=1\n");
  EXPECT_EQ(file.readString("General", "Language", ""), "Русский");
  // A fresh reader sees the same.
  EXPECT_EQ(ProfileFile(dir / "a.ini").readString("Other", "Added", ""), "1");
}

TEST(ProfileFile, ValuesReadBackAsWritten) {
  TempDir dir;
  ProfileFile file(dir / "a.ini");
  for (const std::string value : {"  padded ", "\"quoted\"", "'single'", "", "a=b", "; x"}) {
    file.writeString("S", "K", value);
    EXPECT_EQ(ProfileFile(dir / "a.ini").readString("S", "K", "default"), value);
  }
  EXPECT_THROW(file.writeString("S", "K", "two\nlines"), std::invalid_argument);
  EXPECT_THROW(file.writeString("S", "K=1", "v"), std::invalid_argument);
  EXPECT_THROW(file.writeString("S]", "K", "v"), std::invalid_argument);
  EXPECT_THROW(file.writeString("S", "", "v"), std::invalid_argument);
  EXPECT_THROW(file.writeString("S", "K", "\xFF"), CodePageError);
  EXPECT_EQ(ProfileFile(dir / "a.ini").readString("S", "K", "default"), "; x");
}

TEST(ProfileFile, MissingFileReadsEmptyAndFirstWriteCreatesIt) {
  TempDir dir;
  ProfileFile file(dir / "torvelle.ini");
  EXPECT_FALSE(file.exists());
  EXPECT_EQ(file.readInteger("Window", "Width", 648), 648);
  EXPECT_FALSE(fs::exists(dir / "torvelle.ini"));
  writeSettingsDefaults(file);
  EXPECT_TRUE(file.exists());
  EXPECT_EQ(readBytes(dir / "torvelle.ini"),
            "[General]\nShow in TaskBar=1\nShow hints=1\nLanguage=English\n"
            "Save window position=0\nSave window size=0\n"
            "[Window]\nLeft=-1\nTop=-1\nWidth=648\nHeight=474\n");
  const ProfileFile again(dir / "torvelle.ini");
  for (const SettingDefault& setting : kSettingsDefaults)
    EXPECT_EQ(again.readString(setting.section, setting.key, "?"), setting.value);
  EXPECT_EQ(settingDefault("Window", "Height"), "474");
  EXPECT_EQ(settingDefault("Window", "Depth"), "");
}

TEST(ProfileFile, WriteKeepsChangesMadeByOthers) {
  TempDir dir;
  ProfileFile file(dir / "a.ini");
  file.writeString("S", "Mine", "1");
  writeBytes(dir / "a.ini", "[S]\nMine=1\nTheirs=2\n");
  file.writeString("S", "Mine", "3");
  EXPECT_EQ(readBytes(dir / "a.ini"), "[S]\nMine=3\nTheirs=2\n");
}

TEST(ProfileFile, FileThatIsNotTextDoesNotBreakTheReader) {
  TempDir dir;
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) % 256);
  writeBytes(dir / "a.ini", "[S]\nGood=1\nNul=a\0b\n"s + "Bad=\xFF\xFE\n[G\xFF]\n" + "Hidden=1\n" +
                                garbage + "\n[T]\nAfter=2\n");
  ProfileFile file(dir / "a.ini");
  EXPECT_EQ(file.readString("S", "Good", ""), "1");
  EXPECT_EQ(file.readString("S", "Nul", "none"), "none");
  EXPECT_EQ(file.readString("S", "Bad", "none"), "none");
  EXPECT_EQ(file.readString("S", "Hidden", "none"), "none");  // under the broken header
  EXPECT_EQ(file.readString("T", "After", ""), "2");
  // Rewriting keeps the garbage as it was.
  const std::string before = readBytes(dir / "a.ini");
  file.writeString("T", "After", "3");
  const std::string after = readBytes(dir / "a.ini");
  EXPECT_EQ(after.substr(0, after.size() - 2), before.substr(0, before.size() - 2));
  EXPECT_EQ(after.substr(after.size() - 2), "3\n");
}

TEST(ProfileFile, LanguageFilesInCp1251OrUtf8) {
  TempDir dir;
  const auto cp1251 = fromUtf8("[Главная форма]\r\nCaption=Органайзер <Торвелле>\r\n", 1251);
  writeBytes(dir / "Russian.txt", cp1251);
  writeBytes(dir / "Utf8.txt", "[Главная форма]\nCaption=Органайзер\n");
  const ProfileFile legacy(dir / "Russian.txt", ProfileFile::Encoding::Cp1251UnlessUtf8);
  const ProfileFile modern(dir / "Utf8.txt", ProfileFile::Encoding::Cp1251UnlessUtf8);
  EXPECT_EQ(legacy.readString("главная ФОРМА", "caption", ""), "Органайзер <Торвелле>");
  EXPECT_EQ(modern.readString("Главная форма", "Caption", ""), "Органайзер");
  // Read as a UTF-8 settings file, the cp1251 bytes are not text.
  EXPECT_EQ(ProfileFile(dir / "Russian.txt").readString("Главная форма", "Caption", "-"), "-");

  // A cp1251 file stays cp1251 when written, and refuses what it cannot hold.
  ProfileFile writable(dir / "Russian.txt", ProfileFile::Encoding::Cp1251UnlessUtf8);
  writable.writeString("Главная форма", "Caption", "Ежедневник");
  EXPECT_EQ(readBytes(dir / "Russian.txt"),
            fromUtf8("[Главная форма]\r\nCaption=Ежедневник\r\n", 1251));
  EXPECT_THROW(writable.writeString("Главная форма", "Caption", "日本"), CodePageError);
  EXPECT_EQ(readBytes(dir / "Russian.txt"),
            fromUtf8("[Главная форма]\r\nCaption=Ежедневник\r\n", 1251));
}

TEST(ProfileFile, FailedWriteRaisesAndKeepsTheFile) {
  TempDir dir;
  writeBytes(dir / "file", "not a folder");
  // The folder is missing, is a file, or the path is a folder itself.
  for (const fs::path& path : {dir / "missing" / "a.ini", dir / "file" / "a.ini", dir.path()}) {
    ProfileFile file(path);
    expectWriteFails(path, [&] { file.writeString("S", "K", "v"); });
  }
  EXPECT_EQ(fs::directory_iterator(dir.path())->path().filename(), "file");
}

TEST(ProfileFile, WriteCutShortLeavesTheOldFileWhole) {
#ifdef _WIN32
  GTEST_SKIP() << "cuts the write short by a file size limit and checks POSIX permission bits";
#else
  // Root may write anywhere, so the write is cut short by a file size limit
  // instead: the temporary file fails half-way, as on a full disk.
  TempDir dir;
  const fs::path path = dir / "a.ini";
  writeBytes(path, "[General]\nLanguage=English\n");
  ::chmod(path.c_str(), 0640);
  ProfileFile file(path);

  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 1000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  expectWriteFails(path, [&] { file.writeString("General", "Language", std::string(1500, 'x')); });
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(file.readString("General", "Language", ""), "English");
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1) << "a temporary file was left behind";

  // A write that succeeds keeps the file's permissions.
  file.writeString("General", "Language", "Русский");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
}

TEST(ProfileFile, WriteThroughASymlinkReplacesItsTarget) {
#ifdef _WIN32
  GTEST_SKIP() << "making a symbolic link takes a privilege there and MinGW's library has no call";
#endif
  TempDir dir;
  writeBytes(dir / "real.ini", "[S]\nK=1\n");
  fs::create_symlink("real.ini", dir / "link.ini");
  ProfileFile(dir / "link.ini").writeString("S", "K", "2");
  EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
  EXPECT_EQ(readBytes(dir / "real.ini"), "[S]\nK=2\n");
}

TEST(EmptyFile, CreatesOrTruncates) {
  TempDir dir;
  createEmptyFile(dir / "new.ini");
  EXPECT_TRUE(fs::is_regular_file(dir / "new.ini"));
  EXPECT_EQ(fs::file_size(dir / "new.ini"), 0u);
  writeBytes(dir / "old.ini", "content");
  createEmptyFile(dir / "old.ini");
  EXPECT_EQ(fs::file_size(dir / "old.ini"), 0u);
  try {
    createEmptyFile(dir / "missing" / "x.ini");
    FAIL() << "no error for a missing folder";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
    EXPECT_EQ(e.path(), dir / "missing" / "x.ini");
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos);
  }
  EXPECT_THROW(createEmptyFile(dir.path()), IoError);
}
