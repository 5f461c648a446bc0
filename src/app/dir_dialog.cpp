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

std::string PromptOf(const CDirDialog& picker) {
  return picker.m_strPrompt.empty() ? "Open" : picker.m_strPrompt;
}

}  // namespace kestrane
