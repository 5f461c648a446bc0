#include "platform/folder_path.h"

namespace kestrane {

FolderText FolderPart(const std::filesystem::path& path) {
  const FolderText text = path.native();
  // One scan back from the end: find_last_of looks each character up in the set of separators.
  for (std::size_t i = text.size(); i-- > 0;) {
#ifdef _WIN32
    if (text[i] == L'\\' || text[i] == L'/') return text.substr(0, i);
#else
    if (text[i] == '/') return text.substr(0, i);
#endif
  }
  return FolderText();
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

std::vector<std::filesystem::path> FoldersOnTheWay(const std::filesystem::path& root,
                                                   const std::filesystem::path& path, bool self) {
  auto at = path.begin();
  // A last separator gives an empty last element, on either path.
  for (const std::filesystem::path& element : root) {
    if (element.empty()) continue;
    if (at == path.end() || *at != element) return {};
    ++at;
  }
  std::vector<std::filesystem::path> names;
  for (; at != path.end(); ++at) {
    if (at->empty() || *at == ".") continue;
    if (*at == "..") return {};
    names.push_back(*at);
  }
  if (!self) {
    if (names.empty()) return {};
    names.pop_back();
  }
  std::vector<std::filesystem::path> folders{root};
  for (const std::filesystem::path& name : names)
    folders.push_back(folders.back() / name);
  return folders;
}

}  // namespace kestrane
