#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace torvelle::backup {

// The cost of turning a password into the archive key. Stored in each
// archive, so that a later version may raise it and old archives still open.
struct KeyCost {
  std::uint32_t passes = 2;             // Argon2id time cost
  std::uint32_t memoryKiB = 64 * 1024;  // Argon2id memory cost
};

// A sealed archive: a short clear header (marker, key cost, random salt)
// followed by the archive in authenticated chunks. Without the password it
// gives away its rough size and nothing else.
bool isSealed(std::string_view archive);

std::string seal(std::string_view plain, const std::string& password, KeyCost cost = {});

// The plain archive back. A wrong password, a changed, cut, extended or
// reordered byte anywhere throws BackupError: Password when the very first
// chunk does not open (a wrong password or a changed header look the same),
// Damaged for the rest.
std::string unseal(std::string_view sealed, const std::string& password);

}  // namespace torvelle::backup
