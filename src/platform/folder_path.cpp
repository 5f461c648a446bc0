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

}  // namespace kestrane
