#pragma once

namespace torvelle::support {

// What the program knows of the letters that single-byte code pages hold:
// Latin (ASCII, Latin-1, Latin Extended-A and the two Vietnamese letters),
// Greek and Cyrillic. Every other character is no letter here.

// The capital of a small letter; any other character as it is. Letters
// without a capital of their own (ß, ĸ, ŉ, ΐ) stay as they are.
char32_t capitalOf(char32_t c) noexcept;

// True for a capital letter: one that is the capital of some small letter.
bool isCapital(char32_t c) noexcept;

// The letter without its accents, in its own case: é gives e, Ø gives O,
// ß gives s, ς gives σ, ά gives α. A letter without accents, and any other
// character, gives itself.
char32_t baseLetterOf(char32_t c) noexcept;

}  // namespace torvelle::support
