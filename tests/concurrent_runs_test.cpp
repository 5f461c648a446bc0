// Several command-line converters started together over one tree, as a double click on the
// application does: each file is converted exactly once, by one of them, and the others pass
// it over quietly.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <vector>

#include "testing/temp_dir.h"
#include "tree_runs.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using namespace tree_runs;

TEST(ConcurrentRunsTest, EveryFileConvertedOnceAndNoRunFails) {
  const auto tree = MakeTree();
  testing::TempDir dir(ScratchParent());
  const fs::path root = dir.path() / "tree";
  constexpr int kRuns = 4, kRounds = 5;
  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteTree(root, tree);
    std::vector<pid_t> runs;
    for (int run = 0; run < kRuns; ++run)
      runs.push_back(StartConverter(root, dir.path() / ("errors" + std::to_string(run))));
    std::string errors;
    for (int run = 0; run < kRuns; ++run) {
      int status = Wait(runs[run]);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << run << ": " << status;
      errors += Read(dir.path() / ("errors" + std::to_string(run))).value_or("");
    }
    EXPECT_TRUE(errors.empty()) << "failures reported:\n" << errors;
    std::size_t unconverted = 0, bad_backups = 0;
    for (const auto& [name, subtitle] : tree) {
      unconverted += Read(root / name) != subtitle.converted;
      bad_backups += Read(root / (name + "_original")) != subtitle.original;
    }
    EXPECT_EQ(unconverted, 0u) << "files left unconverted or converted twice";
    EXPECT_EQ(bad_backups, 0u) << "backups that are not the original";
    EXPECT_EQ(CountFiles(root), 2 * tree.size()) << "work files left";
  }
  std::cout << kRounds << " rounds of " << kRuns << " runs over " << tree.size() << " files in "
            << std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
                   .count()
            << " ms\n";
}

// Converters and restorers at once over a tree half converted: each file ends converted or
// restored, whole, with no side file of any run left, and a last restore gives back every
// original.
TEST(ConcurrentRunsTest, ConvertsAndRestoresAtOnceLoseNothing) {
  const auto tree = MakeTree();
  testing::TempDir dir(ScratchParent());
  const fs::path root = dir.path() / "tree";
  constexpr int kRounds = 3;
  const char* const kRuns[] = {"--restore", "", "--restore", ""};
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WriteTree(root, tree);
    bool half = false;
    for (const auto& [name, subtitle] : tree) {
      if ((half = !half)) {
        fs::rename(root / name, root / (name + "_original"));
        std::ofstream(root / name, std::ios::binary) << subtitle.converted;
      }
    }
    std::vector<pid_t> runs;
    for (std::size_t run = 0; run < std::size(kRuns); ++run)
      runs.push_back(
          StartConverter(root, dir.path() / ("errors" + std::to_string(run)), kRuns[run]));
    std::string errors;
    for (std::size_t run = 0; run < runs.size(); ++run) {
      int status = Wait(runs[run]);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << run << ": " << status;
      errors += Read(dir.path() / ("errors" + std::to_string(run))).value_or("");
    }
    EXPECT_TRUE(errors.empty()) << "failures reported:\n" << errors;
    std::size_t converted = 0, neither = 0;
    for (const auto& [name, subtitle] : tree) {
      const auto input = Read(root / name), backup = Read(root / (name + "_original"));
      if (input == subtitle.converted && backup == subtitle.original) {
        ++converted;
      } else if (input != subtitle.original || backup) {
        ++neither;
      }
    }
    EXPECT_EQ(neither, 0u) << "files neither converted nor restored";
    EXPECT_EQ(CountFiles(root), tree.size() + converted) << "side files left";
    ASSERT_EQ(Wait(StartConverter(root, "/dev/null", "--restore")), 0);
    for (const auto& [name, subtitle] : tree)
      EXPECT_EQ(Read(root / name), subtitle.original) << name;
    EXPECT_EQ(CountFiles(root), tree.size()) << "side files left";
  }
}

}  // namespace
}  // namespace kestrane
