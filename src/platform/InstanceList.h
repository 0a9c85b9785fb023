#pragma once
#include <QObject>
#include <vector>

#include "support/SingleInstance.h"

namespace torvelle::platform {

// The running instances of the program, as the single-instance rule sees
// them: each instance publishes a marker (a title and a class name) while it
// lives, and a second start reads the markers of the others.
class TInstanceList : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  // The markers of the other instances that run now. A marker left behind by
  // an instance that died is never among them.
  virtual std::vector<support::WindowEntry> windowEntries() = 0;

  // Publishes our own marker, replacing one published before. False when no
  // marker could be published (then no other start can see us).
  virtual bool publish(const support::WindowEntry& marker) = 0;
  virtual void withdraw() = 0;

  // Asks every running instance whose marker has `to`'s title and class to
  // open its window from the tray. True when at least one took the request.
  virtual bool sendOpenRequest(const support::WindowEntry& to) = 0;

  // Held from reading the others' markers to publishing our own, so that two
  // copies started at the same moment cannot both miss each other.
  virtual void lockStart() = 0;
  virtual void unlockStart() = 0;

 signals:
  // Another start asked us to open from the tray.
  void openRequested();
};

// Holds an instance list's start lock for a scope.
class TInstanceStartLock {
 public:
  explicit TInstanceStartLock(TInstanceList& list) : list_(list) { list_.lockStart(); }
  ~TInstanceStartLock() { list_.unlockStart(); }
  TInstanceStartLock(const TInstanceStartLock&) = delete;
  TInstanceStartLock& operator=(const TInstanceStartLock&) = delete;

 private:
  TInstanceList& list_;
};

}  // namespace torvelle::platform
