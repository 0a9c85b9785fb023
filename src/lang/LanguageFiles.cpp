#include "lang/LanguageFiles.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "engine/format/FileIo.h"
#include "support/TextMatch.h"

namespace torvelle::lang {
namespace {

namespace fs = std::filesystem;

bool endsWithAnyCase(const std::string& name, std::string_view suffix) {
  return name.size() >= suffix.size() &&
         support::upperCase(std::string_view(name).substr(name.size() - suffix.size())) ==
             support::upperCase(suffix);
}

std::string withoutMarkers(std::string_view caption) {
  std::string out;
  for (const char c : caption)
    if (c != '&') out += c;
  return support::upperCase(out);
}

// The ".txt" entries of a folder.
std::vector<LanguageFile> folderLanguages(const fs::path& folder) {
  std::vector<LanguageFile> found;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() > 4 && endsWithAnyCase(name, ".txt"))
      found.push_back({name.substr(0, name.size() - 4), it->path()});
  }
  return found;
}

}  // namespace

std::vector<LanguageFile> findLanguages(const std::vector<fs::path>& folders) {
  std::vector<LanguageFile> languages;
  std::set<std::string> seen;
  for (const fs::path& folder : folders)
    for (LanguageFile& language : folderLanguages(folder))
      if (seen.insert(language.name).second) languages.push_back(std::move(language));
  // A directory lists in no order worth showing; the menu is alphabetical.
  std::sort(languages.begin(), languages.end(), [](const LanguageFile& a, const LanguageFile& b) {
    const std::string fa = support::upperCase(a.name), fb = support::upperCase(b.name);
    return fa != fb ? fa < fb : a.name < b.name;
  });
  return languages;
}

std::optional<fs::path> findFlag(const std::vector<fs::path>& folders, std::string_view name) {
  const std::string file = std::string(name) + ".bmp";
  for (const fs::path& folder : folders)
    if (auto found = format::findAnyCase(folder, file)) return found;
  return std::nullopt;
}

fs::path entryAnyCase(const fs::path& folder, const std::string& name) {
  return format::findAnyCase(folder, name).value_or(folder / name);
}

std::size_t initialSelection(const std::vector<std::string>& captions, std::string_view stored) {
  const std::string wanted = withoutMarkers(stored);
  for (std::size_t i = 0; i < captions.size(); ++i)
    if (withoutMarkers(captions[i]) == wanted) return i;
  return 0;
}

}  // namespace torvelle::lang
