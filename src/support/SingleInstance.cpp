#include "support/SingleInstance.h"

#include "support/AsciiText.h"

namespace torvelle::support {
namespace {

std::string_view withoutExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

// Length of the UTF-8 character that starts `text`, so that "first
// character" never splits one.
std::size_t firstCharLength(std::string_view text) {
  if (text.empty()) return 0;
  std::size_t n = 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80 && n < 4) ++n;
  return n;
}

}  // namespace

std::string_view executableFileName(std::string_view exePath) {
  const std::size_t sep = exePath.find_last_of("/\\:");
  return sep == std::string_view::npos ? exePath : exePath.substr(sep + 1);
}

std::string instanceKey(std::string_view exePath) {
  return asciiUpper(withoutExtension(executableFileName(exePath)));
}

std::string instanceTitle(std::string_view exePath) {
  // The title and the key come from the same name, so that a dotted name
  // ("torvelle.v2") finds its running copy too.
  const std::string_view name = withoutExtension(executableFileName(exePath));
  const std::size_t first = firstCharLength(name);
  std::string title(name);
  for (std::size_t i = first; i < title.size(); ++i) title[i] = asciiLower(title[i]);
  return title;
}

bool isFirstInstance(const std::vector<WindowEntry>& windows, std::string_view exePath,
                     std::string_view applicationClass) {
  const std::string key = instanceKey(exePath);
  for (const WindowEntry& window : windows) {
    if (window.owned) continue;
    if (asciiUpper(window.title) != key) continue;
    if (window.className == applicationClass) return false;
  }
  return true;
}

}  // namespace torvelle::support
