#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "common/Samples.h"
#include "common/TempDir.h"
#include "engine/format/TableFile.h"

namespace torvelle::format::testing {

using torvelle::testing::samplesDir;
using torvelle::testing::TempDir;

// Options to change a scratch table: writable, without waiting for the disk.
inline OpenOptions scratchWriter(std::vector<std::string> passwords = {}) {
  OpenOptions o;
  o.writable = true;
  o.sync = false;
  o.passwords = std::move(passwords);
  return o;
}

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void spit(const std::filesystem::path& p, const std::string& data) {
  std::ofstream(p, std::ios::binary | std::ios::trunc)
      .write(data.data(), static_cast<std::streamsize>(data.size()));
}

// The genuine sample tables (.DB files), sorted. Without the samples one
// empty path, so that a test over them reports itself skipped rather than
// vanishing from the suite.
inline std::vector<std::filesystem::path> sampleTables() {
  if (!torvelle::testing::samplesPresent()) return {std::filesystem::path{}};
  std::vector<std::filesystem::path> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(samplesDir())) {
    auto ext = e.path().extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".db") out.push_back(e.path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Copies a table and its companions (same stem, any extension) into `dir`,
// writable.
inline std::filesystem::path copyTable(const std::filesystem::path& db,
                                       const std::filesystem::path& dir) {
  for (const auto& e : std::filesystem::directory_iterator(db.parent_path())) {
    if (e.path().stem() != db.stem()) continue;
    const auto to = dir / e.path().filename();
    std::filesystem::copy_file(e.path(), to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(
        to, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  return dir / db.filename();
}

// Bytes of all files of a table folder, to prove nothing changed.
inline std::string folderImage(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  // An empty journal, left by a process that ended, holds nothing.
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (!(e.path().string().ends_with("-journal") && std::filesystem::file_size(e.path()) == 0))
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::string out;
  for (const auto& f : files) out += f.filename().string() + '\n' + slurp(f) + '\n';
  return out;
}

}  // namespace torvelle::format::testing
