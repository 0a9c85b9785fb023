#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "engine/ShippedTables.h"

namespace torvelle::store {

// Where the settings file, DB/ and a user's own Languages/ live.
enum class DataFolderKind {
  Portable,   // beside the executable, which holds DB/ and may write there
  Requested,  // named on the command line (--data DIR)
  User,       // an installed program: $XDG_DATA_HOME/torvelle
};

struct DataFolder {
  std::filesystem::path path;
  DataFolderKind kind = DataFolderKind::Portable;
};

// What the choice depends on, gathered by the caller.
struct DataFolderInputs {
  std::filesystem::path programFolder;  // the executable's folder
  bool programFolderWritable = false;
  std::filesystem::path requested;  // --data DIR, or empty
  // The user's data home ($XDG_DATA_HOME, else ~/.local/share), as the
  // platform reports it; empty when there is none.
  std::filesystem::path userDataHome;
};

// The rule, in order: a requested folder; the executable's folder when it
// holds DB/ and is writable; else "torvelle" in the user's data home.
// Throws std::runtime_error when there is no absolute data home.
DataFolder chooseDataFolder(const DataFolderInputs& inputs);

// Makes a chosen folder ready. A portable folder is used as it is. Any other
// is created owner-only, every file made afterwards by this process is
// owner-only (it holds personal data), and on its first use (no DB/ yet) it
// receives the seven empty tables, their text in `codePage`: the only time
// the program creates tables. Throws support::IoError or engine::DbError
// with a message for the user.
void prepareDataFolder(const DataFolder& folder, int codePage = engine::kDesignedCodePage);

// The read-only files an install ships (share/torvelle beside bin/).
std::filesystem::path installedShareFolder(const std::filesystem::path& programFolder);

// Where language files are looked for, the user's own first.
std::vector<std::filesystem::path> languageFolders(const DataFolder& folder,
                                                   const std::filesystem::path& programFolder);

}  // namespace torvelle::store
