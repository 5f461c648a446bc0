// Legacy code pages on Windows: the prior is the system's ANSI code page, as the runtime's
// default narrow-to-wide conversion uses it, and MultiByteToWideChar decodes.
#define UNICODE
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "platform/codepage.h"
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

namespace {

UINT WindowsNumber(CodePage code_page) {
  // Wine (8.0) lacks 54936; 936, GBK, reads the same two-byte characters.
  if (code_page == CodePage::kGb18030 && !::IsValidCodePage(54936)) return 936;
  return static_cast<UINT>(code_page);
}

}  // namespace

CodePage SystemCodePage() {
  static const CodePage prior = [] {
    const UINT ansi = ::GetACP();
    DWORD locale_default = 0;
    // With "Use Unicode UTF-8 for worldwide language support" the ANSI code page is UTF-8, which
    // no legacy file is written in: the language's own code page is the better guess.
    if (ansi == CP_UTF8) {
      ::GetLocaleInfoEx(
          LOCALE_NAME_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
          reinterpret_cast<LPWSTR>(&locale_default), sizeof locale_default / sizeof(WCHAR));
    }
    return CodePageForAnsi(ansi, locale_default);
  }();
  return prior;
}

bool CanDecode(CodePage code_page) {
  return ::IsValidCodePage(WindowsNumber(code_page));
}

std::string LegacyToUtf8(CodePage code_page, std::string_view bytes) {
  return win32::CodePageToUtf8(WindowsNumber(code_page), bytes);
}

}  // namespace kestrane
