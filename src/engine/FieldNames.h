#pragma once

// The names of the shipped tables' fields (engine/ShippedTables): the names
// on disk, which other programs reading the tables know them by. Code that
// reads or sets a field of a shipped table names it through these.
namespace torvelle::engine {

// The sections tables' only field, and the link of every detail table.
inline constexpr const char* kSectionField = "Section";

// Tasks and important dates.
inline constexpr const char* kDateField = "Date";
inline constexpr const char* kTimeField = "Time";
inline constexpr const char* kTaskField = "Task";
inline constexpr const char* kDoneField = "Done";
inline constexpr const char* kEventField = "Event";
inline constexpr const char* kDescriptionField = "Description";

// The phone book.
inline constexpr const char* kNameField = "Name";
inline constexpr const char* kHomePhoneField = "HomePhone";
inline constexpr const char* kWorkPhoneField = "WorkPhone";
inline constexpr const char* kCountryField = "Country";
inline constexpr const char* kZipCodeField = "ZipCode";
inline constexpr const char* kCityField = "City";
inline constexpr const char* kStreetField = "Street";
inline constexpr const char* kCellularField = "Cellular";
inline constexpr const char* kIcqField = "ICQ";
inline constexpr const char* kEmailField = "Email";
inline constexpr const char* kWebSiteField = "WebSite";

// Helpful links.
inline constexpr const char* kLinkField = "Link";

// Fields added after the designed ones. The identity stays with a record
// through moves, edits and other programs' copies of it (vCard and
// iCalendar UID); the rule is iCalendar RRULE text; the exceptions memo
// holds the occurrences the rule alone does not give (see
// recurrence/RepeatSet.h).
inline constexpr const char* kIdentityField = "UID";
inline constexpr const char* kRuleField = "RRule";
inline constexpr const char* kExceptionsField = "Exceptions";

}  // namespace torvelle::engine
