#include "sync/Account.h"

#include <sys/stat.h>

#include "backup/BackupError.h"
#include "backup/Sealing.h"
#include "support/AtomicFile.h"
#include "sync/SyncError.h"
#include "sync/SyncStore.h"

namespace torvelle::sync {
namespace {

std::filesystem::path accountFile(const std::filesystem::path& root) {
  return SyncStore::folder(root) / "Account.txt";
}
std::filesystem::path plainPasswordFile(const std::filesystem::path& root) {
  return SyncStore::folder(root) / "Password";
}
std::filesystem::path sealedPasswordFile(const std::filesystem::path& root) {
  return SyncStore::folder(root) / "Password.sealed";
}

// The file is made owner-only before anything secret goes into it.
void writePrivate(const std::filesystem::path& path, const std::string& content) {
  if (!std::filesystem::exists(path)) support::writeFileAtomically(path, "");
  std::filesystem::permissions(
      path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
      std::filesystem::perm_options::replace);
  support::writeFileAtomically(path, content);
}

std::string lineValue(const std::string& text, const std::string& key) {
  const std::string head = key + "=";
  std::size_t pos = 0;
  while (pos < text.size()) {
    auto end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    if (text.compare(pos, head.size(), head) == 0) {
      return text.substr(pos + head.size(), end - pos - head.size());
    }
    pos = end + 1;
  }
  return {};
}

}  // namespace

void saveAccount(const std::filesystem::path& root, const Account& account,
                 const std::string& masterPassword) {
  std::filesystem::create_directories(SyncStore::folder(root));
  writePrivate(accountFile(root), "server=" + account.server + "\nuser=" + account.user + "\n");
  std::error_code ignored;
  if (masterPassword.empty()) {
    writePrivate(plainPasswordFile(root), account.password);
    std::filesystem::remove(sealedPasswordFile(root), ignored);
  } else {
    // A lighter key cost than an archive's: it is opened at every start.
    writePrivate(sealedPasswordFile(root),
                 backup::seal(account.password, masterPassword, backup::KeyCost{2, 16 * 1024}));
    std::filesystem::remove(plainPasswordFile(root), ignored);
  }
}

std::optional<Account> loadAccount(const std::filesystem::path& root,
                                   const std::string& masterPassword) {
  const auto text = support::readWholeFile(accountFile(root));
  if (!text) return std::nullopt;
  Account account{lineValue(*text, "server"), lineValue(*text, "user"), {}};
  if (const auto sealed = support::readWholeFile(sealedPasswordFile(root))) {
    if (masterPassword.empty()) {
      throw SyncError("the sync password is sealed: the tables' password is needed");
    }
    try {
      account.password = backup::unseal(*sealed, masterPassword);
    } catch (const backup::BackupError& e) {
      throw SyncError(std::string("the sync password cannot be opened: ") + e.what());
    }
  } else if (const auto plain = support::readWholeFile(plainPasswordFile(root))) {
    account.password = *plain;
  }
  return account;
}

}  // namespace torvelle::sync
