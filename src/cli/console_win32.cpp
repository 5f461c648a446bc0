#ifndef UNICODE
#define UNICODE
#endif
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstddef>

#include "cli/console.h"

namespace kestrane {
namespace {

// WTF-8: UTF-8 that also carries unpaired surrogates, which Windows allows in names, so every
// name survives the trip through the UTF-8 argument parser and back.
std::string WideToWtf8(std::wstring_view wide) {
  std::string out;
  out.reserve(wide.size());
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = static_cast<char16_t>(wide[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
      const char32_t low = static_cast<char16_t>(wide[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// The inverse of WideToWtf8; a byte that starts no sequence becomes U+FFFD.
std::wstring Wtf8ToWide(std::string_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    const unsigned char lead = byte(0);
    std::size_t length = lead < 0x80    ? 1
                         : lead >= 0xF0 ? 4
                         : lead >= 0xE0 ? 3
                         : lead >= 0xC0 ? 2
                                        : 0;
    bool valid = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k)
      valid = (byte(k) & 0xC0) == 0x80;
    if (!valid) {
      out.push_back(L'\xFFFD');
      ++i;
      continue;
    }
    char32_t c = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t k = 1; k < length; ++k)
      c = (c << 6) | (byte(k) & 0x3F);
    if (c > 0x10FFFF) {
      out.push_back(L'\xFFFD');
    } else if (c >= 0x10000) {
      out.push_back(static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
    i += length;
  }
  return out;
}

class Win32Console : public Console {
 public:
  void Out(std::string_view text) override { Write(STD_OUTPUT_HANDLE, text); }
  void Err(std::string_view text) override { Write(STD_ERROR_HANDLE, text); }
  bool ErrIsTerminal() override {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
  }

 private:
  static void Write(DWORD which, std::string_view text) {
    HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    // A console shows UTF-16 whatever its code page; files and pipes get the UTF-8 bytes.
    if (GetConsoleMode(handle, &mode)) {
      const std::wstring wide = Wtf8ToWide(text);
      WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
      WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
  }
};

}  // namespace

Console& SystemConsole() {
  static Win32Console console;
  return console;
}

std::vector<std::string> CommandLineArgs(int argc, char** argv) {
  // The narrow argv went through the ANSI code page and lost what it cannot hold.
  int count = 0;
  const std::wstring line = Wtf8ToWide(WithPowerShellQuotesMended(WideToWtf8(GetCommandLineW())));
  LPWSTR* wide = CommandLineToArgvW(line.c_str(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i)
    args.push_back(WideToWtf8(wide[i]));
  LocalFree(wide);
  return args;
}

std::filesystem::path PathFromArg(std::string_view arg) {
  return std::filesystem::path(Wtf8ToWide(arg));
}

std::string PathText(const std::filesystem::path& path) {
  std::filesystem::path shown = path;
  shown.make_preferred();
  return WideToWtf8(shown.native());
}

}  // namespace kestrane
