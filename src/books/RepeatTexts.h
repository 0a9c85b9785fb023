#pragma once
#include <QObject>
#include <QString>

namespace torvelle::books {

// The texts of repeating tasks and dates: the repeat editor, the question
// which occurrences a change is for, and the marks in the pages. One object
// serves both pages; the language table sets its properties by name.
class TRepeatTexts : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString EditorCaption MEMBER EditorCaption)
  Q_PROPERTY(QString RepeatButton MEMBER RepeatButton)
  Q_PROPERTY(QString Presets MEMBER Presets)
  Q_PROPERTY(QString Every MEMBER Every)
  Q_PROPERTY(QString Units MEMBER Units)
  Q_PROPERTY(QString WeekDays MEMBER WeekDays)
  Q_PROPERTY(QString MonthlyBy MEMBER MonthlyBy)
  Q_PROPERTY(QString Ends MEMBER Ends)
  Q_PROPERTY(QString Times MEMBER Times)
  Q_PROPERTY(QString Preview MEMBER Preview)
  Q_PROPERTY(QString NoMore MEMBER NoMore)
  Q_PROPERTY(QString ReadOnlyRule MEMBER ReadOnlyRule)
  Q_PROPERTY(QString TooDense MEMBER TooDense)
  Q_PROPERTY(QString OkButton MEMBER OkButton)
  Q_PROPERTY(QString CancelButton MEMBER CancelButton)
  Q_PROPERTY(QString ChangeQuestion MEMBER ChangeQuestion)
  Q_PROPERTY(QString DeleteQuestion MEMBER DeleteQuestion)
  Q_PROPERTY(QString ThisOne MEMBER ThisOne)
  Q_PROPERTY(QString ThisAndFollowing MEMBER ThisAndFollowing)
  Q_PROPERTY(QString AllOfThem MEMBER AllOfThem)
  Q_PROPERTY(QString Overdue MEMBER Overdue)
  Q_PROPERTY(QString NextOccurrence MEMBER NextOccurrence)
  Q_PROPERTY(QString Unavailable MEMBER Unavailable)
  Q_PROPERTY(QString Ordinals MEMBER Ordinals)
 public:
  explicit TRepeatTexts(QObject* parent = nullptr) : QObject(parent) {
    setObjectName(QStringLiteral("RepeatTexts"));
  }

  QString EditorCaption = QStringLiteral("Repeat");
  QString RepeatButton = QStringLiteral("Repeat...");
  // Lists are one text with "|" between the items, so that a language file
  // keeps them in one line.
  QString Presets = QStringLiteral("Does not repeat|Daily|Every weekday|Weekly|Monthly|Yearly");
  QString Every = QStringLiteral("Every");
  QString Units = QStringLiteral("day(s)|week(s)|month(s)|year(s)");
  QString WeekDays = QStringLiteral("Mo|Tu|We|Th|Fr|Sa|Su");
  QString MonthlyBy = QStringLiteral("On day %1|On the last day|On the %1 %2");
  QString Ends = QStringLiteral("Never|On|After");
  QString Times = QStringLiteral("times");
  QString Preview = QStringLiteral("Next dates:");
  QString NoMore = QStringLiteral("(no more dates)");
  QString ReadOnlyRule = QStringLiteral(
      "This rule came from another program: it is kept and "
      "followed as it is, but cannot be edited here.");
  QString TooDense = QStringLiteral(
      "The rule repeats more often than daily: it is kept, but only its first "
      "occurrence is shown.");
  QString OkButton = QStringLiteral("OK");
  QString CancelButton = QStringLiteral("Cancel");
  QString ChangeQuestion = QStringLiteral("\"%1\" repeats. Change which occurrences?");
  QString DeleteQuestion = QStringLiteral("\"%1\" repeats. Delete which occurrences?");
  QString ThisOne = QStringLiteral("This one");
  QString ThisAndFollowing = QStringLiteral("This and following");
  QString AllOfThem = QStringLiteral("All");
  QString Overdue = QStringLiteral("%1 overdue");
  QString NextOccurrence = QStringLiteral("Next: %1, %2 years since %3");
  QString Unavailable = QStringLiteral(
      "The tables of this folder have no place for repeat "
      "rules (they could not be upgraded).");
  // The ordinal words for "the %1 %2": first ... fourth, last.
  QString Ordinals = QStringLiteral("first|second|third|fourth|last");
};

}  // namespace torvelle::books
