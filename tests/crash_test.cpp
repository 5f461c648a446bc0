// The command-line converter killed at many moments of a run over a tree: after every kill each
// original must still exist under its own name or its backup name, nothing half-written may
// stand under an input's name, and a second run must leave exactly the converted tree.
#include <signal.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>
#include <thread>

#include "testing/temp_dir.h"
#include "tree_runs.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using namespace tree_runs;

TEST(CrashTest, KilledAtAnyMomentNothingIsLostAndARerunFinishes) {
  const auto tree = MakeTree();
  testing::TempDir dir(ScratchParent());
  const fs::path root = dir.path() / "tree";

  // Undisturbed runs tell how long a run takes. The quickest counts: on a busy machine a slow
  // one would spread the kills past the end of most runs.
  auto full_run = std::chrono::steady_clock::duration::max();
  for (int i = 0; i < 3; ++i) {
    WriteTree(root, tree);
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Wait(StartConverter(root)), 0);
    full_run = std::min(full_run, std::chrono::steady_clock::now() - start);
  }

  std::mt19937 rng(11);
  const int kKills = 300;
  int killed_mid_run = 0;
  for (int kill_no = 0; kill_no < kKills; ++kill_no) {
    WriteTree(root, tree);
    // Spread the kills over the whole run, and a little past it.
    auto delay = full_run * (kill_no + std::uniform_real_distribution<>(0, 1)(rng)) / kKills * 1.1;
    pid_t pid = StartConverter(root);
    std::this_thread::sleep_for(delay);
    kill(pid, SIGKILL);
    int status = Wait(pid);
    if (WIFSIGNALED(status)) ++killed_mid_run;

    for (const auto& [name, subtitle] : tree) {
      auto input = Read(root / name);
      auto backup = Read(root / (name + "_original"));
      ASSERT_TRUE(input == subtitle.original || backup == subtitle.original)
          << name << " lost after kill " << kill_no;
      ASSERT_TRUE(!input || *input == subtitle.original || *input == subtitle.converted)
          << name << " half-written after kill " << kill_no;
    }

    ASSERT_EQ(Wait(StartConverter(root)), 0) << "rerun after kill " << kill_no;
    ASSERT_EQ(CountFiles(root), 2 * tree.size()) << "work files left after kill " << kill_no;
    for (const auto& [name, subtitle] : tree) {
      ASSERT_EQ(Read(root / name), subtitle.converted) << name << " after kill " << kill_no;
      ASSERT_EQ(Read(root / (name + "_original")), subtitle.original)
          << name << " after kill " << kill_no;
    }
  }
  // Most kills must land inside a run, or the test proves little.
  EXPECT_GT(killed_mid_run, kKills / 2);
  std::cout << killed_mid_run << " of " << kKills << " kills interrupted a run of "
            << std::chrono::duration_cast<std::chrono::milliseconds>(full_run).count() << " ms\n";
}

}  // namespace
}  // namespace kestrane
