#pragma once
#include <string>
#include <vector>

#include "engine/format/Value.h"

namespace torvelle::engine {

// Index of the identity field (ShippedTables.h) among `fields`, or -1 for a
// table without one (an older folder that could not be upgraded).
int identityField(const std::vector<format::FieldDef>& fields);

// The identity a record carries, or empty.
std::string identityOf(const std::vector<format::FieldDef>& fields, const format::Record& record);

// Gives a record that has no identity yet a new one; a record that has one
// (a moved or imported record) keeps it.
void giveIdentity(const std::vector<format::FieldDef>& fields, format::Record& record);

// The identity to store for one that came from another program: kept when it
// fits the field and is plain printable ASCII, else a new one.
std::string storableIdentity(const std::string& foreign);

}  // namespace torvelle::engine
