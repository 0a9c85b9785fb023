#pragma once
#include <QString>
#include <memory>

#include "platform/InstanceList.h"

class QLocalServer;

namespace torvelle::platform {

// Instance markers as files in a per-user runtime folder. A live instance
// holds an flock on its marker; a marker whose lock can be taken belongs to
// a dead instance and is removed. Each marker names a local socket on which
// its instance takes open requests.
class TMarkerInstanceList : public TInstanceList {
  Q_OBJECT
 public:
  // In "torvelle" of the user's runtime folder as Qt finds it (from
  // $XDG_RUNTIME_DIR, else a private folder in /tmp it makes); in
  // /tmp/torvelle-<uid> when that is not an absolute path.
  explicit TMarkerInstanceList(QObject* parent = nullptr);
  // In `folder` (created with mode 0700 when missing).
  explicit TMarkerInstanceList(QString folder, QObject* parent = nullptr);
  ~TMarkerInstanceList() override;

  std::vector<support::WindowEntry> windowEntries() override;
  bool publish(const support::WindowEntry& marker) override;
  void withdraw() override;
  bool sendOpenRequest(const support::WindowEntry& to) override;
  void lockStart() override;
  void unlockStart() override;

  // The folder in use; empty when it is unsafe or cannot be made.
  QString folder() const { return folder_; }
  // Our own marker file while published.
  QString markerPath() const { return markerPath_; }

  // The default folder for the current environment.
  static QString defaultFolder();

 private:
  struct Marker {
    QString path;
    support::WindowEntry entry;
    QString server;
  };
  std::vector<Marker> liveMarkers();
  void acceptRequests();

  QString folder_;
  QString markerPath_;
  int markerFd_ = -1;
  int startLockFd_ = -1;
  int startLockDepth_ = 0;
  std::unique_ptr<QLocalServer> server_;
};

}  // namespace torvelle::platform
