#pragma once
#include <vector>

#include "platform/DesktopNotifications.h"

namespace torvelle::platform {

// Records the notes shown and lets a test answer them as the user would.
class TFakeDesktopNotifications : public TDesktopNotifications {
  Q_OBJECT
 public:
  using TDesktopNotifications::TDesktopNotifications;

  bool isAvailable() const override { return available; }
  quint32 show(const TDesktopNote& note) override {
    notes.push_back(note);
    return static_cast<quint32>(notes.size());
  }

  // As if the user chose `action` on the note with `id`.
  void invoke(quint32 id, const QString& action) { emit actionInvoked(id, action); }

  bool available = true;
  std::vector<TDesktopNote> notes;
};

}  // namespace torvelle::platform
