// The legacy code page on Windows is the ANSI code page of the system, as the runtime's
// default narrow-to-wide conversion uses it.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "platform/codepage_win32.h"
#include "platform/text.h"

namespace kestrane {
namespace win32 {
namespace {

// The longest prefix of at most `limit` bytes that ends on a character boundary.
std::size_t WholeCharacters(UINT code_page, bool double_byte, std::string_view bytes,
                            std::size_t limit) {
  if (code_page == CP_UTF8) {
    std::size_t end = limit;
    // Back over continuation bytes (10xxxxxx) to the start of the character they belong to.
    while (end > limit - 3 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80)
      --end;
    return end;
  }
  if (!double_byte) return limit;
  // A trail byte can look like a lead byte, so the characters are counted from the start.
  std::size_t end = 0;
  for (std::size_t i = 0; i <= limit;) {
    end = i;
    i += ::IsDBCSLeadByteEx(code_page, static_cast<BYTE>(bytes[i])) ? 2 : 1;
  }
  return end;
}

void AppendChunk(UINT code_page, std::string_view bytes, std::string* out) {
  int wide_size =
      ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (wide_size <= 0) return;
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(),
                        wide_size);
  out->append(Utf16ToUtf8(wide));
}

}  // namespace

std::string CodePageToUtf8(std::uint32_t code_page, std::string_view bytes, std::size_t max_chunk) {
  std::string out;
  if (bytes.empty()) return out;
  max_chunk = std::max<std::size_t>(max_chunk, 4);
  CPINFO info;
  bool double_byte = ::GetCPInfo(code_page, &info) && info.MaxCharSize == 2;
  while (!bytes.empty()) {
    std::size_t n = bytes.size() <= max_chunk
                        ? bytes.size()
                        : WholeCharacters(code_page, double_byte, bytes, max_chunk);
    AppendChunk(code_page, bytes.substr(0, n), &out);
    bytes.remove_prefix(n);
  }
  return out;
}

}  // namespace win32

std::string LegacyToUtf8(std::string_view bytes) {
  return win32::CodePageToUtf8(CP_ACP, bytes);
}

}  // namespace kestrane
