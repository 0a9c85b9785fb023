#pragma once
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace torvelle::support {

// An input/output failure on a file: the message is for the user, the path
// and the system's error code are there for callers that react to them.
class IoError : public std::runtime_error {
 public:
  IoError(const std::string& message, std::filesystem::path path, std::error_code code)
      : std::runtime_error(message), path_(std::move(path)), code_(code) {}

  // "<what> <path>: <system's error text>", from errno-style codes.
  static IoError fromErrno(const std::string& what, const std::filesystem::path& path, int err);
#ifdef _WIN32
  // The same from a Windows error code (GetLastError).
  static IoError fromWindowsError(const std::string& what, const std::filesystem::path& path,
                                  unsigned long err);
#endif

  const std::filesystem::path& path() const noexcept {
    return path_;
  }
  std::error_code code() const noexcept {
    return code_;
  }

 private:
  std::filesystem::path path_;
  std::error_code code_;
};

#ifdef _WIN32
// The system's own text for a Windows error code, without the final line
// break.
std::string windowsErrorText(unsigned long err);
#endif

// fopen for a path in any script: Windows needs the wide-character call.
inline std::FILE* openFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
  const std::wstring wide(mode, mode + std::char_traits<char>::length(mode));
  return ::_wfopen(path.c_str(), wide.c_str());
#else
  return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace torvelle::support
