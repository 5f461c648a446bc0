#include "platform/text.h"

#include <cstdint>
#include <cstring>

namespace kestrane {

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    // Plain ASCII dominates real subtitles: skip it 32 bytes at a time, then eight.
    while (end - p >= 32) {
      std::uint64_t words[4];
      std::memcpy(words, p, 32);
      if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ull) break;
      p += 32;
    }
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      if (word & 0x8080808080808080ull) break;
      p += 8;
    }
    if (p == end) break;
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      if (c == 0xE0) low = 0xA0;   // no overlongs
      if (c == 0xED) high = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;  // nothing past U+10FFFF
    } else {
      return false;
    }
    if (end - p < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (int i = 2; i < length; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
    }
    p += length;
  }
  return true;
}

void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDFFF;
}

// Appends UTF-16 units as UTF-8, pairs joined; an unpaired surrogate is kept as a three-byte
// sequence of its own (WTF-8) or replaced.
template <typename UnitAt>
void AppendUtf16(std::size_t units, UnitAt unit_at, bool keep_surrogates, std::string* out) {
  for (std::size_t i = 0; i < units; ++i) {
    char32_t unit = unit_at(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      char32_t next = unit_at(i + 1);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), out);
        ++i;
        continue;
      }
    }
    AppendUtf8(IsSurrogate(unit) && !keep_surrogates ? kReplacement : unit, out);
  }
}

template <typename Unit>
std::string FromUtf16(std::basic_string_view<Unit> utf16, bool keep_surrogates) {
  std::string out;
  out.reserve(utf16.size());
  AppendUtf16(
      utf16.size(), [&](std::size_t i) { return static_cast<char32_t>(utf16[i]); }, keep_surrogates,
      &out);
  return out;
}

// As IsValidUtf8 checks it, except that surrogates (ED A0..BF xx) are let through.
template <typename Unit>
std::basic_string<Unit> FromWtf8(std::string_view text) {
  static_assert(sizeof(Unit) == 2);
  std::basic_string<Unit> out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Wtf8Character c = FirstWtf8Character(text.substr(i));
    const char32_t cp = c.valid ? c.code_point : kReplacement;
    if (cp >= 0x10000) {
      out.push_back(static_cast<Unit>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<Unit>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<Unit>(cp));
    }
    i += c.length;
  }
  return out;
}

}  // namespace

Wtf8Character FirstWtf8Character(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char lead = p[0];
  if (lead < 0x80) return {.code_point = lead};
  const Wtf8Character stray{.code_point = lead, .length = 1, .valid = false};
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || text.size() < length || p[1] < low || p[1] > high) return stray;
  for (std::size_t k = 2; k < length; ++k) {
    if ((p[k] & 0xC0) != 0x80) return stray;
  }
  char32_t cp = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k)
    cp = (cp << 6) | (p[k] & 0x3F);
  return {.code_point = cp, .length = length};
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  AppendUtf16(
      bytes.size() / 2, [p](std::size_t i) { return char32_t(p[2 * i] | (p[2 * i + 1] << 8)); },
      false, &out);
  if (bytes.size() % 2 != 0) AppendUtf8(kReplacement, &out);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  return FromUtf16(utf16, false);
}

std::string Utf16ToWtf8(std::u16string_view utf16) {
  return FromUtf16(utf16, true);
}

std::u16string Wtf8ToUtf16(std::string_view wtf8) {
  return FromWtf8<char16_t>(wtf8);
}

#ifdef _WIN32
std::string Utf16ToUtf8(std::wstring_view utf16) {
  return FromUtf16(utf16, false);
}

std::string Utf16ToWtf8(std::wstring_view utf16) {
  return FromUtf16(utf16, true);
}

std::wstring Wtf8ToWide(std::string_view wtf8) {
  return FromWtf8<wchar_t>(wtf8);
}
#endif

}  // namespace kestrane
