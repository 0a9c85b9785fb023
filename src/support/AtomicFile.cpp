#include "support/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <random>

#include "support/IoError.h"

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace torvelle::support {
namespace fs = std::filesystem;

std::optional<std::string> readWholeFile(const fs::path& path) {
  errno = 0;
  std::FILE* file = openFile(path, "rb");
  if (!file) {
    const int err = errno ? errno : EIO;
    if (err == ENOENT || err == ENOTDIR) return std::nullopt;
    throw IoError::fromErrno("Cannot read", path, err);
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
    content.append(buffer, n);
    if (n < sizeof buffer) break;
  }
  const int err = std::ferror(file) ? (errno ? errno : EIO) : 0;
  std::fclose(file);
  if (err) throw IoError::fromErrno("Cannot read", path, err);
  return content;
}

namespace {

// Writing through a link must replace the file it names, not the link.
fs::path resolveLinks(const fs::path& path) {
  fs::path target = path;
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec)) break;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target;
}

std::string temporaryName(const fs::path& target) {
  std::random_device random;
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".tmp%08x%08x", random(), random());
  return "." + target.filename().string() + suffix;
}

}  // namespace

#ifndef _WIN32

void writeFileAtomically(const fs::path& path, std::string_view content) {
  const fs::path target = resolveLinks(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;
  if (replacing && S_ISDIR(old.st_mode)) throw IoError::fromErrno("Cannot write", path, EISDIR);

  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = folder / temporaryName(target);
    // A new file gets the usual 0666 less the umask, like any file we create.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw IoError::fromErrno("Cannot write", path, errno);

  const auto fail = [&](int err) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    return IoError::fromErrno("Cannot write", path, err);
  };
  if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0) throw fail(errno);
  for (std::size_t done = 0; done < content.size();) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw fail(errno);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) throw fail(errno);
  const int closed = ::close(fd);
  fd = -1;
  if (closed != 0) throw fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) throw fail(errno);

  // Makes the rename itself durable; some file systems refuse to sync a
  // folder, which changes nothing about the content now in place.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

#else

// Windows: the same scheme through Win32. The old file is swapped out by
// ReplaceFileW, which keeps its attributes and access rights the way the
// POSIX code keeps permission bits; a new one is moved into place.
void writeFileAtomically(const fs::path& path, std::string_view content) {
  const fs::path target = resolveLinks(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
  if (replacing && (attributes & FILE_ATTRIBUTE_DIRECTORY))
    throw IoError::fromErrno("Cannot write", path, EISDIR);

  fs::path temp;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD err = ERROR_SUCCESS;
  for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = folder / temporaryName(target);
    file = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
    err = ::GetLastError();
    if (file == INVALID_HANDLE_VALUE && err != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) throw IoError::fromWindowsError("Cannot write", path, err);

  const auto fail = [&](DWORD code) {
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    ::DeleteFileW(temp.c_str());
    return IoError::fromWindowsError("Cannot write", path, code);
  };
  for (std::size_t done = 0; done < content.size();) {
    const auto want = static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 30));
    DWORD n = 0;
    if (!::WriteFile(file, content.data() + done, want, &n, nullptr)) throw fail(::GetLastError());
    done += n;
  }
  if (!::FlushFileBuffers(file)) throw fail(::GetLastError());
  const BOOL closed = ::CloseHandle(file);
  file = INVALID_HANDLE_VALUE;
  if (!closed) throw fail(::GetLastError());
  const BOOL moved = replacing
                         ? ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                         : ::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!moved) throw fail(::GetLastError());
}

#endif

}  // namespace torvelle::support
