#include "cli/shown_name.h"

#include "cli/console.h"

namespace kestrane {
namespace {

constexpr char kHex[] = "0123456789abcdef";

}  // namespace

Character FirstCharacter(std::string_view text) {
  const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = at(0);
  Character stray{.code_point = lead, .length = 1, .byte = true};
  if (lead < 0x80) return {.code_point = lead};
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || length > text.size()) return stray;
  char32_t c = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((at(k) & 0xC0) != 0x80) return stray;
    c = (c << 6) | (at(k) & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[length] || c > 0x10FFFF) return stray;
  return {.code_point = c, .length = length};
}

bool IsUnsafe(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) ||
         (c >= 0xD800 && c <= 0xDFFF);
}

std::string UnicodeEscape(char32_t c) {
  return {'\\', 'u', kHex[c >> 12], kHex[(c >> 8) & 0xF], kHex[(c >> 4) & 0xF], kHex[c & 0xF]};
}

std::string ShownText(std::string_view text, Backslash backslash) {
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const Character c = FirstCharacter(text.substr(i));
    const char32_t v = c.code_point;
    if (c.byte || v == 0x7F || v < 0x20) {
      const char* named = v == '\t'   ? "\\t"
                          : v == '\n' ? "\\n"
                          : v == '\r' ? "\\r"
                          : v == 0x1B ? "\\e"
                                      : nullptr;
      if (!c.byte && named) {
        shown += named;
      } else {
        shown += {'\\', 'x', kHex[v >> 4], kHex[v & 0xF]};
      }
    } else if (IsUnsafe(v)) {
      shown += UnicodeEscape(v);
    } else if (v == '\\' && backslash == Backslash::kEscape) {
      shown += "\\\\";
    } else {
      shown += text.substr(i, c.length);
    }
    i += c.length;
  }
  return shown;
}

std::string ShownText(std::string_view text) {
#ifdef _WIN32
  return ShownText(text, Backslash::kKeep);
#else
  return ShownText(text, Backslash::kEscape);
#endif
}

std::string ShownPath(const std::filesystem::path& path) {
  return ShownText(PathText(path));
}

}  // namespace kestrane
