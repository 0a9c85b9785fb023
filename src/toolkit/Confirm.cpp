#include "toolkit/Confirm.h"

#include <QApplication>
#include <QMessageBox>

namespace torvelle::toolkit {
namespace {

Confirm::Answer& answer() {
  static Confirm::Answer instance;
  return instance;
}

}  // namespace

bool Confirm::ask(QWidget* parent, const QString& question) {
  if (answer()) return answer()(question);
  return QMessageBox::question(parent, QApplication::applicationName(), question,
                               QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Cancel) == QMessageBox::Ok;
}

void Confirm::setAnswer(Answer a) {
  answer() = std::move(a);
}

}  // namespace torvelle::toolkit
