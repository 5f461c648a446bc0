#include "platform/folder_path.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

// The folders Windows pins for a call below a held tree: one left out is one a link could take
// the place of while the call goes through it.
TEST(FolderPathTest, TheFoldersOnTheWayFromAHeldRoot) {
  using Paths = std::vector<std::filesystem::path>;
  const struct {
    std::filesystem::path root, path;
    bool self;
    Paths folders;
  } cases[] = {
      {"/r", "/r/a.txt", false, {"/r"}},
      {"/r/", "/r/a.txt", false, {"/r/"}},
      {"/r", "/r/s/t/a.txt", false, {"/r", "/r/s", "/r/s/t"}},
      {"/r", "/r/s/t", true, {"/r", "/r/s", "/r/s/t"}},
      {"/r", "/r/s/", true, {"/r", "/r/s"}},
      {"/r", "/r", true, {"/r"}},
      {"/r", "/r", false, {}},         // the root's own way lies outside
      {"/r", "/rs/a.txt", false, {}},  // beside it, not below
      {"/r/s", "/r/a.txt", false, {}},
      {"/r", "/r/../x/a.txt", false, {}},
      {"r", "r/./s/a.txt", false, {"r", "r/s"}},
#ifdef _WIN32
      {"C:\\r", "C:\\r\\s\\a.txt", false, {"C:\\r", "C:\\r\\s"}},
#endif
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FoldersOnTheWay(c.root, c.path, c.self), c.folders)
        << c.root << " " << c.path << (c.self ? " (a folder)" : "");
  }
}

}  // namespace
}  // namespace kestrane
