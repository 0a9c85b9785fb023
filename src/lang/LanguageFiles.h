#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace torvelle::lang {

// The built-in language: it needs no file and its texts are the defaults.
inline constexpr std::string_view kEnglish = "English";

// A language found in one of the language folders: its name (the file name
// without its last four characters, ".txt") and the file.
struct LanguageFile {
  std::string name;
  std::filesystem::path file;
};

// The languages of `folders`, in name order with letter case ignored. A name
// found in an earlier folder hides the same name in a later one. A missing
// or unreadable folder adds nothing. ".txt" matches in any letter case.
std::vector<LanguageFile> findLanguages(const std::vector<std::filesystem::path>& folders);

// The picture of `name` (name + ".bmp", any letter case) in the first
// folder that has one; nothing when none has.
std::optional<std::filesystem::path> findFlag(const std::vector<std::filesystem::path>& folders,
                                              std::string_view name);

// `folder/name`, or the entry of `folder` named so in another letter case,
// or `folder/name` when there is none; for the Languages folder beside the
// program, which copies from other systems may spell differently.
std::filesystem::path entryAnyCase(const std::filesystem::path& folder, const std::string& name);

// The position in `captions` of the first caption equal to `stored`, with
// letter case ignored and '&' markers removed on both sides; 0 (the built-in
// English at the top) when none is.
std::size_t initialSelection(const std::vector<std::string>& captions, std::string_view stored);

}  // namespace torvelle::lang
