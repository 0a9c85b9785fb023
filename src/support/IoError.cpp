#include "support/IoError.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace torvelle::support {

IoError IoError::fromErrno(const std::string& what, const std::filesystem::path& path, int err) {
  const std::error_code code(err, std::generic_category());
  return IoError(what + " " + path.string() + ": " + code.message(), path, code);
}

#ifdef _WIN32

std::string windowsErrorText(unsigned long err) {
  char buffer[512];
  DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             err, 0, buffer, sizeof buffer, nullptr);
  while (n > 0 && (buffer[n - 1] == '\n' || buffer[n - 1] == '\r' || buffer[n - 1] == '.')) --n;
  if (n == 0) return "Windows error " + std::to_string(err);
  return std::string(buffer, n);
}

IoError IoError::fromWindowsError(const std::string& what, const std::filesystem::path& path,
                                  unsigned long err) {
  const std::error_code code(static_cast<int>(err), std::system_category());
  return IoError(what + " " + path.string() + ": " + windowsErrorText(err), path, code);
}

#endif

}  // namespace torvelle::support
