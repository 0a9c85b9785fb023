#include "support/EmptyFile.h"

#include <cerrno>
#include <cstdio>

#include "support/IoError.h"

namespace torvelle::support {

void createEmptyFile(const std::filesystem::path& path) {
  errno = 0;
  std::FILE* file = openFile(path, "wb");
  if (!file) throw IoError::fromErrno("Cannot create", path, errno ? errno : EIO);
  if (std::fclose(file) != 0) throw IoError::fromErrno("Cannot close", path, errno ? errno : EIO);
}

}  // namespace torvelle::support
