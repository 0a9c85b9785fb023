#include "shell/SplashForm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include "resources/Pictures.h"

namespace torvelle::shell {
namespace {

QFont pixelFont(const QString& family, int pixels) {
  QFont font(family);
  font.setPixelSize(pixels);
  return font;
}

void setTextColour(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::WindowText, colour);
  widget.setPalette(palette);
}

}  // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("SplashForm"));
  setFixedSize(237, 62);
  qApp->installEventFilter(this);  // to step aside for a prompt

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Bevel1->setLineWidth(1);
  Bevel1->setGeometry(0, 0, 237, 62);

  LogoImage = new QLabel(this);
  LogoImage->setObjectName(QStringLiteral("LogoImage"));
  LogoImage->setGeometry(9, 8, 47, 47);
  LogoImage->setPixmap(pictures::logo());

  const QColor navy(0, 0, 128);
  Label1 = new QLabel(QStringLiteral("Loading data..."), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(64, 5, 169, 25);
  Label1->setFont(pixelFont(QStringLiteral("Georgia"), 17));
  setTextColour(*Label1, navy);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
  ProgressBar1->setGeometry(64, 29, 163, 12);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  Label2 = new QLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->move(64, 43);
  Label2->setFont(pixelFont(QStringLiteral("MS Sans Serif"), 11));
  Label2->setAttribute(Qt::WA_TranslucentBackground);
  setTextColour(*Label2, navy);

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
  }
}

void TSplashForm::setSecondLine(const QString& text) {
  Label2->setText(text);
  Label2->adjustSize();
}

void TSplashForm::setProgress(int position) {
  ProgressBar1->setValue(position);
  if (!isVisible()) return;
  repaint();
  // Start-up runs before the event loop: let the window system show the
  // change, but keep the user's input for the windows that are coming.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

int TSplashForm::progress() const {
  return ProgressBar1->value();
}

}  // namespace torvelle::shell

namespace torvelle::shell {

bool TSplashForm::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType() || watched == this) return QWidget::eventFilter(watched, event);
  auto* widget = static_cast<QWidget*>(watched);
  if (!widget->isWindow() || !widget->isModal()) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::Show && isVisible()) {
    // Both are centred and the splash stays on top: it would hide the prompt.
    hide();
    stepAsideFor_ = true;
    widget->raise();
    widget->activateWindow();
  } else if (event->type() == QEvent::Hide && stepAsideFor_) {
    stepAsideFor_ = false;
    show();
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace torvelle::shell
