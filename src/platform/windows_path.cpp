#include "platform/windows_path.h"

#include <vector>

namespace kestrane {
namespace {

constexpr std::wstring_view kLiteral = LR"(\\?\)";
constexpr std::wstring_view kLiteralUnc = LR"(\\?\UNC\)";
constexpr std::wstring_view kDevice = LR"(\\.\)";

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

bool HasDrive(std::wstring_view path) {
  return path.size() >= 2 && path[1] == L':' &&
         ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool SameLetter(wchar_t a, wchar_t b) {
  return (a | 0x20) == (b | 0x20);
}

std::size_t FindSeparator(std::wstring_view path, std::size_t from) {
  for (std::size_t i = from; i < path.size(); ++i) {
    if (IsSeparator(path[i])) return i;
  }
  return std::wstring_view::npos;
}

// Splits an absolute path into its root, written "C:\" or "\\server\share\", and the rest;
// false when the path is not absolute.
bool SplitRoot(std::wstring_view path, std::wstring* root, std::wstring_view* rest) {
  if (HasDrive(path) && path.size() >= 3 && IsSeparator(path[2])) {
    *root = std::wstring{path[0], L':', L'\\'};
    *rest = path.substr(3);
    return true;
  }
  if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
  const std::size_t server_end = FindSeparator(path, 2);
  if (server_end == 2 || server_end == std::wstring_view::npos) return false;
  const std::size_t share_end = FindSeparator(path, server_end + 1);
  const std::wstring_view share = path.substr(server_end + 1, share_end - (server_end + 1));
  if (share.empty()) return false;
  *root = LR"(\\)";
  *root += path.substr(2, server_end - 2);
  *root += L'\\';
  *root += share;
  *root += L'\\';
  *rest = share_end == std::wstring_view::npos ? std::wstring_view() : path.substr(share_end + 1);
  return true;
}

// The plain form of a current folder that the system gave in the \\?\ form.
std::wstring Plain(std::wstring_view path) {
  if (path.starts_with(kLiteralUnc))
    return LR"(\\)" + std::wstring(path.substr(kLiteralUnc.size()));
  if (path.starts_with(kLiteral)) return std::wstring(path.substr(kLiteral.size()));
  return std::wstring(path);
}

}  // namespace

std::wstring AbsoluteWindowsPath(std::wstring_view path, std::wstring_view current_dir) {
  if (path.starts_with(kLiteral) || path.starts_with(kDevice)) return std::wstring(path);
  std::wstring root;
  std::wstring_view rest;
  std::wstring joined;  // what `rest` points into when the path is relative
  if (!SplitRoot(path, &root, &rest)) {
    // A server without a share names no folder.
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
      return std::wstring(path);
    }
    const std::wstring base = Plain(current_dir);
    std::wstring base_root;
    std::wstring_view base_rest;
    if (!SplitRoot(base, &base_root, &base_rest)) return std::wstring(path);
    if (!path.empty() && IsSeparator(path[0])) {
      joined = base_root + std::wstring(path.substr(1));
    } else if (HasDrive(path)) {
      // "D:x" is relative to the current folder of drive D:, which only the system knows.
      if (!HasDrive(base) || !SameLetter(path[0], base[0])) return std::wstring(path);
      joined = base + L'\\' + std::wstring(path.substr(2));
    } else {
      joined = base + L'\\' + std::wstring(path);
    }
    SplitRoot(joined, &root, &rest);
  }
  std::vector<std::wstring_view> names;
  while (!rest.empty()) {
    const std::size_t end = FindSeparator(rest, 0);
    const std::wstring_view name = rest.substr(0, end);
    rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
    if (name.empty() || name == L".") continue;
    if (name == L"..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(name);
  }
  std::wstring result = root;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i != 0) result += L'\\';
    result += names[i];
  }
  return result;
}

std::wstring ExtendedWindowsPath(std::wstring_view path, std::wstring_view current_dir) {
  std::wstring absolute = AbsoluteWindowsPath(path, current_dir);
  if (absolute.starts_with(kLiteral) || absolute.starts_with(kDevice)) return absolute;
  std::wstring root;
  std::wstring_view rest;
  if (!SplitRoot(absolute, &root, &rest)) return absolute;  // not absolute after all
  if (HasDrive(absolute)) return std::wstring(kLiteral) + absolute;
  return std::wstring(kLiteralUnc) + absolute.substr(2);
}

std::wstring WithClosingQuotesMended(std::wstring_view command_line) {
  std::wstring mended;
  std::size_t backslashes = 0;
  for (std::size_t i = 0; i < command_line.size(); ++i) {
    const wchar_t c = command_line[i];
    if (c == L'"' && backslashes % 2 == 1) {
      const wchar_t next = i + 1 < command_line.size() ? command_line[i + 1] : L' ';
      // An even run of backslashes before a quote stands for half as many, and the quote ends
      // the argument.
      if (next == L' ' || next == L'\t') mended += L'\\';
    }
    backslashes = c == L'\\' ? backslashes + 1 : 0;
    mended += c;
  }
  return mended;
}

}  // namespace kestrane
