#include "app/dir_dialog.h"

namespace kestrane {

bool CDirDialog::OnSelChange(const std::filesystem::path&, std::string&) {
  return true;
}

std::filesystem::path TrimStartSelection(const std::filesystem::path& start) {
  using String = std::filesystem::path::string_type;
  String s = start.native();
  const String white = {' ', '\t', '\n', '\v', '\f', '\r'};
  s.erase(s.find_last_not_of(white) + 1);
  if (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
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

std::string PromptOf(const CDirDialog& picker) {
  return picker.m_strPrompt.empty() ? "Open" : picker.m_strPrompt;
}

}  // namespace kestrane
