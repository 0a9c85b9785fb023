#include "print/SheetPrinter.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>
#include <numeric>

#include "engine/FieldText.h"
#include "print/Pagination.h"

namespace torvelle::print {
namespace {

constexpr double kBodyPoints = 10;
constexpr double kTitlePoints = 14;
constexpr double kCellPoints = 7;

QFont fontOf(double points, bool bold = false) {
  QFont font;
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

QString timeText(format::Time time) {
  const int minutes = time.msec / 60000;
  return QStringLiteral("%1:%2")
      .arg(minutes / 60, 2, 10, QLatin1Char('0'))
      .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString dateText(format::Date day) {
  return QString::fromStdString(engine::defaultDateText(day));
}

// Column edges for a page `width` wide, in proportion to the weights.
QVector<int> columnEdges(const QVector<int>& weights, int width) {
  const int total = std::max(1, std::accumulate(weights.begin(), weights.end(), 0));
  QVector<int> edges{0};
  int sum = 0;
  for (const int w : weights) {
    sum += w;
    edges.append(static_cast<int>(static_cast<long long>(width) * sum / total));
  }
  return edges;
}

// How a list is measured and drawn on one device.
class ListPainter {
 public:
  ListPainter(QPainter& painter, const Sheet& sheet)
      : painter_(painter),
        sheet_(sheet),
        page_(painter.viewport()),
        edges_(columnEdges(sheet.weights, page_.width())),
        pad_(QFontMetrics(fontOf(kBodyPoints), painter.device()).height() / 4) {}

  void paint(QPagedPaintDevice& device) {
    const int titleHeight = lineHeight(fontOf(kTitlePoints, true)) + 2 * pad_;
    const int headHeight = lineHeight(fontOf(kBodyPoints, true)) + 2 * pad_;
    const int footHeight = lineHeight(fontOf(kBodyPoints)) + 2 * pad_;
    std::vector<RowBox> boxes;
    for (const SheetLine& line : sheet_.lines) boxes.push_back({heightOf(line), line.heading});
    const std::vector<PageSpan> pages =
        paginate(boxes, page_.height() - titleHeight - headHeight - footHeight);
    for (std::size_t p = 0; p < pages.size(); ++p) {
      if (p > 0) device.newPage();
      painter_.setFont(fontOf(kTitlePoints, true));
      painter_.drawText(QRect(0, 0, page_.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                        sheet_.title);
      int y = titleHeight;
      paintColumnTitles(y, headHeight);
      y += headHeight;
      for (std::size_t i = pages[p].begin; i < pages[p].end; ++i) {
        paintLine(sheet_.lines[i], y, boxes[i].height);
        y += boxes[i].height;
      }
      painter_.setFont(fontOf(kBodyPoints));
      painter_.drawText(QRect(0, page_.height() - footHeight, page_.width(), footHeight),
                        Qt::AlignRight | Qt::AlignVCenter, footer_.arg(p + 1).arg(pages.size()));
    }
  }

  void setFooter(const QString& footer) { footer_ = footer; }

 private:
  int lineHeight(const QFont& font) const { return QFontMetrics(font, painter_.device()).height(); }

  QRect cellRect(int column, int y, int height) const {
    return QRect(edges_[column] + pad_, y + pad_ / 2,
                 edges_[column + 1] - edges_[column] - 2 * pad_, height - pad_);
  }

  int heightOf(const SheetLine& line) const {
    const QFontMetrics metrics(fontOf(kBodyPoints, line.heading), painter_.device());
    int height = metrics.height();
    if (line.heading) return height + 2 * pad_;
    for (int c = 0; c < line.cells.size() && c + 1 < edges_.size(); ++c) {
      const QRect room = cellRect(c, 0, 1 << 20);
      height =
          std::max(height, metrics.boundingRect(room, Qt::TextWordWrap, line.cells[c]).height());
    }
    return height + pad_;
  }

  void paintColumnTitles(int y, int height) {
    painter_.setFont(fontOf(kBodyPoints, true));
    painter_.fillRect(QRect(0, y, page_.width(), height), QColor(230, 230, 230));
    for (int c = 0; c < sheet_.columns.size() && c + 1 < edges_.size(); ++c)
      painter_.drawText(cellRect(c, y, height), Qt::AlignLeft | Qt::AlignVCenter,
                        sheet_.columns[c]);
  }

  void paintLine(const SheetLine& line, int y, int height) {
    QFont font = fontOf(kBodyPoints, line.heading);
    font.setStrikeOut(line.struck);
    painter_.setFont(font);
    if (line.heading) {
      painter_.drawLine(0, y + height - 1, page_.width(), y + height - 1);
      painter_.drawText(QRect(pad_, y, page_.width() - 2 * pad_, height),
                        Qt::AlignLeft | Qt::AlignVCenter, line.cells.value(0));
      return;
    }
    for (int c = 0; c < line.cells.size() && c + 1 < edges_.size(); ++c)
      painter_.drawText(cellRect(c, y, height), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                        line.cells[c]);
  }

  QPainter& painter_;
  const Sheet& sheet_;
  QRect page_;
  QVector<int> edges_;
  int pad_;
  QString footer_;
};

}  // namespace

TSheetPrinter::TSheetPrinter(QPagedPaintDevice& device, const TCalendarTexts& texts)
    : device_(device), texts_(texts) {}

QString TSheetPrinter::dayTitle(format::Date day) const {
  return texts_.weekDay(books::weekdayIndex(day)) + QStringLiteral(", ") + dateText(day);
}

void TSheetPrinter::addDayLines(const books::CalendarDay& day, Sheet& sheet) const {
  for (const books::DayEvent& e : day.events) {
    QString text = QStringLiteral("\u2605 ") + QString::fromStdString(e.event->event);
    QString detail = QString::fromStdString(e.event->section);
    if (e.years) detail += QStringLiteral(", ") + texts_.Years.arg(*e.years);
    sheet.lines.push_back({{QString(), text + QStringLiteral(" (") + detail + QLatin1Char(')')}});
  }
  for (const books::CalendarTask& t : day.tasks) {
    const QString mark = t.repeating ? QStringLiteral("\u21bb ") : QString();
    sheet.lines.push_back(
        {{timeText(t.time), mark + QString::fromStdString(t.task)}, false, t.done});
  }
}

Sheet TSheetPrinter::daySheet(const books::CalendarData& data, format::Date day) const {
  Sheet sheet{
      texts_.TasksFor.arg(dayTitle(day)), {texts_.TimeColumn, texts_.TaskColumn}, {1, 6}, {}};
  for (const books::CalendarDay& d : data.days(day, day)) addDayLines(d, sheet);
  return sheet;
}

Sheet TSheetPrinter::weekSheet(const books::CalendarData& data, format::Date anyDay) const {
  const format::Date monday = books::mondayOf(anyDay);
  const format::Date sunday{monday.day + 6};
  Sheet sheet{texts_.WeekTitle.arg(dateText(monday), dateText(sunday)),
              {texts_.TimeColumn, texts_.TaskColumn},
              {1, 6},
              {}};
  for (const books::CalendarDay& d : data.days(monday, sunday)) {
    sheet.lines.push_back({{dayTitle(d.day)}, true});
    addDayLines(d, sheet);
  }
  return sheet;
}

void TSheetPrinter::printSheet(const Sheet& sheet) {
  QPainter painter(&device_);
  ListPainter list(painter, sheet);
  list.setFooter(texts_.PageFooter);
  list.paint(device_);
}

void TSheetPrinter::printDay(const books::CalendarData& data, format::Date day) {
  printSheet(daySheet(data, day));
}

void TSheetPrinter::printWeek(const books::CalendarData& data, format::Date anyDay) {
  printSheet(weekSheet(data, anyDay));
}

void TSheetPrinter::printPhones(const std::vector<books::ListRow>& rows, const QString& section) {
  // Five columns of numbers and addresses need the page's long side.
  device_.setPageOrientation(QPageLayout::Landscape);
  Sheet sheet{section.isEmpty() ? texts_.PhoneBookTitle
                                : texts_.PhoneBookTitle + QStringLiteral(": ") + section,
              {texts_.NameColumn, texts_.HomeColumn, texts_.WorkColumn, texts_.MobileColumn,
               texts_.EmailColumn},
              {5, 3, 3, 3, 4},
              {}};
  std::string current;
  bool first = true;
  for (const books::ListRow& row : rows) {
    // The sections as headings when all of them are listed.
    if (section.isEmpty() && (first || row.section != current))
      sheet.lines.push_back({{QString::fromStdString(row.section)}, true});
    first = false;
    current = row.section;
    SheetLine line;
    for (const std::string& cell : row.cells) line.cells.append(QString::fromStdString(cell));
    sheet.lines.push_back(line);
  }
  printSheet(sheet);
}

void TSheetPrinter::printDates(const std::vector<books::ListRow>& rows) {
  Sheet sheet{
      texts_.DatesTitle, {texts_.DateColumn, texts_.TimeColumn, texts_.EventColumn}, {2, 1, 7}, {}};
  std::string current;
  bool first = true;
  for (const books::ListRow& row : rows) {
    if (first || row.section != current)
      sheet.lines.push_back({{QString::fromStdString(row.section)}, true});
    first = false;
    current = row.section;
    SheetLine line;
    for (const std::string& cell : row.cells) line.cells.append(QString::fromStdString(cell));
    sheet.lines.push_back(line);
  }
  printSheet(sheet);
}

void TSheetPrinter::printMonth(const books::CalendarData& data, format::Date anyDay) {
  device_.setPageOrientation(QPageLayout::Landscape);
  const engine::CivilDate c = engine::civilFromDay(anyDay.day);
  const books::MonthGrid grid = books::monthGrid(c.year, c.month);
  const std::vector<books::CalendarDay> days = data.days(grid.first, grid.last());
  QPainter painter(&device_);
  // The grid's outer lines lie inside the page, not half cut off at its edge.
  const int inset = std::max(1, device_.logicalDpiX() / 100);
  const QRect page = painter.viewport().adjusted(0, 0, -2 * inset, -2 * inset);
  painter.translate(inset, inset);
  const QFont title = fontOf(kTitlePoints, true);
  const int titleHeight = QFontMetrics(title, &device_).height() * 3 / 2;
  painter.setFont(title);
  painter.drawText(QRect(0, 0, page.width(), titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   texts_.monthName(c.month) + QLatin1Char(' ') + QString::number(c.year));
  const QFont head = fontOf(kBodyPoints, true);
  const int headHeight = QFontMetrics(head, &device_).height() * 3 / 2;
  painter.setFont(head);
  const QVector<int> edges = columnEdges(QVector<int>(7, 1), page.width());
  for (int d = 0; d < 7; ++d)
    painter.drawText(QRect(edges[d], titleHeight, edges[d + 1] - edges[d], headHeight),
                     Qt::AlignCenter, texts_.weekDay(d));
  const int top = titleHeight + headHeight;
  const int rowHeight = (page.height() - top) / grid.weeks;
  for (std::size_t i = 0; i < days.size(); ++i) {
    const int column = static_cast<int>(i % 7), row = static_cast<int>(i / 7);
    const QRect cell(edges[column], top + row * rowHeight, edges[column + 1] - edges[column],
                     rowHeight);
    paintMonthCell(painter, cell, days[i], engine::civilFromDay(days[i].day.day).month == c.month);
  }
  // The lines last, over whatever a cell's text reached.
  painter.setPen(QPen(Qt::black, inset));
  painter.setBrush(Qt::NoBrush);
  for (int row = 0; row <= grid.weeks; ++row)
    painter.drawLine(0, top + row * rowHeight, page.width(), top + row * rowHeight);
  for (int column = 0; column <= 7; ++column)
    painter.drawLine(edges[column], top, edges[column], top + grid.weeks * rowHeight);
}

void TSheetPrinter::paintMonthCell(QPainter& painter, const QRect& cell,
                                   const books::CalendarDay& day, bool inMonth) const {
  painter.save();
  const QFont small = fontOf(kCellPoints);
  const int line = QFontMetrics(small, painter.device()).height();
  const int pad = line / 4;
  painter.setPen(inMonth ? Qt::black : Qt::gray);
  painter.setFont(fontOf(kBodyPoints, true));
  const int numberHeight = QFontMetrics(painter.font(), painter.device()).height();
  const int number = engine::civilFromDay(day.day.day).day;
  painter.drawText(cell.adjusted(pad, pad, -pad, 0), Qt::AlignRight | Qt::AlignTop,
                   QString::number(number));
  painter.setPen(Qt::black);
  QStringList texts;
  std::vector<bool> struck;
  for (const books::DayEvent& e : day.events) {
    QString text = QStringLiteral("\u2605 ") + QString::fromStdString(e.event->event);
    if (e.years) text += QStringLiteral(" (%1)").arg(*e.years);
    texts.append(text);
    struck.push_back(false);
  }
  for (const books::CalendarTask& t : day.tasks) {
    texts.append(timeText(t.time) + QLatin1Char(' ') +
                 (t.repeating ? QStringLiteral("\u21bb ") : QString()) +
                 QString::fromStdString(t.task));
    struck.push_back(t.done);
  }
  const int room = std::max(0, (cell.height() - numberHeight - 2 * pad) / line);
  const int shown = texts.size() > room ? std::max(0, room - 1) : static_cast<int>(texts.size());
  const QFontMetrics metrics(small, painter.device());
  int y = cell.top() + pad + numberHeight;
  for (int i = 0; i < shown; ++i, y += line) {
    QFont font = small;
    font.setStrikeOut(struck[static_cast<std::size_t>(i)]);
    painter.setFont(font);
    painter.drawText(QRect(cell.left() + pad, y, cell.width() - 2 * pad, line),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(texts[i], Qt::ElideRight, cell.width() - 2 * pad));
  }
  if (shown < texts.size()) {
    painter.setFont(small);
    painter.drawText(QRect(cell.left() + pad, y, cell.width() - 2 * pad, line),
                     Qt::AlignLeft | Qt::AlignVCenter, texts_.More.arg(texts.size() - shown));
  }
  painter.restore();
}

}  // namespace torvelle::print
