#include "backup/BackupArchive.h"

#include <sodium.h>

#include <map>
#include <set>
#include <sstream>

#include "backup/BackupError.h"
#include "backup/Sealing.h"
#include "backup/TarStream.h"

namespace torvelle::backup {
namespace {

constexpr std::string_view kManifestName = "MANIFEST";
constexpr std::string_view kManifestFirstLine = "torvelle backup 1";

[[noreturn]] void notOurs(const std::string& why) {
  throw BackupError(BackupError::Kind::Damaged, "The backup is damaged or not a backup: " + why);
}

std::string digest(std::string_view data) {
  unsigned char hash[crypto_generichash_BYTES];
  crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
                     data.size(), nullptr, 0);
  char hex[crypto_generichash_BYTES * 2 + 1];
  sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
  return hex;
}

// Names come from the archive: only plain relative paths inside DB/ may be
// written back.
bool safeName(const std::string& name) {
  if (!name.starts_with("DB/") || name.find('\\') != std::string::npos) return false;
  std::istringstream parts(name);
  for (std::string part; std::getline(parts, part, '/');)
    if (part.empty() || part == "." || part == "..") return false;
  return true;
}

std::string manifestText(const BackupContents& contents) {
  std::ostringstream m;
  m << kManifestFirstLine << "\ncreated " << contents.created << '\n';
  for (const auto& t : contents.tables) {
    m << "table " << t.records << ' ' << t.table << '\n';
    for (const auto& f : t.files)
      m << "file " << f.data.size() << ' ' << digest(f.data) << ' ' << f.name << '\n';
  }
  return m.str();
}

struct ManifestFile {
  std::size_t size = 0;
  std::string digest;
  std::size_t table = 0;
};

}  // namespace

std::string makeArchive(const BackupContents& contents, const std::string& password) {
  if (sodium_init() < 0)
    throw BackupError(BackupError::Kind::Write, "The hash library cannot start");
  std::vector<ArchiveEntry> entries{{std::string(kManifestName), manifestText(contents)}};
  for (const auto& t : contents.tables)
    for (const auto& f : t.files) entries.push_back(f);
  const std::string tar = writeTar(entries, contents.created);
  return password.empty() ? tar : seal(tar, password);
}

namespace {

// The tar inside: the archive itself, or what the first fitting password unseals.
std::string openTar(std::string_view archive, const std::vector<std::string>& passwords) {
  if (!isSealed(archive)) return std::string(archive);
  if (passwords.empty())
    throw BackupError(BackupError::Kind::Password,
                      "This backup needs the password it was made with");
  for (std::size_t i = 0;; ++i) {
    try {
      return unseal(archive, passwords[i]);
    } catch (const BackupError& e) {
      if (e.kind() != BackupError::Kind::Password || i + 1 == passwords.size()) throw;
    }
  }
}

// One manifest line into `contents` (tables) and `expected` (files by name).
void readManifestLine(const std::string& line, BackupContents& contents,
                      std::map<std::string, ManifestFile>& expected) {
  std::istringstream words(line);
  std::string kind;
  words >> kind;
  if (kind == "created") {
    words >> contents.created;
  } else if (kind == "table") {
    TableSnapshot t;
    words >> t.records >> std::ws;
    std::getline(words, t.table);
    if (!safeName(t.table)) notOurs("bad table name");
    contents.tables.push_back(std::move(t));
  } else if (kind == "file" && !contents.tables.empty()) {
    ManifestFile f;
    std::string name;
    words >> f.size >> f.digest >> std::ws;
    std::getline(words, name);
    f.table = contents.tables.size() - 1;
    if (!safeName(name) || !expected.emplace(name, f).second) notOurs("bad file name");
  } else {
    notOurs("unknown manifest line");
  }
  if (!words && !words.eof()) notOurs("unreadable manifest line");
}

// Every file the manifest names, once, with its size and digest, and nothing else.
void attachFiles(std::vector<ArchiveEntry>& entries,
                 const std::map<std::string, ManifestFile>& expected, BackupContents& contents) {
  std::set<std::string> seen;
  for (std::size_t i = 1; i < entries.size(); ++i) {
    auto& e = entries[i];
    const auto it = expected.find(e.name);
    if (it == expected.end() || !seen.insert(e.name).second) notOurs("unexpected file " + e.name);
    if (e.data.size() != it->second.size || digest(e.data) != it->second.digest)
      notOurs(e.name + " was altered");
    contents.tables[it->second.table].files.push_back(std::move(e));
  }
  if (seen.size() != expected.size()) notOurs("files are missing");
  for (const auto& t : contents.tables)
    if (t.files.empty() || t.files.front().name != t.table)
      notOurs("table " + t.table + " is missing");
}

}  // namespace

BackupContents readArchive(std::string_view archive, const std::vector<std::string>& passwords) {
  if (sodium_init() < 0)
    throw BackupError(BackupError::Kind::Damaged, "The hash library cannot start");
  auto entries = readTar(openTar(archive, passwords));
  if (entries.empty() || entries.front().name != kManifestName) notOurs("no manifest");

  BackupContents contents;
  std::map<std::string, ManifestFile> expected;
  std::istringstream lines(entries.front().data);
  std::string line;
  if (!std::getline(lines, line) || line != kManifestFirstLine) notOurs("unknown manifest");
  while (std::getline(lines, line)) readManifestLine(line, contents, expected);
  if (contents.tables.empty()) notOurs("no tables");
  attachFiles(entries, expected, contents);
  return contents;
}

}  // namespace torvelle::backup
