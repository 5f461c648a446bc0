#include "tree_runs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <vector>

#include "convert/convert_file.h"
#include "testing/memory_file_system.h"
#include "testing/temp_dir.h"

extern char** environ;

namespace kestrane::tree_runs {

namespace fs = std::filesystem;

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

fs::path ScratchParent() {
  std::error_code ec;
  return fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0
             ? fs::path("/dev/shm")
             : fs::temp_directory_path();
}

pid_t StartConverter(const fs::path& root, const fs::path& errors, const char* option) {
  std::string cli = KESTRANE_CLI, quiet = "-q", extra = option, dir = root.string();
  std::vector<char*> argv = {cli.data(), quiet.data()};
  if (!extra.empty()) argv.push_back(extra.data());
  argv.push_back(dir.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, cli.c_str(), &actions, nullptr, argv.data(), environ), 0);
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

std::size_t CountFiles(const fs::path& root) {
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    files += entry.is_regular_file();
  return files;
}

}  // namespace kestrane::tree_runs
