#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::engine {

class Session;

// Restructures of a closed table through the file layer, with the session's
// passwords. A failure leaves the old table whole.

// Rebuilds the table without the space of deleted records.
void packTable(Session& session, const std::filesystem::path& path);

// Gives the table a new master password; an empty one removes it.
void setTablePassword(Session& session, const std::filesystem::path& path,
                      const std::string& newPassword);

// Adds the fields the shipped layout appends after the designed ones and
// the table lacks; existing records get new identities. Returns false when
// there was nothing to add.
bool appendShippedFields(Session& session, const std::filesystem::path& path,
                         const std::vector<format::FieldDef>& appended);

// The appended fields of `appended` that the table at `path` does not have.
std::vector<format::FieldDef> missingFields(const std::filesystem::path& path,
                                            const std::vector<format::FieldDef>& appended);

}  // namespace torvelle::engine
