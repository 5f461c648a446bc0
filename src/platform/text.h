// Decoding of input text into the UTF-8 used everywhere inside the program.
#pragma once

#include <string>
#include <string_view>

namespace kestrane {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point; the caller passes only scalar values.
void AppendUtf8(char32_t code_point, std::string* out);

// Decodes UTF-16 little-endian bytes. An unpaired surrogate, and a last odd byte, become
// U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

}  // namespace kestrane
