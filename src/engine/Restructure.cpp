#include "engine/Restructure.h"

#include "engine/Session.h"
#include "engine/format/TableFile.h"

namespace torvelle::engine {

void packTable(Session& session, const std::filesystem::path& path) {
  session.withPasswords(
      [&](const format::OpenOptions& options) { format::TableFile::pack(path, options); });
}

void setTablePassword(Session& session, const std::filesystem::path& path,
                      const std::string& newPassword) {
  session.withPasswords([&](const format::OpenOptions& options) {
    format::TableFile::setPassword(path, options, newPassword);
  });
}

}  // namespace torvelle::engine
