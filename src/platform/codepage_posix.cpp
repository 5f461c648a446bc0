// The legacy code page of POSIX systems, which have none of their own: Windows-1252, the one
// that 8-bit subtitle files written on Western Windows systems use.
#include <array>

#include "platform/text.h"

namespace kestrane {
namespace {

// 0x80 to 0x9F, where Windows-1252 differs from Latin-1. Windows maps the five bytes that the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) to the C1 controls of the same
// value, and so does this table, so that every byte decodes and the two platforms agree.
constexpr std::array<char16_t, 32> kFrom0x80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
};

}  // namespace

std::string LegacyToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else if (byte < 0xA0) {
      AppendUtf8(kFrom0x80[byte - 0x80], &out);
    } else {
      AppendUtf8(byte, &out);
    }
  }
  return out;
}

}  // namespace kestrane
