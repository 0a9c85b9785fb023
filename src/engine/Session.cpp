#include "engine/Session.h"

#include <algorithm>
#include <iostream>

#include "engine/DbError.h"

namespace torvelle::engine {

Session::Session() : formats_(DisplayFormats::defaults()) {}

void Session::addPassword(const std::string& password) {
  if (!password.empty()) passwords_.push_back(password);
}

void Session::removePassword(const std::string& password) {
  // One occurrence only: a text added twice (once at the prompt, once as a new
  // password) stays held after one removal.
  const auto it = std::find(passwords_.begin(), passwords_.end(), password);
  if (it == passwords_.end())
    throw DbError(DbError::Kind::General, "The session does not hold this password.");
  passwords_.erase(it);
}

void Session::removeAllPasswords() {
  passwords_.clear();
}

void Session::reportError(const std::exception_ptr& error) const noexcept {
  try {
    if (errorReport_) {
      errorReport_(error);
      return;
    }
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << "torvelle: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "torvelle: unknown error\n";
  }
}

void Session::setDisplayFormats(DisplayFormats formats) {
  const DisplayFormats fallback = DisplayFormats::defaults();
  if (!formats.dateText) formats.dateText = fallback.dateText;
  if (!formats.timeText) formats.timeText = fallback.timeText;
  if (!formats.parseDate) formats.parseDate = fallback.parseDate;
  if (!formats.parseTime) formats.parseTime = fallback.parseTime;
  formats_ = std::move(formats);
}

format::OpenOptions Session::fileOptions() const {
  format::OpenOptions options;
  options.writable = true;
  options.passwords = passwords_;
  return options;
}

std::unique_ptr<format::TableFile> Session::openFile(const std::filesystem::path& path,
                                                     bool writable) {
  std::unique_ptr<format::TableFile> file;
  withPasswords([&](const format::OpenOptions& held) {
    format::OpenOptions options = held;
    options.writable = writable;
    file = format::TableFile::open(path, options);
  });
  return file;
}

void Session::withPasswords(const std::function<void(const format::OpenOptions&)>& action) {
  while (true) {
    try {
      action(fileOptions());
      return;
    } catch (const DbError& e) {
      if (e.kind() != DbError::Kind::PasswordNeeded || !passwordRequest_) throw;
      if (!passwordRequest_(*this)) throw;
    }
  }
}

}  // namespace torvelle::engine
