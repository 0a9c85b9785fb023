#pragma once
#include <QString>
#include <functional>

class QWidget;

namespace torvelle::toolkit {

// The yes-or-no question the data-aware controls ask before a deletion.
// Tests install an answer to run without a modal box.
class Confirm {
 public:
  using Answer = std::function<bool(const QString& question)>;

  static bool ask(QWidget* parent, const QString& question);
  // An empty answer restores the message box.
  static void setAnswer(Answer answer);
};

}  // namespace torvelle::toolkit
