#include "toolkit/EngineDates.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace torvelle::toolkit {
namespace {

// Julian day of 0001-01-01 in the proleptic Gregorian calendar, less one:
// engine day 1 is that date.
constexpr qint64 kJulianOffset = 1721425;

bool hasTwoDigitYear(const QString& format) {
  return format.contains(QLatin1String("yy")) && !format.contains(QLatin1String("yyyy"));
}

// The texts of the dates or times shown last, by their number. Qt's
// formatting costs thousands of instructions a value, and a table of tasks
// holds the same day and the same hours over and over; opening one formats
// every value. Shared by the copies of one formatter, which other threads
// may call.
class TextMemo {
 public:
  std::string textOf(std::int32_t key, const std::function<std::string()>& make) {
    const std::lock_guard<std::mutex> lock(mutex_);
    Entry& e = entries_[static_cast<std::uint32_t>(key) % entries_.size()];
    if (!e.filled || e.key != key) e = {key, make(), true};
    return e.text;
  }

 private:
  struct Entry {
    std::int32_t key = 0;
    std::string text;
    bool filled = false;
  };
  std::mutex mutex_;
  std::array<Entry, 251> entries_{};  // a prime: times a minute apart spread
};

}  // namespace

QDate toQDate(format::Date date) {
  return QDate::fromJulianDay(static_cast<qint64>(date.day) + kJulianOffset);
}

format::Date fromQDate(QDate date) {
  return format::Date{static_cast<std::int32_t>(date.toJulianDay() - kJulianOffset)};
}

QTime toQTime(format::Time time) {
  return QTime::fromMSecsSinceStartOfDay(time.msec);
}

format::Time fromQTime(QTime time) {
  return format::Time{time.msecsSinceStartOfDay()};
}

QDateTime localTime(const support::Clock& clock) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(clock.now().time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count());
}

QString shortDateFormat(const QLocale& locale) {
  return locale.dateFormat(QLocale::ShortFormat);
}

int widestShortDateWidth(const QFont& font, const QLocale& locale) {
  const QString format = shortDateFormat(locale);
  // In fractions of a pixel, rounded up: a view elides a text that is wider
  // than its cell by any fraction.
  const QFontMetricsF metrics(font);
  qreal widest = 0;
  // Days 22 to 28 of every month: each month and each weekday, two-digit days.
  for (int month = 1; month <= 12; ++month)
    for (int day = 22; day <= 28; ++day)
      widest = std::max(
          widest, metrics.horizontalAdvance(locale.toString(QDate(2028, month, day), format)));
  return static_cast<int>(std::ceil(widest));
}

QString timeWithSecondsFormat(const QLocale& locale) {
  QString format = locale.timeFormat(QLocale::LongFormat);
  // Drop the zone ("t", "tttt") and the blanks around it.
  static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
  format.replace(zone, QStringLiteral(" "));
  format = format.trimmed();
  if (!format.contains(QLatin1Char('s'))) format = locale.timeFormat(QLocale::ShortFormat);
  return format;
}

engine::DisplayFormats localeDisplayFormats(const QLocale& locale) {
  const QString dateFormat = shortDateFormat(locale);
  const QString timeFormat = timeWithSecondsFormat(locale);
  const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
  engine::DisplayFormats f;
  f.dateText = [locale, dateFormat, memo = std::make_shared<TextMemo>()](format::Date d) {
    return memo->textOf(d.day,
                        [&] { return locale.toString(toQDate(d), dateFormat).toStdString(); });
  };
  f.timeText = [locale, timeFormat, memo = std::make_shared<TextMemo>()](format::Time t) {
    return memo->textOf(t.msec,
                        [&] { return locale.toString(toQTime(t), timeFormat).toStdString(); });
  };
  f.parseDate = [locale, dateFormat](std::string_view text) -> std::optional<format::Date> {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    QDate d = locale.toDate(s, dateFormat);
    if (d.isValid() && hasTwoDigitYear(dateFormat)) {
      // Qt reads "24" as 1924; a user means the century around today.
      const int thisYear = QDate::currentDate().year();
      while (d.year() < thisYear - 80) d = d.addYears(100);
    }
    if (d.isValid()) return fromQDate(d);
    return engine::parseDefaultDate(text);
  };
  f.parseTime = [locale, timeFormat,
                 shortTime](std::string_view text) -> std::optional<format::Time> {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    QTime t = locale.toTime(s, timeFormat);
    if (!t.isValid()) t = locale.toTime(s, shortTime);
    if (t.isValid()) return fromQTime(t);
    return engine::parseDefaultTime(text);
  };
  return f;
}

}  // namespace torvelle::toolkit
