// The converter against what only POSIX file systems can hold.
#include <fcntl.h>
#include <grp.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "convert/convert_file.h"
#include "testing/temp_dir.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;

constexpr char kSubRip[] = "1\n00:00:01,000 --> 00:00:04,000\nHello\n";
constexpr char kConverted[] =
    "\xEF\xBB\xBF"
    "1 00;00;01;00 00;00;04;00 Hello \r\n";

// Sets or clears the immutable flag: the one thing that keeps root out of a folder.
bool SetImmutable(const fs::path& dir, bool on) {
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return ok;
}

TEST(ConvertFilePosixTest, AReadOnlyFolderLeavesTheInputAsItWas) {
  TempDir dir;
  fs::path input = dir.Write("sub/a.txt", kSubRip);
  fs::permissions(input.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
  bool immutable = false;
  if (geteuid() == 0) {
    immutable = SetImmutable(input.parent_path(), true);
    if (!immutable) GTEST_SKIP() << "running as root without the right to make a folder immutable";
  }
  FileResult result = ConvertFile(DefaultFileSystem(), input);
  if (immutable) SetImmutable(input.parent_path(), false);

  EXPECT_EQ(result.kind, FileResult::Kind::kFailed);
  EXPECT_EQ(result.reason, FileResult::Reason::kCreateWork) << Describe(result.reason);
  EXPECT_EQ(ReadBytes(input), kSubRip);
  EXPECT_FALSE(fs::exists(dir.path() / "sub/a.txt_temp"));
}

// The converted file has its input's mode exactly: the umask narrowed the mode open() was given
// (0664 came out 0644, and 0644 under umask 077 came out 0600).
TEST(ConvertFilePosixTest, TheConvertedFileKeepsTheInputsModeWhateverTheUmask) {
  const mode_t kModes[] = {0664, 0644, 0600, 0444, 0666};
  const mode_t kUmasks[] = {022, 077, 002, 0};
  for (const mode_t mode : kModes) {
    for (const mode_t mask : kUmasks) {
      TempDir dir;
      const fs::path input = dir.Write("a.txt", kSubRip);
      ASSERT_EQ(chmod(input.c_str(), mode), 0);
      const mode_t before = umask(mask);
      const FileResult result = ConvertFile(DefaultFileSystem(), input);
      umask(before);
      char name[32];
      std::snprintf(name, sizeof name, "mode %04o umask %03o", mode, mask);
      ASSERT_TRUE(result.done()) << name << ": " << Describe(result.reason);
      struct stat converted, backup;
      ASSERT_EQ(stat(input.c_str(), &converted), 0) << name;
      ASSERT_EQ(stat((dir.path() / "a.txt_original").c_str(), &backup), 0) << name;
      EXPECT_EQ(converted.st_mode & 07777, mode) << name;
      EXPECT_EQ(backup.st_mode & 07777, mode) << name;
      EXPECT_EQ(ReadBytes(input), kConverted) << name;
    }
  }
}

// A converted file belongs to whom its input belonged, as far as the converting user may give
// it: root (sudo on a shared disk) gives owner and group; another user a group of theirs.
TEST(ConvertFilePosixTest, TheConvertedFileKeepsTheOwnerAndGroupItMayKeep) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to own files as nobody and run as nobody";
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNogroup = 65534, kOther = 100;
  const struct {
    const char* fault;
    uid_t run_as;  // 0: root; else nobody, in groups nogroup and kOther
    uid_t owner;   // of the input, whose group is kOther
    uid_t expected_owner;
  } kCases[] = {
      {"root makes the file root's, locking its owner out", 0, kNobody, kNobody},
      {"a user's converted file takes their own group", kNobody, kNobody, kNobody},
      {"a user cannot keep a group of theirs on a file another owns", kNobody, 0, kNobody},
  };
  for (const auto& c : kCases) {
    TempDir dir;
    const fs::path input = dir.Write("a.txt", kSubRip);
    ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(chown(input.c_str(), c.owner, kOther), 0);
    ASSERT_EQ(chmod(input.c_str(), 0640), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const gid_t groups[] = {kNogroup, kOther};
      if (c.run_as != 0 &&
          (setgroups(2, groups) != 0 || setgid(kNogroup) != 0 || setuid(c.run_as) != 0)) {
        _exit(2);
      }
      _exit(ConvertFile(DefaultFileSystem(), input).done() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.fault << ": " << status;
    struct stat st;
    ASSERT_EQ(lstat(input.c_str(), &st), 0) << c.fault;
    EXPECT_EQ(st.st_uid, c.expected_owner) << c.fault;
    EXPECT_EQ(st.st_gid, kOther) << c.fault;
    EXPECT_EQ(st.st_mode & 07777, 0640u) << c.fault;
    EXPECT_EQ(ReadBytes(input), kConverted) << c.fault;
  }
}

TEST(ConvertFilePosixTest, WhatIsNotAFileIsNeverOpened) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir.path() / "fifo.txt").c_str(), 0644), 0);
  fs::path target = dir.Write("target", kSubRip);
  fs::create_symlink(target, dir.path() / "link.txt");
  fs::create_symlink("nowhere", dir.path() / "dangling.txt");
  for (const char* name : {"fifo.txt", "link.txt", "dangling.txt"}) {
    // A FIFO would block a plain open forever; a link would convert a file outside the folder.
    FileResult result = ConvertFile(DefaultFileSystem(), dir.path() / name);
    EXPECT_EQ(result.kind, FileResult::Kind::kSkipped) << name;
    EXPECT_FALSE(fs::exists(dir.path() / (std::string(name) + "_original"))) << name;
  }
  EXPECT_EQ(ReadBytes(target), kSubRip);
}

TEST(ConvertFilePosixTest, NamesThatAreNotUtf8) {
  TempDir dir;
  fs::path input = dir.Write("Caf\xE9\xFF.txt", kSubRip);
  FileResult result = ConvertFile(DefaultFileSystem(), input);
  EXPECT_TRUE(result.done()) << result.message;
  EXPECT_EQ(ReadBytes(input), kConverted);
  EXPECT_EQ(ReadBytes(dir.path() / "Caf\xE9\xFF.txt_original"), kSubRip);
}

TEST(ConvertFilePosixTest, APathLongerThanPathMax) {
  TempDir dir;
  fs::path deep = dir.path();
  while (deep.native().size() <= PATH_MAX + 100)
    deep /= std::string(200, 'd');
  // Build the folders one step at a time: the whole path is too long for a single call.
  std::error_code ec;
  fs::path made = dir.path();
  int fd = open(made.c_str(), O_RDONLY | O_DIRECTORY);
  for (auto it = std::next(deep.begin(), std::distance(dir.path().begin(), dir.path().end()));
       it != deep.end(); ++it) {
    ASSERT_EQ(mkdirat(fd, it->c_str(), 0755), 0);
    int next = openat(fd, it->c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  int file = openat(fd, "a.txt", O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(file, 0);
  ASSERT_EQ(write(file, kSubRip, sizeof kSubRip - 1), static_cast<ssize_t>(sizeof kSubRip - 1));
  close(file);
  close(fd);

  FileResult result = ConvertFile(DefaultFileSystem(), deep / "a.txt");
  EXPECT_TRUE(result.done()) << Describe(result.reason) << ": " << result.message;
  std::unique_ptr<ReadableFile> converted;
  ASSERT_TRUE(DefaultFileSystem().OpenForRead(deep / "a.txt", &converted).ok());
  std::string bytes(64, '\0');
  std::size_t got = 0;
  ASSERT_TRUE(converted->Read(bytes.data(), bytes.size(), &got).ok());
  EXPECT_EQ(bytes.substr(0, got), kConverted);
  FileInfo info;
  EXPECT_TRUE(DefaultFileSystem().Stat(deep / "a.txt_original", &info).ok());
  EXPECT_FALSE(DefaultFileSystem().Stat(deep / "a.txt_temp", &info).ok());
  // TempDir cannot remove what the ordinary calls cannot reach; take it apart from the inside.
  std::string cleanup = "cd '" + dir.path().string() + "' && rm -rf " + std::string(200, 'd');
  EXPECT_EQ(std::system(cleanup.c_str()), 0);
}

}  // namespace
}  // namespace kestrane
