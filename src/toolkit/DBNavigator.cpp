#include "toolkit/DBNavigator.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include "toolkit/Confirm.h"
#include "toolkit/ErrorBox.h"

namespace torvelle::toolkit {
namespace {

// Small drawn glyphs: no picture files, and they follow the palette.
QIcon glyph(TDBNavigator::Button b, const QColor& ink) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  const auto triangle = [&](qreal x, bool left) {
    QPainterPath path;
    if (left) {
      path.moveTo(x + 5, 3);
      path.lineTo(x, 8);
      path.lineTo(x + 5, 13);
    } else {
      path.moveTo(x, 3);
      path.lineTo(x + 5, 8);
      path.lineTo(x, 13);
    }
    path.closeSubpath();
    p.drawPath(path);
  };
  switch (b) {
    case TDBNavigator::First:
      p.drawRect(QRectF(4, 3, 2, 10));
      triangle(6, true);
      break;
    case TDBNavigator::Prior:
      triangle(5.5, true);
      break;
    case TDBNavigator::Next:
      triangle(5.5, false);
      break;
    case TDBNavigator::Last:
      triangle(5, false);
      p.drawRect(QRectF(10, 3, 2, 10));
      break;
    case TDBNavigator::Insert:
      p.drawRect(QRectF(7, 3, 2, 10));
      p.drawRect(QRectF(3, 7, 10, 2));
      break;
    case TDBNavigator::Delete:
      p.drawRect(QRectF(3, 7, 10, 2));
      break;
    case TDBNavigator::Edit: {
      QPainterPath path;
      path.moveTo(3, 11);
      path.lineTo(8, 4);
      path.lineTo(13, 11);
      path.closeSubpath();
      p.drawPath(path);
      break;
    }
    case TDBNavigator::Post: {
      QPen pen(ink, 2);
      p.setPen(pen);
      p.setBrush(Qt::NoBrush);
      p.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(6.5, 11.5), QPointF(13, 4)}));
      break;
    }
    case TDBNavigator::Cancel: {
      QPen pen(ink, 2);
      p.setPen(pen);
      p.drawLine(QPointF(4, 4), QPointF(12, 12));
      p.drawLine(QPointF(12, 4), QPointF(4, 12));
      break;
    }
  }
  p.end();
  return QIcon(pm);
}

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent) : QWidget(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  static const char* const kHints[kButtons] = {"First record", "Prior record",  "Next record",
                                               "Last record",  "Insert record", "Delete record",
                                               "Edit record",  "Post edit",     "Cancel edit"};
  static const QColor kInk[kButtons] = {Qt::black, Qt::black,         Qt::black,
                                        Qt::black, Qt::black,         Qt::black,
                                        Qt::black, QColor(0, 128, 0), QColor(160, 0, 0)};
  for (int i = 0; i < kButtons; ++i) {
    auto* b = new QToolButton(this);
    const auto which = static_cast<Button>(i);
    b->setIcon(glyph(which, kInk[i]));
    b->setToolTip(QString::fromLatin1(kHints[i]));
    b->setAutoRaise(false);
    // Pressing a navigator button leaves the focus where it was, so a grid
    // does not count it as being left.
    b->setFocusPolicy(Qt::NoFocus);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    connect(b, &QToolButton::clicked, this, [this, which] { BtnClick(which); });
    layout->addWidget(b, 1);
    buttons_[static_cast<std::size_t>(i)] = b;
  }
  connect(&link_, &TDataLink::dataReset, this, &TDBNavigator::updateButtons);
  connect(&link_, &TDataLink::recordMoved, this, &TDBNavigator::updateButtons);
  connect(&link_, &TDataLink::dataStateChanged, this, &TDBNavigator::updateButtons);
  connect(&link_, &TDataLink::dataRowsInserted, this, &TDBNavigator::updateButtons);
  connect(&link_, &TDataLink::dataRowsRemoved, this, &TDBNavigator::updateButtons);
  updateButtons();
}

void TDBNavigator::setDataSource(engine::DataSource* source) {
  link_.setDataSource(source);
  updateButtons();
}

void TDBNavigator::setHints(const QStringList& hints) {
  for (int i = 0; i < kButtons && i < hints.size(); ++i)
    buttons_[static_cast<std::size_t>(i)]->setToolTip(hints[i]);
}

QStringList TDBNavigator::hints() const {
  QStringList out;
  for (const QToolButton* b : buttons_) out << b->toolTip();
  return out;
}

void TDBNavigator::updateButtons() {
  const engine::Table* t = link_.table();
  const bool active = link_.active();
  const bool editing = link_.editing();
  const bool canModify = link_.canModify();
  const auto row = active ? t->currentRow() : std::nullopt;
  const std::size_t rows = active ? t->rowCount() : 0;
  const bool up = row && *row > 0;
  const bool down = row && *row + 1 < rows;
  const bool enabled[kButtons] = {up,
                                  up,
                                  down,
                                  down,
                                  canModify,
                                  canModify && row.has_value(),
                                  canModify && !editing,
                                  canModify && editing,
                                  canModify && editing};
  for (int i = 0; i < kButtons; ++i) buttons_[static_cast<std::size_t>(i)]->setEnabled(enabled[i]);
}

void TDBNavigator::BtnClick(Button b) {
  engine::Table* t = link_.table();
  if (!t || !t->isOpen()) return;
  if (b == Delete && confirmDelete_ && !Confirm::ask(this, askDelete_)) return;
  ErrorBox::guard([&] {
    switch (b) {
      case First:
        t->first();
        break;
      case Prior:
        t->prior();
        break;
      case Next:
        t->next();
        break;
      case Last:
        t->last();
        break;
      case Insert:
        t->insert();
        break;
      case Delete:
        t->remove();
        break;
      case Edit:
        t->edit();
        break;
      case Post:
        t->post();
        break;
      case Cancel:
        t->cancel();
        break;
    }
  });
  updateButtons();
}

}  // namespace torvelle::toolkit
