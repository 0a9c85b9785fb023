#include "platform/WindowNotifications.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace torvelle::platform {

TNoteWindow::TNoteWindow(const TDesktopNote& note, QWidget* parent)
    : QFrame(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("NoteWindow"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusPolicy(Qt::NoFocus);
  setFrameShape(QFrame::Box);
  setMaximumWidth(360);

  TitleLabel = new QLabel(note.title, this);
  TitleLabel->setObjectName(QStringLiteral("TitleLabel"));
  QFont bold = TitleLabel->font();
  bold.setBold(true);
  TitleLabel->setFont(bold);
  BodyLabel = new QLabel(note.body, this);
  BodyLabel->setObjectName(QStringLiteral("BodyLabel"));
  BodyLabel->setWordWrap(true);
  BodyLabel->setTextFormat(Qt::PlainText);
  TitleLabel->setTextFormat(Qt::PlainText);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  const auto addButton = [&](const QString& action, const QString& label) {
    auto* button = new QPushButton(label, this);
    button->setObjectName(action + QStringLiteral("Button"));
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QPushButton::clicked, this, [this, action] {
      emit invoked(action);
      close();
    });
    buttons->addWidget(button);
  };
  for (qsizetype i = 0; i + 1 < note.actions.size(); i += 2)
    if (note.actions[i] != QLatin1String("default"))
      addButton(note.actions[i], note.actions[i + 1]);
  if (!note.menuActions.isEmpty()) {
    // The menu's actions under one button, so that the window stays small.
    auto* button = new QToolButton(this);
    button->setObjectName(QStringLiteral("MenuButton"));
    button->setText(note.menuLabel);
    button->setFocusPolicy(Qt::NoFocus);
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    for (qsizetype i = 0; i + 1 < note.menuActions.size(); i += 2) {
      const QString action = note.menuActions[i];
      QAction* item = menu->addAction(note.menuActions[i + 1]);
      item->setObjectName(action + QStringLiteral("Item"));
      connect(item, &QAction::triggered, this, [this, action] {
        emit invoked(action);
        close();
      });
    }
    button->setMenu(menu);
    buttons->addWidget(button);
  }
  addButton(QStringLiteral("close"), QStringLiteral("\u00d7"));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(TitleLabel);
  layout->addWidget(BodyLabel);
  layout->addLayout(buttons);
}

void TNoteWindow::mouseReleaseEvent(QMouseEvent* event) {
  // A click on the message itself activates it, as on the desktop's own.
  if (event->button() == Qt::LeftButton) {
    emit invoked(QStringLiteral("default"));
    close();
  }
  QFrame::mouseReleaseEvent(event);
}

TWindowNotifications::~TWindowNotifications() {
  for (const auto& window : windows_)
    if (window) delete window.data();
}

bool TWindowNotifications::isAvailable() const {
  return QGuiApplication::primaryScreen() != nullptr;
}

quint32 TWindowNotifications::show(const TDesktopNote& note) {
  const quint32 id = ++lastId_;
  auto* window = new TNoteWindow(note);
  connect(window, &TNoteWindow::invoked, this, [this, id](const QString& action) {
    if (action != QLatin1String("close")) emit actionInvoked(id, action);
  });
  connect(window, &QObject::destroyed, this, [this] { place(); });
  windows_.append(window);
  window->adjustSize();
  place();
  window->show();
  return id;
}

QList<TNoteWindow*> TWindowNotifications::windows() const {
  QList<TNoteWindow*> open;
  for (const auto& window : windows_)
    if (window) open.append(window.data());
  return open;
}

void TWindowNotifications::place() {
  windows_.removeIf([](const QPointer<TNoteWindow>& w) { return w.isNull(); });
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // Stacked upward from the bottom right corner, newest at the bottom.
  const QRect area = screen->availableGeometry();
  int bottom = area.bottom() - 8;
  for (qsizetype i = windows_.size() - 1; i >= 0; --i) {
    TNoteWindow* window = windows_[i].data();
    const QSize size = window->sizeHint();
    window->move(area.right() - 8 - size.width(), bottom - size.height());
    bottom -= size.height() + 6;
  }
}

}  // namespace torvelle::platform
