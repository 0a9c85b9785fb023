#pragma once
#include <optional>
#include <vector>

#include "platform/InstanceList.h"

namespace torvelle::platform {

// Instances made up by the test: `others` is what a start sees; what we
// publish and the requests we send are recorded.
class TFakeInstanceList : public TInstanceList {
  Q_OBJECT
 public:
  using TInstanceList::TInstanceList;

  std::vector<support::WindowEntry> windowEntries() override { return others; }
  bool publish(const support::WindowEntry& marker) override {
    published = marker;
    return true;
  }
  void withdraw() override { published.reset(); }
  bool sendOpenRequest(const support::WindowEntry& to) override {
    sentTo.push_back(to);
    return !others.empty();
  }
  void lockStart() override { ++lockDepth; }
  void unlockStart() override { --lockDepth; }

  // As if another start asked us to open.
  void simulateOpenRequest() { emit openRequested(); }

  std::vector<support::WindowEntry> others;
  std::optional<support::WindowEntry> published;
  std::vector<support::WindowEntry> sentTo;
  int lockDepth = 0;
};

}  // namespace torvelle::platform
