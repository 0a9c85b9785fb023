#pragma once
#include <filesystem>
#include <string>

namespace torvelle::engine {

class Session;

// Restructures of a closed table through the file layer, with the session's
// passwords. A failure leaves the old table whole.

// Rebuilds the table without the space of deleted records.
void packTable(Session& session, const std::filesystem::path& path);

// Gives the table a new master password; an empty one removes it.
void setTablePassword(Session& session, const std::filesystem::path& path,
                      const std::string& newPassword);

}  // namespace torvelle::engine
