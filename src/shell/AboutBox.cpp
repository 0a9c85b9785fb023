#include "shell/AboutBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

#include "platform/ShellOpen.h"
#include "resources/Pictures.h"
#include "store/dialogs/DialogFrame.h"
#include "support/ScrambledTexts.h"

namespace torvelle::shell {
namespace {

QLabel* picture(QWidget* parent, const char* name, const QRect& place, const QPixmap& pixmap) {
  auto* label = new QLabel(parent);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(place);
  label->setPixmap(pixmap);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

// Shrinks the label's font until its text fits `box`, wrapped when the
// label wraps; 8 pixels is the least.
void fitFont(QLabel* label, const QSize& box) {
  QFont font = label->font();
  while (font.pixelSize() > 8) {
    const QFontMetrics metrics(font);
    const QSize needed = label->wordWrap()
                             ? metrics
                                   .boundingRect(QRect(0, 0, box.width(), 1000),
                                                 Qt::TextWordWrap | Qt::AlignCenter, label->text())
                                   .size()
                             : QSize(metrics.horizontalAdvance(label->text()), metrics.height());
    if (needed.width() <= box.width() && needed.height() <= box.height()) break;
    font.setPixelSize(font.pixelSize() - 1);
  }
  label->setFont(font);
}

}  // namespace

TAboutBox::TAboutBox(platform::TShellOpen& shell, const QPixmap& logo, QWidget* parent)
    : QDialog(parent), shell_(shell) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About Torvelle"));
  store::makeFixedDialog(*this, 193, 233);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(56, 211, 81, 21);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 0, 193, 209);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(2);

  Image1 = picture(Panel1, "Image1", {12, 13, 32, 25}, pictures::aboutEmblem());

  Label2 = new QLabel(QStringLiteral("Torvelle Version 1.03"), Panel1);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(56, 5, 113, 40);
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setWordWrap(true);
  QFont titleFont(QStringLiteral("Georgia"));
  titleFont.setPixelSize(17);
  titleFont.setBold(true);
  Label2->setFont(titleFont);
  setColour(Label2, QColor(0, 0, 255));
  fitFont(Label2, Label2->size());

  Bevel1 = new QFrame(Panel1);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(8, 47, 177, 3);

  Label1 = new QLabel(QStringLiteral("Made by the Torvelle developers"), Panel1);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(8, 56, 177, 21);
  Label1->setAlignment(Qt::AlignCenter);
  QFont creditFont = Label1->font();
  creditFont.setPixelSize(12);
  Label1->setFont(creditFont);
  fitFont(Label1, Label1->size());

  ProgramIcon = picture(Panel1, "ProgramIcon", {8, 81, 47, 47}, QPixmap());
  RealizImage = picture(Panel1, "RealizImage", {64, 81, 120, 32}, pictures::makerBanner());
  Label5 = linkLabel("Label5", 64, 114);
  PrgImage = picture(Panel1, "PrgImage", {8, 139, 137, 11}, pictures::programRule());
  Label4 = linkLabel("Label4", 8, 151);
  WebImage = picture(Panel1, "WebImage", {8, 172, 128, 11}, pictures::webRule());
  Label3 = linkLabel("Label3", 8, 184);
  links_ = {Label3, Label4, Label5};

  // Every part of the box but the links takes the form's mouse moves, so
  // leaving a link for anything else resets the highlight.
  setMouseTracking(true);
  for (QWidget* w : std::initializer_list<QWidget*>{Panel1, Image1, Label1, Label2, ProgramIcon,
                                                    RealizImage, PrgImage, WebImage, Button1}) {
    w->setMouseTracking(true);
    w->installEventFilter(this);
  }
  for (QLabel* link : links_) link->installEventFilter(this);

  Timer1.setSingleShot(true);
  Timer1.setInterval(10);
  connect(&Timer1, &QTimer::timeout, this, &TAboutBox::Timer1Timer);

  FormCreate(logo);
}

QLabel* TAboutBox::linkLabel(const char* name, int x, int y) {
  auto* label = new QLabel(QStringLiteral("?"), Panel1);
  label->setObjectName(QLatin1String(name));
  label->move(x, y);
  label->setCursor(Qt::PointingHandCursor);
  label->setMouseTracking(true);
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(11);
  font.setUnderline(true);
  label->setFont(font);
  setColour(label, Qt::black);
  label->adjustSize();
  return label;
}

void TAboutBox::FormCreate(const QPixmap& logo) {
  Label3->setText(QString::fromStdString(support::firstLinkText()));
  Label3->adjustSize();
  Label4->setText(QString::fromStdString(support::secondLinkText()));
  Label4->adjustSize();
  Label5->setText(QString::fromStdString(support::thirdLinkText()));
  Label5->adjustSize();
  // Desktop fonts run wider than the ones the box was drawn with: a text
  // that would pass its place gets a smaller font instead.
  const int right = Panel1->width() - Panel1->frameWidth() - 2;
  for (QLabel* link : links_) {
    fitFont(link, QSize(right - link->x(), 14));
    link->adjustSize();
  }
  ProgramIcon->setPixmap(logo);
}

void TAboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  store::centreOnScreen(*this);
  Button1->setFocus();
}

void TAboutBox::setColour(QLabel* label, const QColor& colour) {
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

void TAboutBox::resetColour(QLabel* label) {
  setColour(label, QApplication::palette(label).color(QPalette::WindowText));
}

bool TAboutBox::isLink(QObject* object) const {
  return std::find(links_.begin(), links_.end(), object) != links_.end();
}

void TAboutBox::FormMouseMove() {
  for (QLabel* link : links_) resetColour(link);
}

void TAboutBox::LabelMouseMove(QLabel* label) {
  FormMouseMove();
  setColour(label, QColor(0, 0, 255));
}

void TAboutBox::LabelMouseDown(QLabel* label) {
  label->move(label->pos() + QPoint(1, 1));
}

void TAboutBox::LabelMouseUp(QLabel* label) {
  label->move(label->pos() - QPoint(1, 1));
  Timer1Tag = label == Label3 ? 0 : label == Label4 ? 1 : 2;
  Timer1.start();
}

void TAboutBox::Timer1Timer() {
  Timer1.stop();
  QLabel* label = nullptr;
  switch (Timer1Tag) {
    case 0:
      shell_.open(QString::fromStdString(support::firstLinkAddress()));
      label = Label3;
      break;
    case 1:
      shell_.open(QString::fromStdString(support::secondLinkAddress()));
      label = Label4;
      break;
    case 2:
      shell_.open(Label5->text());
      resetColour(Label5);
      return;
    default:
      return;
  }
  // The mail program takes a moment to come up; the highlight stays until
  // then. The wait does not block the window.
  QTimer::singleShot(handOverWait_, this, [this, label] { resetColour(label); });
}

void TAboutBox::mouseMoveEvent(QMouseEvent* event) {
  FormMouseMove();
  QDialog::mouseMoveEvent(event);
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
      type != QEvent::MouseButtonRelease)
    return QDialog::eventFilter(watched, event);
  if (!isLink(watched)) {
    if (type == QEvent::MouseMove) FormMouseMove();
    return QDialog::eventFilter(watched, event);
  }
  auto* label = static_cast<QLabel*>(watched);
  if (type == QEvent::MouseMove)
    LabelMouseMove(label);
  else if (type == QEvent::MouseButtonPress)
    LabelMouseDown(label);
  else
    LabelMouseUp(label);
  return true;
}

}  // namespace torvelle::shell
