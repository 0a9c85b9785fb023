// libFuzzer entry for the table reader: any byte sequence given as a table
// must end in a DbError or a successful read, never in a crash, a hang, an
// uncaught exception or a read outside the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "engine/DbError.h"
#include "engine/format/TableFile.h"

namespace {

namespace fs = std::filesystem;

// One scratch folder per fuzzing process, removed when it ends.
class ScratchDir {
 public:
  ScratchDir() {
    const char* base = fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/torvelle-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void writeOrRemove(const fs::path& path, std::string_view bytes, bool present) {
  if (!present) {
    std::error_code ec;
    fs::remove(path, ec);
    return;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) std::abort();
}

std::uint32_t readU32(std::string_view bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
  return v;
}

// An input is either a bare .DB, or a bundle that also carries the .MB and
// .PX companions: "TVFZ", flags (1 = .MB, 2 = .PX), u32 .DB length, u32 .MB
// length, then the .DB, the .MB and the .PX (the rest) bytes.
struct Parts {
  std::string_view db, mb, px;
  bool hasMb = false, hasPx = false;
};

Parts split(std::string_view input) {
  constexpr std::size_t kBundleHeader = 13;
  Parts parts;
  if (input.size() < kBundleHeader || !input.starts_with("TVFZ")) {
    parts.db = input;
    return parts;
  }
  const auto flags = static_cast<unsigned char>(input[4]);
  std::string_view rest = input.substr(kBundleHeader);
  const std::size_t dbLen = std::min<std::size_t>(readU32(input, 5), rest.size());
  parts.db = rest.substr(0, dbLen);
  rest.remove_prefix(dbLen);
  const std::size_t mbLen = std::min<std::size_t>(readU32(input, 9), rest.size());
  parts.mb = rest.substr(0, mbLen);
  rest.remove_prefix(mbLen);
  parts.px = rest;
  parts.hasMb = (flags & 1) != 0;
  parts.hasPx = (flags & 2) != 0;
  return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchDir dir;
  const Parts parts = split(std::string_view(reinterpret_cast<const char*>(data), size));
  const fs::path db = dir.path() / "t.DB";
  writeOrRemove(db, parts.db, true);
  writeOrRemove(dir.path() / "t.MB", parts.mb, parts.hasMb);
  writeOrRemove(dir.path() / "t.PX", parts.px, parts.hasPx);

  torvelle::format::OpenOptions options;
  // The password of the protected seeds, so that decryption is reached too.
  options.passwords = {"123"};
  try {
    const auto table = torvelle::format::TableFile::open(db, options);
    const auto records = table->readAll();
    if (records.size() != table->recordCount()) std::abort();
    if (!records.empty()) table->read(records.size() - 1);
  } catch (const torvelle::engine::DbError&) {
  }
  try {
    torvelle::format::TableFile::check(db, options);
  } catch (const torvelle::engine::DbError&) {
  }
  return 0;
}
