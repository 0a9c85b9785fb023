#include "engine/RecordIdentity.h"

#include <algorithm>

#include "engine/FieldText.h"
#include "engine/ShippedTables.h"
#include "support/Uuid.h"

namespace torvelle::engine {

int identityField(const std::vector<format::FieldDef>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (fields[i].type == format::FieldType::Alpha && sameFieldName(fields[i].name, kIdentityField))
      return static_cast<int>(i);
  return -1;
}

std::string identityOf(const std::vector<format::FieldDef>& fields, const format::Record& record) {
  const int f = identityField(fields);
  if (f < 0 || static_cast<std::size_t>(f) >= record.size()) return {};
  const auto* text = std::get_if<std::string>(&record[static_cast<std::size_t>(f)]);
  return text ? *text : std::string();
}

void giveIdentity(const std::vector<format::FieldDef>& fields, format::Record& record) {
  const int f = identityField(fields);
  if (f < 0) return;
  const auto at = static_cast<std::size_t>(f);
  if (record.size() <= at) record.resize(fields.size());
  const auto* text = std::get_if<std::string>(&record[at]);
  if (!text || text->empty()) record[at] = support::newUuid();
}

std::string storableIdentity(const std::string& foreign) {
  // Any code page holds printable ASCII, so such a UID is stored unchanged.
  const bool plain =
      std::all_of(foreign.begin(), foreign.end(), [](char c) { return c > ' ' && c < 0x7F; });
  if (!foreign.empty() && foreign.size() <= 64 && plain) return foreign;
  return support::newUuid();
}

}  // namespace torvelle::engine
