#pragma once
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/FieldText.h"
#include "engine/format/TableFile.h"

namespace torvelle::engine {

// The engine's one context object, shared by every table of the program: the
// passwords entered so far, the password request, the error report for
// failures that have no caller to throw to (a filter test), and the text forms
// of dates and times.
class Session {
 public:
  // Answers true to try the opening again (usually after adding a password),
  // false to give up.
  using PasswordRequest = std::function<bool(Session&)>;
  using ErrorReport = std::function<void(std::exception_ptr)>;

  Session();

  void addPassword(const std::string& password);
  // Removes one occurrence; DbError when the session does not hold it.
  void removePassword(const std::string& password);
  void removeAllPasswords();
  const std::vector<std::string>& passwords() const { return passwords_; }

  void setPasswordRequest(PasswordRequest request) { passwordRequest_ = std::move(request); }
  void setErrorReport(ErrorReport report) { errorReport_ = std::move(report); }
  // Hands an error to the installed report; never throws.
  void reportError(const std::exception_ptr& error) const noexcept;

  // Tables opened afterwards show their dates and times this way; missing
  // functions keep the defaults.
  void setDisplayFormats(DisplayFormats formats);
  const DisplayFormats& displayFormats() const { return formats_; }

  // Opens a table file with the passwords held. A protected table that none
  // of them opens raises the password request, again after every "continue",
  // until one fits or the request gives up (DbError PasswordNeeded).
  std::unique_ptr<format::TableFile> openFile(const std::filesystem::path& path, bool writable);

  // Options for the file layer: the passwords held, writable.
  format::OpenOptions fileOptions() const;

  // Runs `action` with the passwords held, raising the password request as
  // openFile does when the table needs one that the session lacks.
  void withPasswords(const std::function<void(const format::OpenOptions&)>& action);

 private:
  std::vector<std::string> passwords_;
  PasswordRequest passwordRequest_;
  ErrorReport errorReport_;
  DisplayFormats formats_;
};

}  // namespace torvelle::engine
