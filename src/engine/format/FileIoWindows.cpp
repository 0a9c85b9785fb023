// The table files on Windows: the same operations as the POSIX ones in
// FileIo.cpp, through Win32 handles.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <utility>

#include "engine/DbError.h"
#include "engine/format/FileIo.h"
#include "support/IoError.h"

namespace torvelle::format {

using engine::DbError;

namespace {

[[noreturn]] void throwWindows(const std::string& what, const std::filesystem::path& path,
                               DWORD err) {
  throw DbError(DbError::Kind::Io,
                "Cannot " + what + " " + path.string() + ": " + support::windowsErrorText(err));
}

HANDLE handleOf(void* handle) {
  return static_cast<HANDLE>(handle);
}

// Windows byte-range locks are mandatory: a lock over the data would stop
// readers too. The writer's lock takes one byte far past any table's end.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

OVERLAPPED at(std::uint64_t offset) {
  OVERLAPPED o{};
  o.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  o.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return o;
}

// One read or write call moves at most this much.
constexpr std::size_t kChunk = 1u << 30;

}  // namespace

File::File(const std::filesystem::path& path, bool writable, bool create)
    : writable_(writable), path_(path) {
  const DWORD access = GENERIC_READ | (writable ? GENERIC_WRITE : 0);
  // Others may read, write, rename and delete while it is open, as on POSIX;
  // the writer's lock is what keeps a second writer out.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = ::CreateFileW(path.c_str(), access, share, nullptr,
                           create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND || (err == ERROR_PATH_NOT_FOUND && !create))
      throw DbError(DbError::Kind::NotFound, "Table file not found: " + path.string());
    throwWindows(create ? "create" : "open", path, err);
  }
  handle_ = h;
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      writable_(other.writable_),
      path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (handle_) ::CloseHandle(handleOf(handle_));
    handle_ = std::exchange(other.handle_, nullptr);
    writable_ = other.writable_;
    path_ = std::move(other.path_);
  }
  return *this;
}

File::~File() {
  if (handle_) ::CloseHandle(handleOf(handle_));
}

std::uint64_t File::size() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(handleOf(handle_), &size)) throwWindows("examine", path_, ::GetLastError());
  return static_cast<std::uint64_t>(size.QuadPart);
}

std::size_t File::readAt(std::uint64_t offset, void* buffer, std::size_t size) const {
  std::size_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < size) {
    OVERLAPPED o = at(offset + done);
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(size - done, kChunk));
    if (!::ReadFile(handleOf(handle_), out + done, want, &n, &o)) {
      const DWORD err = ::GetLastError();
      if (err == ERROR_HANDLE_EOF) break;
      throwWindows("read", path_, err);
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

void File::writeAt(std::uint64_t offset, const void* buffer, std::size_t size) {
  std::size_t done = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (done < size) {
    OVERLAPPED o = at(offset + done);
    DWORD n = 0;
    const auto want = static_cast<DWORD>(std::min(size - done, kChunk));
    if (!::WriteFile(handleOf(handle_), in + done, want, &n, &o))
      throwWindows("write", path_, ::GetLastError());
    done += n;
  }
}

void File::truncate(std::uint64_t size) {
  FILE_END_OF_FILE_INFO info{};
  info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFileInformationByHandle(handleOf(handle_), FileEndOfFileInfo, &info, sizeof info))
    throwWindows("resize", path_, ::GetLastError());
}

void File::sync() {
  if (!::FlushFileBuffers(handleOf(handle_))) throwWindows("flush", path_, ::GetLastError());
}

bool File::tryLock() {
  OVERLAPPED o{};
  o.OffsetHigh = kLockOffsetHigh;
  if (::LockFileEx(handleOf(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &o))
    return true;
  const DWORD err = ::GetLastError();
  if (err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING) return false;
  throwWindows("lock", path_, err);
}

void syncDirectory(const std::filesystem::path&) {
  // NTFS journals its folder entries, and renames ask for write-through
  // themselves; Windows has no call to flush a folder.
}

void renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (!::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    throwWindows("rename", from, ::GetLastError());
}

void removeFile(const std::filesystem::path& path) {
  if (::DeleteFileW(path.c_str())) return;
  const DWORD err = ::GetLastError();
  if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) throwWindows("remove", path, err);
}

}  // namespace torvelle::format

#endif
