#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace torvelle::support {

// The class every running instance's marker window carries.
inline constexpr std::string_view kApplicationClass = "TApplication";

// A top-level window as the instance list sees it.
struct WindowEntry {
  bool owned = false;  // has an owner window: never an instance marker
  std::string title;
  std::string className;
};

// The file name of `exePath`: the part after the last '/', '\\' or ':'.
std::string_view executableFileName(std::string_view exePath);

// The key an instance is known by: the executable's file name without its
// extension (a last dot that is not the name's first character, and what
// follows), upper-cased in ASCII only.
std::string instanceKey(std::string_view exePath);

// The title an instance publishes on its marker: the same name without its
// extension, first character as it is, the rest lower case (ASCII only).
std::string instanceTitle(std::string_view exePath);

// True when no other instance of the executable at `exePath` runs: no
// unowned window in `windows` (the windows below our own, in stacking order)
// has a title equal to the key, ignoring ASCII letter case, and the class
// name `applicationClass` exactly.
bool isFirstInstance(const std::vector<WindowEntry>& windows, std::string_view exePath,
                     std::string_view applicationClass = kApplicationClass);

}  // namespace torvelle::support
