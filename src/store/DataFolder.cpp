#include "store/DataFolder.h"

#include <stdexcept>
#include <system_error>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "engine/ShippedTables.h"
#include "support/IoError.h"

namespace torvelle::store {

namespace fs = std::filesystem;

namespace {

fs::path userDataFolder(const DataFolderInputs& inputs) {
  if (inputs.userDataHome.is_absolute()) return inputs.userDataHome / "torvelle";
  throw std::runtime_error("No folder for the data (HOME is not set); start with --data DIR");
}

void makeOwnerOnlyFolder(const fs::path& path) {
  std::error_code error;
  const bool existed = fs::is_directory(path, error);
  fs::create_directories(path, error);
  if (error)
    throw support::IoError(
        "Cannot create the data folder " + path.string() + ": " + error.message(), path, error);
  // A folder the user made and shared on purpose keeps its permissions.
  if (!existed) fs::permissions(path, fs::perms::owner_all, fs::perm_options::replace, error);
}

}  // namespace

DataFolder chooseDataFolder(const DataFolderInputs& inputs) {
  if (!inputs.requested.empty())
    return {fs::absolute(inputs.requested).lexically_normal(), DataFolderKind::Requested};
  std::error_code error;
  if (inputs.programFolderWritable && fs::is_directory(inputs.programFolder / "DB", error))
    return {inputs.programFolder, DataFolderKind::Portable};
  return {userDataFolder(inputs), DataFolderKind::User};
}

void prepareDataFolder(const DataFolder& folder, int codePage) {
  if (folder.kind == DataFolderKind::Portable) return;
#ifndef _WIN32
  // Settings, tables, journals and their renamed copies are all made later,
  // by many writers: the mask covers every one of them.
  ::umask(S_IRWXG | S_IRWXO);
#endif
  makeOwnerOnlyFolder(folder.path);
  std::error_code error;
  if (!fs::exists(folder.path / "DB", error)) engine::createShippedTables(folder.path, codePage);
}

fs::path installedShareFolder(const fs::path& programFolder) {
  return (programFolder / ".." / "share" / "torvelle").lexically_normal();
}

std::vector<fs::path> languageFolders(const DataFolder& folder, const fs::path& programFolder) {
  return {folder.path / "Languages", installedShareFolder(programFolder) / "Languages"};
}

}  // namespace torvelle::store
