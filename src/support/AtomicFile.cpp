#include "support/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <random>

#include "support/IoError.h"

#ifndef _WIN32
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

// Windows: the same temporary-and-rename scheme through the standard library
// (rename maps to a replacing move there).
void writeFileAtomically(const fs::path& path, std::string_view content) {
  const fs::path target = resolveLinks(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const fs::path temp = folder / temporaryName(target);
  std::FILE* file = openFile(temp, "wb");
  if (!file) throw IoError::fromErrno("Cannot write", path, errno ? errno : EIO);
  const bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
  const bool closed = std::fclose(file) == 0;
  std::error_code ec;
  if (!written || !closed) {
    fs::remove(temp, ec);
    throw IoError::fromErrno("Cannot write", path, EIO);
  }
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(temp, ignored);
    throw IoError("Cannot write " + path.string() + ": " + ec.message(), path, ec);
  }
}

#endif

}  // namespace torvelle::support
