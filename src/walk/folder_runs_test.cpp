#include "walk/folder_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrane {
namespace {

// Folders given as one letter a slot ("aab": two slots in a, one in b).
std::vector<std::filesystem::path> Folders(const std::string& letters) {
  std::vector<std::filesystem::path> folders;
  for (char letter : letters)
    folders.emplace_back(std::string("/t/") + letter);
  return folders;
}

TEST(FolderRunsTest, OneFolderToAWorkerAndBigFoldersShared) {
  const std::string big = std::string(130, 'a') + std::string(126, 'b');
  const struct {
    const char* what;
    std::string folders;
    unsigned jobs;
    std::vector<SlotRange> runs;
  } kCases[] = {
      {"no slots", "", 2, {}},
      {"a folder a run", "aaabbbcc", 2, {{0, 3}, {3, 6}, {6, 8}}},
      {"one worker never cuts", "aaaab", 1, {{0, 4}, {4, 5}}},
      {"one folder over two workers", "aaaaaaaaaa", 2, {{0, 5}, {5, 10}}},
      {"one folder over three workers", "aaaaaaa", 3, {{0, 2}, {2, 4}, {4, 7}}},
      {"a folder met twice is two runs", "aba", 3, {{0, 1}, {1, 2}, {2, 3}}},
      {"cut into even pieces", big, 2, {{0, 65}, {65, 130}, {130, 256}}},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(FolderRuns(Folders(c.folders), c.jobs), c.runs) << c.what;
  }
}

}  // namespace
}  // namespace kestrane
