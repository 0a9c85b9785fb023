#pragma once
#include <QString>

namespace torvelle::platform {

// The one entry that starts the program at log-on, hidden in the tray.
// Write and remove report failure by their result; lastError() then says why.
class TAutoStartStore {
 public:
  virtual ~TAutoStartStore() = default;
  virtual bool exists() const = 0;
  // Makes the entry start `programPath` with the switch -h.
  virtual bool write(const QString& programPath) = 0;
  // Removing an entry that is not there succeeds.
  virtual bool remove() = 0;
  // Why the last write or remove failed, for the user.
  const QString& lastError() const { return lastError_; }

 protected:
  bool fail(QString why) {
    lastError_ = std::move(why);
    return false;
  }

 private:
  QString lastError_;
};

// The entry as an XDG autostart file "torvelle.desktop" in the user's
// autostart folder ($XDG_CONFIG_HOME/autostart, else ~/.config/autostart).
class TXdgAutoStartStore : public TAutoStartStore {
 public:
  TXdgAutoStartStore();
  // For a given autostart folder.
  explicit TXdgAutoStartStore(QString folder);

  bool exists() const override;
  bool write(const QString& programPath) override;
  bool remove() override;

  QString entryPath() const;

 private:
  QString folder_;
};

}  // namespace torvelle::platform
