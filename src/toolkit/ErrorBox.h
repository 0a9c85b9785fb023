#pragma once
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace torvelle::toolkit {

// Thrown to stop an operation the user chose to end, or one that a handler
// carried out another way (a single occurrence removed instead of its
// series): it is no failure, and nothing is shown.
struct SilentAbort {};

// The application's one error report: a failure that reaches no handler of
// its own (an engine error on post, a settings file that cannot be written)
// is shown to the user as a message box with the error's text. Work done
// before the failure stays done.
class ErrorBox {
 public:
  using Sink = std::function<void(const QString& message)>;

  // Shows the message of `error` (any exception; unknown ones get a generic
  // text), nothing for a SilentAbort. Never throws.
  static void report(std::exception_ptr error) noexcept;
  static void report(const QString& message) noexcept;
  static QString messageOf(std::exception_ptr error);

  // Tests install a sink to see messages instead of a modal box; an empty
  // sink restores the box.
  static void setSink(Sink sink);

  // The program's own words for some errors, in the user's language (a
  // letter that a table cannot hold); an empty result keeps the error's own
  // text. An empty function removes them.
  using Wording = std::function<QString(const std::exception_ptr& error)>;
  static void setWording(Wording wording);

  // Runs `action`, reporting whatever it throws. True when it completed.
  static bool guard(const std::function<void()>& action) noexcept;
};

}  // namespace torvelle::toolkit
