#pragma once
#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QString>
#include <optional>

#include "engine/FieldText.h"
#include "engine/format/Value.h"
#include "support/Clock.h"

namespace torvelle::toolkit {

// The engine counts days from 0001-01-01 and milliseconds from midnight; Qt
// counts Julian days. These convert between the two without loss.
QDate toQDate(format::Date date);
format::Date fromQDate(QDate date);
QTime toQTime(format::Time time);
format::Time fromQTime(QTime time);

// The forms the system writes a short date and a time with seconds in. Qt's
// short time form often lacks seconds, so the long form is taken without
// its time zone.
// The clock's time in the system's time zone.
QDateTime localTime(const support::Clock& clock);

QString shortDateFormat(const QLocale& locale = QLocale());
QString timeWithSecondsFormat(const QLocale& locale = QLocale());
// How wide the widest short date of the locale is in that font: month and
// weekday names make some dates much wider than others.
int widestShortDateWidth(const QFont& font, const QLocale& locale = QLocale());

// Text forms of dates and times for the whole engine session, from the
// locale: grids, filters and typed values then agree with each other. Typed
// texts the locale cannot read fall back to the engine's own forms.
engine::DisplayFormats localeDisplayFormats(const QLocale& locale = QLocale());

}  // namespace torvelle::toolkit
