#include "engine/Restructure.h"

#include <algorithm>

#include "engine/FieldText.h"
#include "engine/ShippedTables.h"
#include "support/Uuid.h"

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

std::vector<format::FieldDef> missingFields(const std::filesystem::path& path,
                                            const std::vector<format::FieldDef>& appended) {
  const auto declared = format::TableFile::declaredFields(path);
  std::vector<format::FieldDef> missing;
  for (const auto& field : appended) {
    const bool present = std::any_of(declared.begin(), declared.end(), [&](const auto& d) {
      return sameFieldName(d.name, field.name);
    });
    if (!present) missing.push_back(field);
  }
  return missing;
}

bool appendShippedFields(Session& session, const std::filesystem::path& path,
                         const std::vector<format::FieldDef>& appended) {
  const auto missing = missingFields(path, appended);
  if (missing.empty()) return false;
  const std::size_t firstAdded = format::TableFile::declaredFields(path).size();
  // Existing records get their identities in the same rewrite, so no table
  // is ever left with the field but without the values.
  const auto initial = [&](std::size_t field, std::size_t) -> format::Value {
    if (sameFieldName(missing[field - firstAdded].name, kIdentityField)) return support::newUuid();
    return {};
  };
  session.withPasswords([&](const format::OpenOptions& options) {
    format::TableFile::appendFields(path, options, missing, initial);
  });
  return true;
}

}  // namespace torvelle::engine
