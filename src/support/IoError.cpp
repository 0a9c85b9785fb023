#include "support/IoError.h"

namespace torvelle::support {

IoError IoError::fromErrno(const std::string& what, const std::filesystem::path& path, int err) {
  const std::error_code code(err, std::generic_category());
  return IoError(what + " " + path.string() + ": " + code.message(), path, code);
}

}  // namespace torvelle::support
