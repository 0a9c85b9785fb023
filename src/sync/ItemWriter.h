#pragma once
#include <set>
#include <string>
#include <string_view>

#include "sync/ItemFields.h"

// Items written back to the server. A changed item is the server's own text
// with only the properties behind the changed fields rewritten, so that what
// we do not show (photos, further phones, alarms, X- properties) survives.
namespace torvelle::sync {

// A new item for `fields` with `uid` (vCard 3.0; a to-do; an all-day event
// that repeats yearly).
std::string newItem(SyncBook book, const format::TableInfo& info, const FieldMap& fields,
                    const std::string& uid);

// `serverText` with the properties of the `changed` fields set from `fields`.
std::string changedItem(SyncBook book, const format::TableInfo& info, std::string_view serverText,
                        const FieldMap& fields, const std::set<std::string>& changed);

// The contact-only and calendar-only halves of the above.
std::string changedVCard(std::string_view serverText, const FieldMap& fields,
                         const std::set<std::string>& changed);
std::string changedCalendarItem(SyncBook book, const format::TableInfo& info,
                                std::string_view serverText, const FieldMap& fields,
                                const std::set<std::string>& changed);

}  // namespace torvelle::sync
