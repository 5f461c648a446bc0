// Decoding of input text into the UTF-8 used everywhere inside the program, and the UTF-16 that
// Windows speaks at its boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrane {

// ASCII letters only, whatever the locale: names, suffixes and options compare this way, and no
// other character changes (a Turkish locale would turn I into a dotless i).
template <typename Char>
constexpr Char AsciiLower(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

// Whether `text` (of any character type: a path's native string) equals the ASCII text `ascii`,
// ignoring ASCII letter case.
template <typename Char>
constexpr bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> text, std::string_view ascii) {
  if (text.size() != ascii.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto want = static_cast<Char>(static_cast<unsigned char>(ascii[i]));
    if (AsciiLower(text[i]) != AsciiLower(want)) return false;
  }
  return true;
}
constexpr bool EqualsIgnoringAsciiCase(std::string_view text, std::string_view ascii) {
  return EqualsIgnoringAsciiCase<char>(text, ascii);
}

// Whether `text` ends with the ASCII text `ascii`, ignoring ASCII letter case.
template <typename Char>
constexpr bool EndsWithIgnoringAsciiCase(std::basic_string_view<Char> text,
                                         std::string_view ascii) {
  return text.size() >= ascii.size() &&
         EqualsIgnoringAsciiCase(text.substr(text.size() - ascii.size()), ascii);
}

// The UTF-8 byte-order mark: it starts every converted file, and some inputs.
inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Appends the UTF-8 form of a code point; the caller passes only scalar values.
void AppendUtf8(char32_t code_point, std::string* out);

// Decodes UTF-16 little-endian bytes. An unpaired surrogate, and a last odd byte, become
// U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);

// UTF-16 to UTF-8, for text: an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// UTF-16 to WTF-8, for names: UTF-8 that also carries unpaired surrogates, which Windows allows
// in names, so that every name survives the trip through UTF-8 and back.
std::string Utf16ToWtf8(std::u16string_view utf16);

// The inverse of Utf16ToWtf8; UTF-8 is WTF-8 too. Each byte that starts no well-formed sequence
// becomes U+FFFD.
std::u16string Wtf8ToUtf16(std::string_view wtf8);

// The first character of non-empty WTF-8 text and its length in bytes. A byte that starts no
// well-formed sequence (a stray byte, an overlong form, past U+10FFFF, cut short) is not
// `valid`: its length is 1 and `code_point` holds the byte.
struct Wtf8Character {
  char32_t code_point = 0;
  std::size_t length = 1;
  bool valid = true;
};
Wtf8Character FirstWtf8Character(std::string_view text);

#ifdef _WIN32
// wchar_t is a UTF-16 unit on Windows: the same conversions for the wide strings of Win32 calls.
std::string Utf16ToUtf8(std::wstring_view utf16);
std::string Utf16ToWtf8(std::wstring_view utf16);
std::wstring Wtf8ToWide(std::string_view wtf8);
#endif

}  // namespace kestrane
