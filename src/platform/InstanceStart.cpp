#include "platform/InstanceStart.h"

#include "support/SingleInstance.h"

namespace torvelle::platform {

TInstanceStart startInstance(TInstanceList& list, const QString& exePath, bool handOverOpen) {
  const std::string path = exePath.toStdString();
  const TInstanceStartLock lock(list);
  const std::vector<support::WindowEntry> others = list.windowEntries();
  if (support::isFirstInstance(others, path)) {
    list.publish({false, support::instanceTitle(path), std::string(support::kApplicationClass)});
    return TInstanceStart::First;
  }
  if (handOverOpen) {
    for (const support::WindowEntry& other : others)
      if (!support::isFirstInstance({other}, path)) list.sendOpenRequest(other);
  }
  return TInstanceStart::AnotherRuns;
}

}  // namespace torvelle::platform
