#ifndef UNICODE
#define UNICODE
#endif
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "cli/console.h"
#include "cli/wildcards.h"
#include "platform/text.h"
#include "platform/windows_path.h"

namespace kestrane {
namespace {

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
  const std::wstring line = WithClosingQuotesMended(GetCommandLineW());
  LPWSTR* wide = CommandLineToArgvW(line.c_str(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i)
    args.push_back(Utf16ToWtf8(wide[i]));
  LocalFree(wide);
  // Windows' shells leave wildcards to the program; its file systems ignore letter case.
  return ExpandWildcards(std::move(args), DefaultFileSystem(), [](std::string_view name) {
    std::wstring wide_name = Wtf8ToWide(name);
    const int size = static_cast<int>(wide_name.size());
    std::wstring upper(wide_name.size(), L'\0');
    if (size == 0 || LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide_name.data(), size,
                                   upper.data(), size, nullptr, nullptr, 0) != size) {
      return std::string(name);
    }
    return Utf16ToWtf8(upper);
  });
}

// The current folder of `drive` ("D:"), which the system keeps for each drive apart from the
// process's own; empty when it cannot say.
std::wstring CurrentFolderOf(const std::wstring& drive) {
  std::wstring folder(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFullPathNameW(drive.c_str(), static_cast<DWORD>(folder.size()), folder.data(), nullptr);
    if (length == 0) return {};
    if (length < folder.size()) {
      folder.resize(length);
      return folder;
    }
    folder.resize(length);
  }
}

std::filesystem::path PathFromArg(std::string_view arg) {
  std::filesystem::path path(Wtf8ToWide(arg));
  if (path.empty() || path.has_root_directory()) return path;
  // Made absolute once, here, without std::filesystem::absolute, which would drop a name's
  // trailing dots and spaces. The file system then reaches every file below it whatever the
  // length of its absolute name. A path rooted on the current drive (\x) needs only the drive,
  // which the file system adds.
  std::error_code error;
  std::filesystem::path current;
  if (path.has_root_name()) {
    // "D:" and "D:x" start from drive D's own current folder; \\server\share has no other.
    const std::wstring root = path.root_name().native();
    if (root.size() != 2 || root[1] != L':') return path;
    current = CurrentFolderOf(root);
  } else {
    current = std::filesystem::current_path(error);
  }
  if (error || current.empty()) return path;
  return std::filesystem::path(AbsoluteWindowsPath(path.native(), current.native()));
}

std::string PathText(const std::filesystem::path& path) {
  std::filesystem::path shown = path;
  shown.make_preferred();
  return Utf16ToWtf8(shown.native());
}

}  // namespace kestrane
