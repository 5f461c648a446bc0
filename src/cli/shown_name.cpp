#include "cli/shown_name.h"

#include "cli/console.h"
#include "platform/text.h"

namespace kestrane {
namespace {

constexpr char kHex[] = "0123456789abcdef";

}  // namespace

Character FirstCharacter(std::string_view text) {
  const Wtf8Character c = FirstWtf8Character(text);
  return {.code_point = c.code_point, .length = c.length, .byte = !c.valid};
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
