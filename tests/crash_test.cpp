// The command-line converter killed at many moments of a run over a tree: after every kill each
// original must still exist under its own name or its backup name, nothing half-written may
// stand under an input's name, and a second run must leave exactly the converted tree.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <thread>

#include "convert/convert_file.h"
#include "testing/memory_file_system.h"
#include "testing/temp_dir.h"

extern char** environ;

namespace kestrane {
namespace {

namespace fs = std::filesystem;

struct Subtitle {
  std::string original, converted;
};

// A few hundred files in a few folders, each converted in memory for the expected result.
std::map<std::string, Subtitle> MakeTree() {
  std::mt19937 rng(7);
  std::map<std::string, Subtitle> tree;
  for (int n = 0; n < 300; ++n) {
    std::string text;
    int cues = 20 + static_cast<int>(rng() % 60);
    for (int i = 1; i <= cues; ++i) {
      text += std::to_string(i) + "\r\n00:00:" + std::to_string(10 + i % 50) + ",";
      text += std::to_string(100 + rng() % 900) + " --> 00:01:00,000\r\nline " +
              std::to_string(rng()) + "\r\n\r\n";
    }
    std::string name = "f" + std::to_string(n % 4) + "/s" + std::to_string(n) + ".txt";
    testing::MemoryFileSystem memory;
    memory.AddFile("/a.txt", text);
    EXPECT_TRUE(ConvertFile(memory, "/a.txt").done());
    tree[name] = {text, *memory.Contents("/a.txt")};
  }
  return tree;
}

void WriteTree(const fs::path& root, const std::map<std::string, Subtitle>& tree) {
  fs::remove_all(root);
  for (const auto& [name, subtitle] : tree) {
    fs::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary) << subtitle.original;
  }
}

pid_t StartConverter(const fs::path& root) {
  std::string cli = KESTRANE_CLI, quiet = "-q", dir = root.string();
  char* argv[] = {cli.data(), quiet.data(), dir.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

std::optional<std::string> Read(const fs::path& path) {
  return testing::ReadBytes(path);
}

TEST(CrashTest, KilledAtAnyMomentNothingIsLostAndARerunFinishes) {
  const auto tree = MakeTree();
  // A kill leaves the page cache as it was, so memory is as good a disk as any for this, and
  // far quicker at creating files than some disks.
  std::error_code ec;
  testing::TempDir dir(fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0
                           ? fs::path("/dev/shm")
                           : fs::temp_directory_path());
  const fs::path root = dir.path() / "tree";

  // One undisturbed run tells how long a run takes.
  WriteTree(root, tree);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(StartConverter(root)), 0);
  auto full_run = std::chrono::steady_clock::now() - start;

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
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
      files += entry.is_regular_file();
    ASSERT_EQ(files, 2 * tree.size()) << "work files left after kill " << kill_no;
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
