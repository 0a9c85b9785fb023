// Where the data lives, and what a first start of an install leaves there.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "common/TempDir.h"
#include "engine/ShippedTables.h"
#include "engine/format/TableFile.h"
#include "store/DataFolder.h"
#include "support/EmptyFile.h"

namespace torvelle::testing {
namespace {

namespace fs = std::filesystem;
using store::DataFolderKind;

fs::perms permsOf(const fs::path& p) {
  return fs::status(p).permissions() & fs::perms::all;
}

TEST(DataFolder, ChoiceFollowsTheRuleInOrder) {
  TempDir dir;
  fs::create_directories(dir / "bin/DB");
  fs::create_directories(dir / "usr/bin");
  store::DataFolderInputs in;
  in.programFolder = dir / "bin";
  in.programFolderWritable = true;
  in.userDataHome = dir / "xdg";

  auto chosen = store::chooseDataFolder(in);
  EXPECT_EQ(chosen.kind, DataFolderKind::Portable);
  EXPECT_EQ(chosen.path, dir / "bin");

  // A folder with DB/ that cannot be written to is an install, as is one
  // without DB/.
  in.programFolderWritable = false;
  EXPECT_EQ(store::chooseDataFolder(in).path, dir / "xdg/torvelle");
  in.programFolder = dir / "usr/bin";
  in.programFolderWritable = true;
  chosen = store::chooseDataFolder(in);
  EXPECT_EQ(chosen.kind, DataFolderKind::User);
  EXPECT_EQ(chosen.path, dir / "xdg/torvelle");

  in.userDataHome.clear();
  EXPECT_THROW(store::chooseDataFolder(in), std::runtime_error);

  in.requested = dir / "stick/../stick2";
  chosen = store::chooseDataFolder(in);
  EXPECT_EQ(chosen.kind, DataFolderKind::Requested);
  EXPECT_EQ(chosen.path, dir / "stick2");

  EXPECT_EQ(store::installedShareFolder("/opt/t/bin"), fs::path("/opt/t/share/torvelle"));
  EXPECT_EQ(store::languageFolders({dir / "data", DataFolderKind::User}, "/usr/bin"),
            (std::vector<fs::path>{dir / "data/Languages", "/usr/share/torvelle/Languages"}));
}

TEST(DataFolder, FirstStartMakesPrivateTablesAndLaterStartsKeepThem) {
  TempDir dir;
  const mode_t saved = ::umask(022);
  const store::DataFolder folder{dir / "share/torvelle", DataFolderKind::User};
  store::prepareDataFolder(folder);

  EXPECT_EQ(permsOf(folder.path), fs::perms::owner_all);
  for (const auto& table : engine::shippedTables()) {
    const fs::path db = folder.path / table.relativePath;
    ASSERT_TRUE(fs::exists(db)) << db;
    EXPECT_EQ(permsOf(db), fs::perms::owner_read | fs::perms::owner_write) << db;
    EXPECT_EQ(format::TableFile::check(db, {}), std::vector<std::string>{}) << db;
  }
  // Files made later, like the settings file, are private as well.
  support::createEmptyFile(folder.path / "torvelle.ini");
  EXPECT_EQ(permsOf(folder.path / "torvelle.ini"), fs::perms::owner_read | fs::perms::owner_write);

  // A second start neither recreates a table the user removed nor touches
  // the others.
  const fs::path first = folder.path / engine::shippedTables().front().relativePath;
  fs::remove(first);
  store::prepareDataFolder(folder);
  EXPECT_FALSE(fs::exists(first));

  // A portable folder is used as it is: nothing is made there.
  store::prepareDataFolder({dir / "portable", DataFolderKind::Portable});
  EXPECT_FALSE(fs::exists(dir / "portable"));
  ::umask(saved);
}

}  // namespace
}  // namespace torvelle::testing
