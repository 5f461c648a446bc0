// Whole trees of the kind that break careless walkers, on the real disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "testing/temp_dir.h"
#include "walk/convert_folder.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;

constexpr char kSubRip[] = "1\n00:00:01,000 --> 00:00:04,000\nHello\n";

struct Tally {
  int converted = 0, other = 0, folder_errors = 0;
  WalkObserver Observer() {
    return {[this](const fs::path&, const FileResult& r) { ++(r.done() ? converted : other); },
            [this](const fs::path&, const Status&) { ++folder_errors; }};
  }
};

// Memory-backed when the machine has it: creating a hundred thousand files on some disks
// takes minutes.
fs::path FastParent() {
  std::error_code ec;
  return fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0
             ? fs::path("/dev/shm")
             : fs::temp_directory_path();
}

TEST(HostileTreeTest, FoldersNestedThousandsDeepPastPathMax) {
  testing::TempDir dir;
  const int kDepth = 3000;  // 6000 characters of path: past PATH_MAX
  // The ordinary calls refuse such paths, so the tree is built one folder at a time.
  int fd = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  for (int level = 0; level < kDepth; ++level) {
    if (level == kDepth / 2 || level == kDepth - 1) {
      int file = openat(fd, "a.txt", O_WRONLY | O_CREAT, 0644);
      ASSERT_GE(file, 0);
      ASSERT_EQ(write(file, kSubRip, sizeof kSubRip - 1), static_cast<ssize_t>(sizeof kSubRip - 1));
      close(file);
    }
    ASSERT_EQ(mkdirat(fd, "d", 0755), 0) << "level " << level;
    int next = openat(fd, "d", O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
    ASSERT_GE(fd, 0);
  }
  close(fd);

  Tally tally;
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, tally.Observer());
  EXPECT_EQ(tally.converted, 2);
  EXPECT_EQ(tally.other, 0);
  EXPECT_EQ(tally.folder_errors, 0);
  // A second walk finds both converted already.
  Tally again;
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, again.Observer());
  EXPECT_EQ(again.converted, 0);
  EXPECT_EQ(again.other, 2);

  // Too deep for the standard library to remove; rm takes it apart from the inside.
  std::string cleanup = "rm -rf '" + (dir.path() / "d").string() + "'";
  EXPECT_EQ(std::system(cleanup.c_str()), 0);
}

TEST(HostileTreeTest, AFolderOfAHundredThousandEntries) {
  testing::TempDir dir(FastParent());
  const int kEntries = 100000;
  for (int n = 0; n < kEntries; ++n) {
    // One in a thousand is a subtitle; the rest are entries the walk must pass over.
    std::string name = "e" + std::to_string(n) + (n % 1000 == 0 ? ".txt" : ".srt");
    std::ofstream(dir.path() / name) << (n % 1000 == 0 ? kSubRip : "");
  }
  Tally tally;
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, tally.Observer());
  EXPECT_EQ(tally.converted, kEntries / 1000);
  EXPECT_EQ(tally.other, 0);
  std::size_t entries = 0;
  for (auto it = fs::directory_iterator(dir.path()); it != fs::directory_iterator(); ++it)
    ++entries;
  EXPECT_EQ(entries, static_cast<std::size_t>(kEntries + kEntries / 1000));  // and the backups
}

TEST(HostileTreeTest, LinksThatLoopAreNotFollowed) {
  testing::TempDir dir;
  dir.Write("a/b.txt", kSubRip);
  fs::create_directory_symlink("..", dir.path() / "a" / "up");
  fs::create_directory_symlink(dir.path() / "a", dir.path() / "a" / "self");
  fs::create_symlink("loop.txt", dir.path() / "loop.txt");
  Tally tally;
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, tally.Observer());
  EXPECT_EQ(tally.converted, 1);
  EXPECT_EQ(tally.other, 1);  // loop.txt, skipped as not a regular file
  EXPECT_EQ(tally.folder_errors, 0);
}

}  // namespace
}  // namespace kestrane
