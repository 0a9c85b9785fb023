#include "toolkit/ErrorBox.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

namespace torvelle::toolkit {
namespace {

ErrorBox::Sink& sink() {
  static ErrorBox::Sink instance;
  return instance;
}

ErrorBox::Wording& wording() {
  static ErrorBox::Wording instance;
  return instance;
}

}  // namespace

QString ErrorBox::messageOf(std::exception_ptr error) {
  if (wording() && error) {
    QString own = wording()(error);
    if (!own.isEmpty()) return own;
  }
  try {
    if (error) std::rethrow_exception(std::move(error));
  } catch (const std::exception& e) {
    return QString::fromUtf8(e.what());
  } catch (...) {
  }
  return QStringLiteral("Unknown error");
}

void ErrorBox::report(std::exception_ptr error) noexcept {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const SilentAbort&) {
    return;
  } catch (...) {
  }
  report(messageOf(std::move(error)));
}

void ErrorBox::report(const QString& message) noexcept {
  try {
    if (sink()) {
      sink()(message);
      return;
    }
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
  } catch (...) {
    // Reporting must never be the thing that fails.
  }
}

void ErrorBox::setSink(Sink s) {
  sink() = std::move(s);
}

void ErrorBox::setWording(Wording w) {
  wording() = std::move(w);
}

bool ErrorBox::guard(const std::function<void()>& action) noexcept {
  try {
    action();
    return true;
  } catch (...) {
    report(std::current_exception());
    return false;
  }
}

}  // namespace torvelle::toolkit
