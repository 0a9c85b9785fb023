#include "engine/format/FileIo.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <utility>

#include "engine/DbError.h"
#include "support/AsciiText.h"

namespace torvelle::format {

using engine::DbError;

void throwIo(const std::string& what, const std::filesystem::path& path, int err) {
  throw DbError(DbError::Kind::Io,
                "Cannot " + what + " " + path.string() + ": " + std::strerror(err));
}

#ifndef _WIN32  // Windows: FileIoWindows.cpp

File::File(const std::filesystem::path& path, bool writable, bool create)
    : writable_(writable), path_(path) {
  int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  if (create) flags |= O_CREAT | O_TRUNC;
  // Tables hold private data: new files are for their owner only.
  fd_ = ::open(path.c_str(), flags, 0600);
  if (fd_ < 0) {
    const int err = errno;
    if (err == ENOENT)
      throw DbError(DbError::Kind::NotFound, "Table file not found: " + path.string());
    throwIo(create ? "create" : "open", path, err);
  }
}

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      writable_(other.writable_),
      path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    writable_ = other.writable_;
    path_ = std::move(other.path_);
  }
  return *this;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

std::uint64_t File::size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) throwIo("examine", path_, errno);
  return static_cast<std::uint64_t>(st.st_size);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t size) const {
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < size) {
    const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throwIo("read", path_, errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t size) {
  std::size_t done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throwIo("write", path_, errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

void File::truncate(std::uint64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throwIo("resize", path_, errno);
}

void File::sync() {
  // Data and the size that finds it; other metadata (times) need not wait.
  if (::fdatasync(fd_) != 0) throwIo("flush", path_, errno);
}

bool File::tryLock() {
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return false;
    throwIo("lock", path_, errno);
  }
  return true;
}

void syncDirectory(const std::filesystem::path& dir) {
  const auto d = dir.empty() ? std::filesystem::path(".") : dir;
  const int fd = ::open(d.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throwIo("open folder", d, errno);
  const int rc = ::fsync(fd);
  const int err = errno;
  ::close(fd);
  if (rc != 0 && err != EINVAL) throwIo("flush folder", d, err);
}

void renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) throwIo("rename", from, errno);
}

void removeFile(const std::filesystem::path& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) throwIo("remove", path, errno);
}

#endif

std::optional<std::filesystem::path> findAnyCase(const std::filesystem::path& dir,
                                                 const std::string& name) {
  const auto base = dir.empty() ? std::filesystem::path(".") : dir;
  std::error_code ec;
  if (std::filesystem::exists(base / name, ec)) return dir / name;
  for (std::filesystem::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
    const auto entryName = it->path().filename().string();
    if (support::equalsIgnoringAsciiCase(entryName, name)) return dir / entryName;
  }
  return std::nullopt;
}

std::filesystem::path companionPath(const std::filesystem::path& dbPath, const std::string& ext,
                                    bool* exists) {
  const auto dir = dbPath.parent_path();
  const auto stem = dbPath.stem().string();
  const auto found = findAnyCase(dir, stem + ext);
  if (exists) *exists = found.has_value();
  if (found) return *found;
  // A new companion follows the letter case of the table's extension.
  const auto dbExt = dbPath.extension().string();
  const bool lower = dbExt.size() > 1 && dbExt[1] >= 'a' && dbExt[1] <= 'z';
  return dir / (stem + (lower ? support::asciiLower(ext) : support::asciiUpper(ext)));
}

}  // namespace torvelle::format
