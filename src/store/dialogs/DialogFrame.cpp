#include "store/dialogs/DialogFrame.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace torvelle::store {

void makeFixedDialog(QWidget& dialog, int width, int height) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  dialog.setFixedSize(width, height);
}

void centreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->geometry();
  const QRect frame = window.frameGeometry();
  window.move(area.x() + (area.width() - frame.width()) / 2,
              area.y() + (area.height() - frame.height()) / 2);
}

}  // namespace torvelle::store
