#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace torvelle::support {

// The whole content of the file at `path`, or nothing when no file is there.
// Any other failure (a folder, no permission, a read error) throws IoError.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Replaces the file at `path` with `content` so that, whatever happens, the
// path holds either the old or the new content in full: the bytes go to a
// temporary file in the same folder, which is flushed to the disk and then
// renamed over the old one, and the folder is flushed too. An existing
// file keeps its permission bits; a symbolic link keeps pointing at the file
// it names, which is the one replaced. Throws IoError; on failure the old
// file is untouched and no temporary file is left behind.
void writeFileAtomically(const std::filesystem::path& path, std::string_view content);

}  // namespace torvelle::support
