#include "platform/folder_path.h"

#include <gtest/gtest.h>

#include <utility>

namespace kestrane {
namespace {

// A file's folder as its path spells it, by which a batch's files are grouped.
TEST(FolderPathTest, AFilesFolderAsItsPathSpellsIt) {
  const std::pair<std::filesystem::path, std::filesystem::path> folders[] = {
      {"/r/s/a.txt", "/r/s"},
      {"a.txt", ""},
#ifdef _WIN32
      {"C:\\r\\a.txt", "C:\\r"},
      {"C:/r\\s/a.txt", "C:/r\\s"},
#endif
  };
  for (const auto& [path, folder] : folders)
    EXPECT_EQ(FolderPart(path), FolderText(folder.native())) << path;
}

}  // namespace
}  // namespace kestrane
