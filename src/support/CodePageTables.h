#pragma once
#include <cstdint>

namespace torvelle::support::detail {

// The Unicode code points of bytes 0x80..0xFF of one single-byte code page;
// bytes below 0x80 are ASCII in every page we handle.
struct CodePageTable {
  int codePage;
  char16_t upper[128];
};

extern const CodePageTable kCodePageTables[];
extern const int kCodePageTableCount;

}  // namespace torvelle::support::detail
