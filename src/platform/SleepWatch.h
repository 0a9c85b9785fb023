#pragma once
#include <QObject>

namespace torvelle::platform {

// Tells when the machine wakes from sleep: logind's PrepareForSleep(false)
// on the system bus. Where there is no logind nothing is heard, and the
// callers' own clock checks still catch the lost time.
class TSleepWatch : public QObject {
  Q_OBJECT
 public:
  explicit TSleepWatch(QObject* parent = nullptr);

 signals:
  void resumed();

 private slots:
  void onPrepareForSleep(bool sleeping);
};

}  // namespace torvelle::platform
