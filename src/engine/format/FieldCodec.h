#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/format/Value.h"

namespace torvelle::format::codec {

// Bytes a field takes in a record (BCD always 17).
int storageSize(FieldType type, int sizeByte);
bool isBlob(FieldType type);
bool isKnownType(std::uint8_t code);
// The code page text is converted with: the table's own when we can convert
// it, else 1252, whose table maps every byte to a distinct character so that
// text read and written back keeps its bytes.
int effectiveCodePage(int codePage);

// Decodes a field that is stored wholly in the record (everything but blobs).
Value decode(const FieldDef& field, const std::uint8_t* data, int codePage);

// Encodes a value into `out` (storageSize bytes). Throws DbError(InvalidValue)
// naming the field for a value the field cannot hold.
void encode(const FieldDef& field, const Value& value, std::uint8_t* out, int codePage);

// Text in the table's code page; throws DbError(InvalidValue) naming the
// character that the code page cannot hold.
std::string toTableText(const std::string& utf8, int codePage, const std::string& fieldName);
std::string fromTableText(std::string_view bytes, int codePage);

// Calendar helpers for the day numbers of Date values.
Date makeDate(int year, unsigned month, unsigned day);
void splitDate(Date date, int& year, unsigned& month, unsigned& day);

}  // namespace torvelle::format::codec
