#pragma once
#include "support/SettingsDefaults.h"

namespace torvelle::shell {

// The main window's size as designed and the least it may be.
inline constexpr int kDefaultWidth = support::kWindowWidth.fallback;
inline constexpr int kDefaultHeight = support::kWindowHeight.fallback;
inline constexpr int kMinimumWidth = 510;
inline constexpr int kMinimumHeight = 294;

// The edge that centres a window on a screen along one axis. Halving
// truncates toward zero: a window 3 pixels wider than the screen gets -1.
constexpr int centredEdge(int screenExtent, int windowExtent) {
  return (screenExtent - windowExtent) / 2;
}

// A stored place is only ignored (and the window centred) when both edges
// are negative; one negative edge is applied as it is.
constexpr bool storedPlaceMeansCentre(int left, int top) {
  return left < 0 && top < 0;
}

}  // namespace torvelle::shell
