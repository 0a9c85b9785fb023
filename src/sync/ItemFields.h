#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/format/TableFile.h"

// A record and a server item seen the same way: the synced fields of one
// book as texts, so that the two sides and their last-seen states compare
// field by field.
namespace torvelle::sync {

enum class SyncBook { Phones, Tasks, Dates };

const char* bookName(SyncBook book);
// The fields of `book` that travel; the record's own identity does not.
const std::vector<std::string>& syncedFields(SyncBook book);

using FieldMap = std::map<std::string, std::string>;

// The record's synced fields; a null value is an empty text.
FieldMap fieldsOfRecord(SyncBook book, const format::TableInfo& info, const format::Record& record);
// `base` with the synced fields set from `fields` (an empty text is null).
format::Record recordWithFields(const format::TableInfo& info, format::Record base,
                                const FieldMap& fields);

// Where records without a category of their own go.
inline constexpr const char* kFallbackSection = "Imported";

// The fields an item (vCard or iCalendar text) stands for, read as the
// imports read files; nothing when the item holds nothing this book takes
// (a to-do without a day, a broken item).
std::optional<FieldMap> fieldsOfItem(SyncBook book, const format::TableInfo& info,
                                     std::string_view itemText);
// The item's UID property, empty when it has none.
std::string uidOfItem(std::string_view itemText);

// The fields as one text, stored as the last-seen local state, and back.
std::string packFields(const FieldMap& fields);
FieldMap unpackFields(std::string_view packed);
// A short stable digest of the packed fields.
std::string fieldsHash(const FieldMap& fields);

// A new record identity: a random UUID in lower case.
std::string newUid();

}  // namespace torvelle::sync
