#pragma once
#include <filesystem>
#include <optional>
#include <string>

// The one sync account of a data folder: the server and user in a small
// file beside the sync state, the password apart from them. With protected
// tables the password is sealed with the master password (as the backups
// are); otherwise it sits in a file only its owner may read. It never goes
// into the settings file.
namespace torvelle::sync {

struct Account {
  std::string server;
  std::string user;
  std::string password;
};

// `masterPassword` empty: the owner-only file; else the sealed one.
void saveAccount(const std::filesystem::path& root, const Account& account,
                 const std::string& masterPassword);
// Nothing when no account was set up; SyncError when the password cannot be
// opened (a wrong master password, a damaged file).
std::optional<Account> loadAccount(const std::filesystem::path& root,
                                   const std::string& masterPassword);

}  // namespace torvelle::sync
