#include "app/dir_dialog.h"

#include <algorithm>

namespace kestrane {
namespace {

using String = std::filesystem::path::string_type;

bool IsSeparator(String::value_type c) {
  return c == '\\' || c == '/';
}

// The length of the root that `path` starts with, its closing separator included: 3 for "C:\",
// the whole of "\\server\share\", 1 for "/" or "\"; 0 when it has none. A server without a
// share counts as a root whole, as there is no folder in it to select.
std::size_t RootLength(const String& path) {
  if (path.size() >= 3 && path[1] == ':' && IsSeparator(path[2])) return 3;
  if (path.empty() || !IsSeparator(path[0])) return 0;
  if (path.size() < 2 || !IsSeparator(path[1])) return 1;
  const auto separator = std::find_if(path.begin() + 2, path.end(), IsSeparator);
  if (separator == path.end()) return path.size();
  const auto share_end = std::find_if(separator + 1, path.end(), IsSeparator);
  return share_end == path.end() ? path.size() : share_end - path.begin() + 1;
}

}  // namespace

bool CDirDialog::OnSelChange(const std::filesystem::path&, std::string&) {
  return true;
}

std::filesystem::path TrimStartSelection(
    const std::filesystem::path& start,
    const std::function<bool(const std::filesystem::path&)>& exists) {
  String s = start.native();
  if (!s.empty() && !exists(start)) {
    const String white = {' ', '\t', '\n', '\v', '\f', '\r'};
    s.erase(s.find_last_not_of(white) + 1);
  }
  if (!s.empty() && IsSeparator(s.back()) && s.size() > RootLength(s)) s.pop_back();
  return s;
}

bool OkEnabledFor(const std::filesystem::path& folder, bool on_sel_change_allows) {
  return !folder.empty() && on_sel_change_allows;
}

Enlargement PickerEnlargement(unsigned dpi) {
  constexpr int kBaseDpi = 96;
  const int scale = dpi == 0 ? kBaseDpi : static_cast<int>(dpi);
  // Rounded to the nearest pixel, as MulDiv would.
  auto scaled = [scale](int pixels) { return (pixels * scale + kBaseDpi / 2) / kBaseDpi; };
  return {scaled(25), scaled(60)};
}

ScreenRect PickerPlacement(const ScreenRect& window, const ScreenRect& work_area, unsigned dpi) {
  const Enlargement more = PickerEnlargement(dpi);
  const int width = window.right - window.left + more.width;
  const int height = window.bottom - window.top + more.height;
  // Halved as a difference, so that a work area left of or above the primary monitor, at
  // negative coordinates, rounds the same way as any other.
  const int left = work_area.left + std::max(0, (work_area.right - work_area.left - width) / 2);
  const int top = work_area.top + std::max(0, (work_area.bottom - work_area.top - height) / 2);
  return {left, top, left + width, top + height};
}

std::string PromptOf(const CDirDialog& picker) {
  return picker.m_strPrompt.empty() ? "Open" : picker.m_strPrompt;
}

}  // namespace kestrane
