#include "lang/InterfaceTexts.h"

#include <array>

namespace torvelle::lang {
namespace {

using R = TextRole;

constexpr TextTarget mainForm(std::string_view control, R role = R::Caption, int index = 0) {
  return {"MainForm", control, role, index};
}
constexpr TextTarget toolsForm(std::string_view control, R role = R::Caption) {
  return {"ToolsForm", control, role, 0};
}
constexpr TextTarget restoreDlg(std::string_view control, R role = R::Caption, int index = 0) {
  return {"RestoreDlg", control, role, index};
}
// The texts of the reminders' notes are properties of their holder.
constexpr TextTarget reminders(std::string_view property) {
  return {"Reminders", property, R::Field, 0};
}
constexpr TextTarget passwordDlg(std::string_view control) {
  return {"PasswordDlg", control, R::Caption, 0};
}
constexpr TextTarget exchangeTexts(std::string_view property) {
  return {"ExchangeTexts", property, R::Field, 0};
}
constexpr TextTarget repeatTexts(std::string_view property) {
  return {"RepeatTexts", property, R::Field, 0};
}
constexpr TextTarget changePasswordDlg(std::string_view control, R role = R::Caption) {
  return {"ChangePasswordDlg", control, role, 0};
}

// The zip code key spells its C with the Cyrillic capital Es, as the
// language files in the field do; a Latin C does not reach the label.
constexpr std::string_view kZipCode = "Zip\xD0\xA1ode";

constexpr std::array kEntries{
    TextEntry{"Main form", "Caption", "Organizer <Torvelle>", mainForm("")},
    TextEntry{"Main form", "Language hint", "Click here for change the language",
              mainForm("FlagImage", R::Hint)},
    TextEntry{"Main form", "DailyTasks caption", "Daily tasks", mainForm("TasksBook")},
    TextEntry{"Main form", "PhoneBook caption", "Phone book", mainForm("PhonesBook")},
    TextEntry{"Main form", "ImportantDates caption", "Important dates", mainForm("DatesBook")},
    TextEntry{"Main form", "HelpfulLinks caption", "Helpful links", mainForm("LinksBook")},

    TextEntry{"Main ToolBar", "Tasks for", "Tasks for", mainForm("TasksForPanel")},
    TextEntry{"Main ToolBar", "Calendar hint", "Calendar", mainForm("TaskDateTimePicker", R::Hint)},
    TextEntry{"Main ToolBar", "Tools button hint", "Tools", mainForm("ToolsTB", R::Hint)},
    TextEntry{"Main ToolBar", "About button hint", "About...", mainForm("AboutTB", R::Hint)},
    TextEntry{"Main ToolBar", "ToTray button hint", "Hide form in tray",
              mainForm("ExitTB", R::Hint)},

    TextEntry{"Days of week", "Monday", "Monday", mainForm("DaysTabControl", R::Tab, 0)},
    TextEntry{"Days of week", "Tuesday", "Tuesday", mainForm("DaysTabControl", R::Tab, 1)},
    TextEntry{"Days of week", "Wednesday", "Wednesday", mainForm("DaysTabControl", R::Tab, 2)},
    TextEntry{"Days of week", "Thursday", "Thursday", mainForm("DaysTabControl", R::Tab, 3)},
    TextEntry{"Days of week", "Friday", "Friday", mainForm("DaysTabControl", R::Tab, 4)},
    TextEntry{"Days of week", "Saturday", "Saturday", mainForm("DaysTabControl", R::Tab, 5)},
    TextEntry{"Days of week", "Sunday", "Sunday", mainForm("DaysTabControl", R::Tab, 6)},

    TextEntry{"Filter", "Register button caption", "R", mainForm("RegisterSB")},
    TextEntry{"Filter", "Register button hint", "Ignoring register",
              mainForm("RegisterSB", R::Hint)},
    TextEntry{"Filter", "Filter button caption", "F", mainForm("FilterSB")},
    TextEntry{"Filter", "Filter button hint", "Filter", mainForm("FilterSB", R::Hint)},

    TextEntry{"DB monitor", "Task field caption", "Task",
              mainForm("TaskDBGrid", R::ColumnTitle, 0)},
    TextEntry{"DB monitor", "Time field caption", "Time",
              mainForm("TaskDBGrid", R::ColumnTitle, 1)},
    TextEntry{"DB monitor", "Date field caption", "Date",
              mainForm("TaskDBGrid", R::ColumnTitle, 2)},
    TextEntry{"DB monitor", "Description", "Detailed task description",
              mainForm("DescriptionHeader")},
    TextEntry{"DB monitor", "Done caption", "Done", mainForm("DoneDBCB")},
    TextEntry{"DB monitor", "Done hint", "Mark for done", mainForm("DoneDBCB", R::Hint)},

    TextEntry{"DB navigator", "First record", "First record",
              mainForm("TaskDBNavigator", R::NavigatorHint, 0)},
    TextEntry{"DB navigator", "Prior record", "Prior record",
              mainForm("TaskDBNavigator", R::NavigatorHint, 1)},
    TextEntry{"DB navigator", "Next record", "Next record",
              mainForm("TaskDBNavigator", R::NavigatorHint, 2)},
    TextEntry{"DB navigator", "Last record", "Last record",
              mainForm("TaskDBNavigator", R::NavigatorHint, 3)},
    TextEntry{"DB navigator", "Insert record", "Insert record",
              mainForm("TaskDBNavigator", R::NavigatorHint, 4)},
    TextEntry{"DB navigator", "Delete record", "Delete record",
              mainForm("TaskDBNavigator", R::NavigatorHint, 5)},
    TextEntry{"DB navigator", "Edit record", "Edit record",
              mainForm("TaskDBNavigator", R::NavigatorHint, 6)},
    TextEntry{"DB navigator", "Post edit", "Post edit",
              mainForm("TaskDBNavigator", R::NavigatorHint, 7)},
    TextEntry{"DB navigator", "Cancel edit", "Cancel edit",
              mainForm("TaskDBNavigator", R::NavigatorHint, 8)},
    TextEntry{"DB navigator", "Move records", "Move records", mainForm("TasksMoveTB", R::Hint)},

    TextEntry{"Reports", "Hint", "Show data modes", mainForm("TaskRG", R::Hint)},
    TextEntry{"Reports", "Today tasks", "Today tasks", mainForm("TaskRG", R::Item, 0)},
    TextEntry{"Reports", "All tasks", "All tasks", mainForm("TaskRG", R::Item, 1)},
    TextEntry{"Reports", "Done tasks", "Done tasks", mainForm("TaskRG", R::Item, 2)},
    TextEntry{"Reports", "Plan tasks", "Plan tasks", mainForm("TaskRG", R::Item, 3)},
    TextEntry{"Reports", "Overdue tasks", "Overdue tasks", mainForm("TaskRG", R::Item, 4)},

    TextEntry{"Phone book", "Filter hint", "Find info at all fields",
              mainForm("PhonesEdit", R::Hint)},
    TextEntry{"Phone book", "Section", "Section",
              mainForm("PhoneSectionsDBGrid", R::ColumnTitle, 0)},
    TextEntry{"Phone book", "Name", "Name", mainForm("PhonesDBGrid", R::ColumnTitle, 0)},
    TextEntry{"Phone book", "Home phone", "Home phone",
              mainForm("PhonesDBGrid", R::ColumnTitle, 1)},
    TextEntry{"Phone book", "Work phone", "Work phone",
              mainForm("PhonesDBGrid", R::ColumnTitle, 2)},
    TextEntry{"Phone book", "Country", "Country", mainForm("CountryLabel")},
    TextEntry{"Phone book", kZipCode, kZipCode, mainForm("ZipLabel")},
    TextEntry{"Phone book", "City", "City", mainForm("CityLabel")},
    TextEntry{"Phone book", "Street", "Street", mainForm("StreetLabel")},
    TextEntry{"Phone book", "Cellular", "Cellular", mainForm("CellularLabel")},
    TextEntry{"Phone book", "Email hint", "Double click for send the letter",
              mainForm("EmailDBEdit", R::Hint)},
    TextEntry{"Phone book", "WebSite hint", "Double click for linking",
              mainForm("WebSiteDBEdit", R::Hint)},
    TextEntry{"Phone book", "Link SectionPhones", "Section \\ Phones", mainForm("SectionPhoneCB")},

    TextEntry{"Important dates", "Event", "Event", mainForm("DatesDBGrid", R::ColumnTitle, 0)},
    TextEntry{"Important dates", "In detail", "In detail:", mainForm("DatesDescriptionLabel")},
    TextEntry{"Important dates", "Link SectionEvents", "Section \\ Events",
              mainForm("SectionDateCB")},

    TextEntry{"Helpful links", "Link", "Link", mainForm("LinksDBGrid", R::ColumnTitle, 0)},
    TextEntry{"Helpful links", "Description", "Description:", mainForm("LinksDescriptionLabel")},
    TextEntry{"Helpful links", "Link SectionLinks", "Section \\ Links", mainForm("SectionLinkCB")},

    TextEntry{"Tools form", "Password button hint", "Change password dialog",
              toolsForm("PasswordTB", R::Hint)},
    TextEntry{"Tools form", "Pack button hint", "Pack the database", toolsForm("PackTB", R::Hint)},
    TextEntry{"Tools form", "ShowInTaskBar CheckBox caption", "Show the task in taskbar",
              toolsForm("ShowInTaskBarCB")},
    TextEntry{"Tools form", "ShowHints CheckBox caption", "Show the hints",
              toolsForm("ShowHintsCB")},
    TextEntry{"Tools form", "AutoStart CheckBox caption", "Auto startup", toolsForm("AutoStartCB")},
    TextEntry{"Tools form", "Window group caption", "Window", toolsForm("WindowGB"), true},
    TextEntry{"Tools form", "Save position button", "Save position",
              toolsForm("SaveWindowPositionCB")},
    TextEntry{"Tools form", "Save size button", "Save size", toolsForm("SaveWindowSizeCB")},
    TextEntry{"Tools form", "ToCenter button", "Center", toolsForm("SetWindowToCenterSB")},
    TextEntry{"Tools form", "Default button", "Default", toolsForm("DefaultWindowSizeSB")},
    TextEntry{"Tools form", "RemindTasks CheckBox caption", "Remind of tasks",
              toolsForm("RemindTasksCB")},
    TextEntry{"Tools form", "RemindDates CheckBox caption", "Remind of important dates",
              toolsForm("RemindDatesCB")},
    TextEntry{"Tools form", "Remind days before label", "Days before",
              toolsForm("RemindDaysBeforeLabel")},
    TextEntry{"Tools form", "Backups group caption", "Backups", toolsForm("BackupGB"), true},
    TextEntry{"Tools form", "AutoBackup CheckBox caption", "Automatic backups",
              toolsForm("AutoBackupCB")},
    TextEntry{"Tools form",
              "Backup daily item",
              "once a day",
              {"ToolsForm", "BackupWhenCoB", R::Item, 0}},
    TextEntry{"Tools form",
              "Backup after changes item",
              "after changes",
              {"ToolsForm", "BackupWhenCoB", R::Item, 1}},
    TextEntry{"Tools form", "Backup keep label", "keep", toolsForm("BackupKeepLabel")},
    TextEntry{"Tools form", "Restore button", "Restore...", toolsForm("RestoreSB")},
    TextEntry{"Tools form", "Backup failed message", "The automatic backup failed: %1",
              mainForm("BackupFailedMessage", R::Field)},
    TextEntry{"Tools form", "AutoStart on error",
              "The program could not be set to start at log-on. %1",
              toolsForm("AutoStartOnError", R::Field)},
    TextEntry{"Tools form", "AutoStart off error",
              "The program's start at log-on could not be removed. %1",
              toolsForm("AutoStartOffError", R::Field)},

    TextEntry{"Restore dialog", "Caption", "Restore from a backup", restoreDlg("")},
    TextEntry{"Restore dialog", "Taken column", "Taken",
              restoreDlg("BackupsTV", R::ColumnTitle, 0)},
    TextEntry{"Restore dialog", "Records column", "Records",
              restoreDlg("BackupsTV", R::ColumnTitle, 1)},
    TextEntry{"Restore dialog", "Note",
              "The tables now in use are kept as one more backup first. A backup made before the "
              "master password changed opens only with the password it was made with:",
              restoreDlg("NoteLabel")},
    TextEntry{"Restore dialog", "Restore button", "Restore", restoreDlg("RestoreSB")},
    TextEntry{"Restore dialog", "Close button", "Close", restoreDlg("CancelSB")},
    TextEntry{"Restore dialog", "Sealed note", "Protected by the password it was made with",
              restoreDlg("SealedNote", R::Field)},
    TextEntry{"Restore dialog", "Restored message",
              "The tables were restored. The ones replaced are kept in %1.",
              mainForm("RestoredMessage", R::Field)},

    TextEntry{"Reminders", "Task due", "Due at %1", reminders("TaskBody")},
    TextEntry{"Reminders", "Overdue title", "Overdue tasks", reminders("OverdueTitle")},
    TextEntry{"Reminders", "Overdue body", "Tasks overdue: %1", reminders("OverdueBody")},
    TextEntry{"Reminders", "Date today", "%1: today", reminders("DateToday")},
    TextEntry{"Reminders", "Date tomorrow", "%1: tomorrow", reminders("DateTomorrow")},
    TextEntry{"Reminders", "Date in days", "%1: in %2 days", reminders("DateInDays")},
    TextEntry{"Reminders", "Years", "Years: %1", reminders("DateYears")},
    TextEntry{"Reminders", "Open action", "Open", reminders("OpenAction")},
    TextEntry{"Reminders", "Done action", "Done", reminders("DoneAction")},

    TextEntry{"Password dialog", "Caption", "Guard", passwordDlg("")},
    TextEntry{"Password dialog", "Label caption", "Enter password", passwordDlg("PassEditLabel")},
    TextEntry{"Password dialog", "OK button caption", "OK", passwordDlg("OKButton")},
    TextEntry{"Password dialog", "Cancel button caption", "Cancel", passwordDlg("CancelButton")},

    TextEntry{"Change password dialog", "OldPass label caption", "Old password",
              changePasswordDlg("OldPassLabel")},
    TextEntry{"Change password dialog", "NewPass label caption", "New password",
              changePasswordDlg("NewPassLabel")},
    TextEntry{"Change password dialog", "ConfirmPass label caption", "Confirm password",
              changePasswordDlg("ConfirmPassLabel")},
    TextEntry{"Change password dialog", "OldPass error message", "Incorrect old password",
              changePasswordDlg("OldPassError", R::Field)},
    TextEntry{"Change password dialog", "ConfirmPass error message", "Incorrect confirmation",
              changePasswordDlg("ConfirmPassError", R::Field)},

    TextEntry{"Move records form",
              "OnDate caption",
              "Move records on date:",
              {"MoveRecOnDateForm", "", R::Caption, 0}},
    TextEntry{"Move records form",
              "ToSection caption",
              "Move records to section:",
              {"MoveRecToSectForm", "", R::Caption, 0}},

    TextEntry{"Import and export", "Import button", "Import...", mainForm("TasksImportTB")},
    TextEntry{"Import and export", "Import hint", "Import records from a file",
              mainForm("TasksImportTB", R::Hint)},
    TextEntry{"Import and export", "Export button", "Export...", mainForm("TasksExportTB")},
    TextEntry{"Import and export", "Export hint", "Export records to a file",
              mainForm("TasksExportTB", R::Hint)},
    TextEntry{"Import and export", "Import dialog caption", "Import records",
              exchangeTexts("ImportCaption")},
    TextEntry{"Import and export", "Export dialog caption", "Export records",
              exchangeTexts("ExportCaption")},
    TextEntry{"Import and export", "vCard files", "vCard contacts", exchangeTexts("VCardFilter")},
    TextEntry{"Import and export", "iCalendar files", "iCalendar", exchangeTexts("CalendarFilter")},
    TextEntry{"Import and export", "CSV files", "CSV table", exchangeTexts("CsvFilter")},
    TextEntry{"Import and export", "Summary caption", "Import from %1",
              exchangeTexts("SummaryCaption")},
    TextEntry{"Import and export", "To add", "Records to add: %1", exchangeTexts("ToAdd")},
    TextEntry{"Import and export", "Existing", "Already in the book, left out: %1",
              exchangeTexts("Existing")},
    TextEntry{"Import and export", "New sections", "New sections: %1",
              exchangeTexts("NewSections")},
    TextEntry{"Import and export", "Refused", "Records that cannot be stored: %1",
              exchangeTexts("Refused")},
    TextEntry{"Import and export", "Not stored",
              "In the file, but no field takes it:", exchangeTexts("NotStored")},
    TextEntry{"Import and export", "Import summary button", "Import",
              exchangeTexts("ImportButton")},
    TextEntry{"Import and export", "Import rest button", "Import the rest",
              exchangeTexts("ImportRestButton")},
    TextEntry{"Import and export", "Cancel button", "Cancel", exchangeTexts("CancelButton")},
    TextEntry{"Import and export", "Save refused button", "Save refused items...",
              exchangeTexts("SaveRefusedButton")},
    TextEntry{"Import and export", "Save refused caption", "Save the refused items",
              exchangeTexts("SaveRefusedCaption")},
    TextEntry{"Import and export", "Refused files", "Refused items",
              exchangeTexts("RefusedFilter")},
    TextEntry{"Import and export", "Progress", "Importing records...", exchangeTexts("Progress")},
    TextEntry{"Import and export", "Import failed",
              "Nothing was imported from %1:", exchangeTexts("ImportFailed")},
    TextEntry{"Import and export", "Export failed",
              "Nothing was exported to %1:", exchangeTexts("ExportFailed")},
    TextEntry{"Import and export", "Unknown format", "The file name does not tell its format.",
              exchangeTexts("UnknownFormat")},

    TextEntry{"Repeat", "Editor caption", "Repeat", repeatTexts("EditorCaption")},
    TextEntry{"Repeat", "Repeat button", "Repeat...", repeatTexts("RepeatButton")},
    TextEntry{"Repeat", "Presets", "Does not repeat|Daily|Every weekday|Weekly|Monthly|Yearly",
              repeatTexts("Presets")},
    TextEntry{"Repeat", "Every", "Every", repeatTexts("Every")},
    TextEntry{"Repeat", "Units", "day(s)|week(s)|month(s)|year(s)", repeatTexts("Units")},
    TextEntry{"Repeat", "Week days", "Mo|Tu|We|Th|Fr|Sa|Su", repeatTexts("WeekDays")},
    TextEntry{"Repeat", "Monthly by", "On day %1|On the last day|On the %1 %2",
              repeatTexts("MonthlyBy")},
    TextEntry{"Repeat", "Ordinals", "first|second|third|fourth|last", repeatTexts("Ordinals")},
    TextEntry{"Repeat", "Ends", "Never|On|After", repeatTexts("Ends")},
    TextEntry{"Repeat", "Times", "times", repeatTexts("Times")},
    TextEntry{"Repeat", "Preview", "Next dates:", repeatTexts("Preview")},
    TextEntry{"Repeat", "No more", "(no more dates)", repeatTexts("NoMore")},
    TextEntry{"Repeat", "Read-only rule",
              "This rule came from another program: it is kept and followed as it is, but cannot "
              "be edited here.",
              repeatTexts("ReadOnlyRule")},
    TextEntry{"Repeat", "Too dense",
              "The rule repeats more often than daily: it is kept, but only its first occurrence "
              "is shown.",
              repeatTexts("TooDense")},
    TextEntry{"Repeat", "OK button", "OK", repeatTexts("OkButton")},
    TextEntry{"Repeat", "Cancel button", "Cancel", repeatTexts("CancelButton")},
    TextEntry{"Repeat", "Change question", "\"%1\" repeats. Change which occurrences?",
              repeatTexts("ChangeQuestion")},
    TextEntry{"Repeat", "Delete question", "\"%1\" repeats. Delete which occurrences?",
              repeatTexts("DeleteQuestion")},
    TextEntry{"Repeat", "This one", "This one", repeatTexts("ThisOne")},
    TextEntry{"Repeat", "This and following", "This and following",
              repeatTexts("ThisAndFollowing")},
    TextEntry{"Repeat", "All", "All", repeatTexts("AllOfThem")},
    TextEntry{"Repeat", "Overdue", "%1 overdue", repeatTexts("Overdue")},
    TextEntry{"Repeat", "Next occurrence", "Next: %1, %2 years since %3",
              repeatTexts("NextOccurrence")},
    TextEntry{
        "Repeat", "Unavailable",
        "The tables of this folder have no place for repeat rules (they could not be upgraded).",
        repeatTexts("Unavailable")},

    TextEntry{"Tray icon", "OpenItem caption", "Open", mainForm("OpenItem")},
    TextEntry{"Tray icon", "ShutDownItem caption", "Shut down", mainForm("ShutDownItem")},
};

constexpr TextTarget kOk = passwordDlg("OKButton");
constexpr TextTarget kCancel = passwordDlg("CancelButton");

constexpr std::array kCopies{
    TextCopy{"Main form", "Language hint", mainForm("FlagImage", R::Hint),
             mainForm("LanguageLabel", R::Hint)},

    // The case and filter buttons of the section books follow the tasks page's.
    TextCopy{"Filter", "Register button caption", mainForm("RegisterSB", R::Caption),
             mainForm("PhoneSectionsRegSB", R::Caption)},
    TextCopy{"Filter", "Register button caption", mainForm("RegisterSB", R::Caption),
             mainForm("DateSectionsRegSB", R::Caption)},
    TextCopy{"Filter", "Register button caption", mainForm("RegisterSB", R::Caption),
             mainForm("LinkSectionsRegSB", R::Caption)},
    TextCopy{"Filter", "Register button caption", mainForm("RegisterSB", R::Caption),
             mainForm("PhonesRegSB", R::Caption)},
    TextCopy{"Filter", "Register button caption", mainForm("RegisterSB", R::Caption),
             mainForm("DatesRegSB", R::Caption)},
    TextCopy{"Filter", "Register button caption", mainForm("RegisterSB", R::Caption),
             mainForm("LinksRegSB", R::Caption)},
    TextCopy{"Filter", "Register button hint", mainForm("RegisterSB", R::Hint),
             mainForm("PhoneSectionsRegSB", R::Hint)},
    TextCopy{"Filter", "Register button hint", mainForm("RegisterSB", R::Hint),
             mainForm("DateSectionsRegSB", R::Hint)},
    TextCopy{"Filter", "Register button hint", mainForm("RegisterSB", R::Hint),
             mainForm("LinkSectionsRegSB", R::Hint)},
    TextCopy{"Filter", "Register button hint", mainForm("RegisterSB", R::Hint),
             mainForm("PhonesRegSB", R::Hint)},
    TextCopy{"Filter", "Register button hint", mainForm("RegisterSB", R::Hint),
             mainForm("DatesRegSB", R::Hint)},
    TextCopy{"Filter", "Register button hint", mainForm("RegisterSB", R::Hint),
             mainForm("LinksRegSB", R::Hint)},
    TextCopy{"Filter", "Filter button caption", mainForm("FilterSB", R::Caption),
             mainForm("PhoneSectionsFilterSB", R::Caption)},
    TextCopy{"Filter", "Filter button caption", mainForm("FilterSB", R::Caption),
             mainForm("DateSectionsFilterSB", R::Caption)},
    TextCopy{"Filter", "Filter button caption", mainForm("FilterSB", R::Caption),
             mainForm("LinkSectionsFilterSB", R::Caption)},
    TextCopy{"Filter", "Filter button caption", mainForm("FilterSB", R::Caption),
             mainForm("PhonesFilterSB", R::Caption)},
    TextCopy{"Filter", "Filter button caption", mainForm("FilterSB", R::Caption),
             mainForm("DatesFilterSB", R::Caption)},
    TextCopy{"Filter", "Filter button caption", mainForm("FilterSB", R::Caption),
             mainForm("LinksFilterSB", R::Caption)},
    TextCopy{"Filter", "Filter button hint", mainForm("FilterSB", R::Hint),
             mainForm("PhoneSectionsFilterSB", R::Hint)},
    TextCopy{"Filter", "Filter button hint", mainForm("FilterSB", R::Hint),
             mainForm("DateSectionsFilterSB", R::Hint)},
    TextCopy{"Filter", "Filter button hint", mainForm("FilterSB", R::Hint),
             mainForm("LinkSectionsFilterSB", R::Hint)},
    TextCopy{"Filter", "Filter button hint", mainForm("FilterSB", R::Hint),
             mainForm("PhonesFilterSB", R::Hint)},
    TextCopy{"Filter", "Filter button hint", mainForm("FilterSB", R::Hint),
             mainForm("DatesFilterSB", R::Hint)},
    TextCopy{"Filter", "Filter button hint", mainForm("FilterSB", R::Hint),
             mainForm("LinksFilterSB", R::Hint)},

    // The other navigators take the whole list before the move hint is read.
    TextCopy{"DB navigator", "Cancel edit", mainForm("TaskDBNavigator", R::HintList),
             mainForm("PhonesDBNavigator", R::HintList)},
    TextCopy{"DB navigator", "Cancel edit", mainForm("TaskDBNavigator", R::HintList),
             mainForm("DatesDBNavigator", R::HintList)},
    TextCopy{"DB navigator", "Cancel edit", mainForm("TaskDBNavigator", R::HintList),
             mainForm("LinksDBNavigator", R::HintList)},
    TextCopy{"DB navigator", "Move records", mainForm("TasksMoveTB", R::Hint),
             mainForm("PhonesMoveTB", R::Hint)},
    TextCopy{"DB navigator", "Move records", mainForm("TasksMoveTB", R::Hint),
             mainForm("DatesMoveTB", R::Hint)},
    TextCopy{"DB navigator", "Move records", mainForm("TasksMoveTB", R::Hint),
             mainForm("LinksMoveTB", R::Hint)},

    TextCopy{"Phone book", "Section", mainForm("PhoneSectionsDBGrid", R::ColumnTitle, 0),
             mainForm("DateSectionsDBGrid", R::ColumnTitle, 0)},
    TextCopy{"Phone book", "Section", mainForm("PhoneSectionsDBGrid", R::ColumnTitle, 0),
             mainForm("LinkSectionsDBGrid", R::ColumnTitle, 0)},
    TextCopy{"Phone book", "WebSite hint", mainForm("WebSiteDBEdit", R::Hint),
             mainForm("LinksDBGrid", R::Hint)},

    TextCopy{"Important dates", "Event", mainForm("TaskDBGrid", R::ColumnTitle, 2),
             mainForm("DatesDBGrid", R::ColumnTitle, 1)},

    TextCopy{"Helpful links", "Link SectionLinks", mainForm("ToolsTB", R::Hint), toolsForm("")},

    TextCopy{"Password dialog", "Cancel button caption", toolsForm("PasswordTB", R::Hint),
             changePasswordDlg("")},

    TextCopy{"Change password dialog", "ConfirmPass label caption", kOk,
             changePasswordDlg("OKButton")},
    TextCopy{"Change password dialog", "ConfirmPass label caption", kCancel,
             changePasswordDlg("CancelButton")},

    TextCopy{"Move records form", "OnDate caption", kOk, {"MoveRecOnDateForm", "OKButton"}},
    TextCopy{"Move records form", "OnDate caption", kCancel, {"MoveRecOnDateForm", "CancelButton"}},
    TextCopy{"Move records form", "ToSection caption", kOk, {"MoveRecToSectForm", "OKButton"}},
    TextCopy{
        "Move records form", "ToSection caption", kCancel, {"MoveRecToSectForm", "CancelButton"}},
    // The tray tip is the main window's caption.
    TextCopy{
        "Move records form", "ToSection caption", mainForm(""), {"TrayNotifyIcon", "", R::Hint}},

    // The section books' buttons follow the tasks page's.
    TextCopy{"Import and export", "Import button", mainForm("TasksImportTB", R::Caption),
             mainForm("PhonesImportTB", R::Caption)},
    TextCopy{"Import and export", "Import button", mainForm("TasksImportTB", R::Caption),
             mainForm("DatesImportTB", R::Caption)},
    TextCopy{"Import and export", "Import button", mainForm("TasksImportTB", R::Caption),
             mainForm("LinksImportTB", R::Caption)},
    TextCopy{"Import and export", "Import hint", mainForm("TasksImportTB", R::Hint),
             mainForm("PhonesImportTB", R::Hint)},
    TextCopy{"Import and export", "Import hint", mainForm("TasksImportTB", R::Hint),
             mainForm("DatesImportTB", R::Hint)},
    TextCopy{"Import and export", "Import hint", mainForm("TasksImportTB", R::Hint),
             mainForm("LinksImportTB", R::Hint)},
    TextCopy{"Import and export", "Export button", mainForm("TasksExportTB", R::Caption),
             mainForm("PhonesExportTB", R::Caption)},
    TextCopy{"Import and export", "Export button", mainForm("TasksExportTB", R::Caption),
             mainForm("DatesExportTB", R::Caption)},
    TextCopy{"Import and export", "Export button", mainForm("TasksExportTB", R::Caption),
             mainForm("LinksExportTB", R::Caption)},
    TextCopy{"Import and export", "Export hint", mainForm("TasksExportTB", R::Hint),
             mainForm("PhonesExportTB", R::Hint)},
    TextCopy{"Import and export", "Export hint", mainForm("TasksExportTB", R::Hint),
             mainForm("DatesExportTB", R::Hint)},
    TextCopy{"Import and export", "Export hint", mainForm("TasksExportTB", R::Hint),
             mainForm("LinksExportTB", R::Hint)},

    TextCopy{"Tray icon", "OpenItem caption", mainForm("AboutTB", R::Hint), mainForm("AboutItem")},
};

}  // namespace

std::span<const TextEntry> interfaceTexts() {
  return kEntries;
}

std::span<const TextCopy> textCopies() {
  return kCopies;
}

}  // namespace torvelle::lang
