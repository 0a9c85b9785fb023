#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace torvelle::format {

// An open file (a POSIX descriptor, a Windows handle) with the few operations
// the table files need. Every failure throws DbError(Io) naming the file and
// the system error.
class File {
 public:
  File() = default;
  File(const std::filesystem::path& path, bool writable, bool create = false);
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

#ifdef _WIN32
  bool isOpen() const {
    return handle_ != nullptr;
  }
#else
  bool isOpen() const {
    return fd_ >= 0;
  }
#endif
  bool writable() const {
    return writable_;
  }
  const std::filesystem::path& path() const {
    return path_;
  }

  std::uint64_t size() const;
  // Reads up to `size` bytes; returns how many were there (short at the end).
  std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t size) const;
  void writeAt(std::uint64_t offset, const void* buffer, std::size_t size);
  void truncate(std::uint64_t size);
  void sync();
  // Non-blocking exclusive lock held as long as this descriptor is open.
  // Advisory: it keeps other writers out, never readers.
  bool tryLock();

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // a HANDLE; null when closed
#else
  int fd_ = -1;
#endif
  bool writable_ = false;
  std::filesystem::path path_;
};

[[noreturn]] void throwIo(const std::string& what, const std::filesystem::path& path, int err);

// Makes a directory entry change (create, rename, unlink) durable.
void syncDirectory(const std::filesystem::path& dir);

// Moves `from` over `to`, replacing it in one step.
void renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes the file; one that is not there is no error.
void removeFile(const std::filesystem::path& path);

// `dir/name` if it exists, else the entry of `dir` whose name equals `name`
// without regard to letter case; nullopt when there is none.
std::optional<std::filesystem::path> findAnyCase(const std::filesystem::path& dir,
                                                 const std::string& name);

// The path of a companion (.MB, .PX) of a table: an existing file in any
// letter case, else a new name in the letter case of the table's extension.
std::filesystem::path companionPath(const std::filesystem::path& dbPath, const std::string& ext,
                                    bool* exists);

}  // namespace torvelle::format
