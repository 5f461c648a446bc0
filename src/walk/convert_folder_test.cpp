#include "walk/convert_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "convert/convert_file.h"
#include "convert/side_file_names.h"
#include "platform/file_system_wrapper.h"
#include "testing/faulty_file_system.h"
#include "testing/memory_file_system.h"
#include "testing/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kestrane {
namespace {

constexpr int kDepth = testing::kDeepTreeDepth;

using testing::MemoryFileSystem;
using testing::ReadBytes;
using testing::TempDir;

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n";

std::string Show(const std::filesystem::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

// What a walk reported, each file as its path below the walked folder and its outcome.
struct Report {
  explicit Report(std::filesystem::path folder, bool restore = false)
      : base(std::move(folder)), restore(restore) {}

  std::filesystem::path base;
  bool restore;
  std::vector<std::string> files;
  std::vector<std::string> unreadable;

  WalkObserver Observer() {
    WalkObserver observer;
    observer.on_file = [this](const std::filesystem::path& input, const FileResult& result) {
      const char* said = !result.done() ? Describe(result.reason)
                         : restore      ? "restored"
                                        : "converted";
      files.push_back(Show(input.lexically_relative(base)) + " " + said);
    };
    observer.on_folder_error = [this](const std::filesystem::path& folder, const Status&) {
      unreadable.push_back(Show(folder.lexically_relative(base)));
    };
    return observer;
  }
};

// Every entry below `root`: files with their bytes, folders, links and other entries by kind.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
  std::map<std::string, std::string> tree;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    const std::string name = Show(it->path().lexically_relative(root));
    if (it->is_symlink()) {
      tree[name] = "<link>";
    } else if (it->is_directory()) {
      tree[name] = "<folder>";
    } else if (it->is_regular_file()) {
      tree[name] = ReadBytes(it->path()).value_or("<unreadable>");
    } else {
      tree[name] = "<other>";
    }
  }
  EXPECT_FALSE(ec) << ec.message();
  return tree;
}

bool LooksConverted(const std::filesystem::path& input) {
  const std::string bytes = ReadBytes(input).value_or("");
  return bytes.starts_with("\xEF\xBB\xBF") && bytes.find("00;00;01;00") != std::string::npos &&
         ReadBytes(BackupPathFor(input)) == kSubRip;
}

TEST(ConvertFolderTest, ConvertsTheFilesOfSubfoldersWhenTheWalkMeetsThem) {
  TempDir dir;
  dir.Write("a.txt", kSubRip);
  dir.Write("sub/b.txt", kSubRip);
  dir.Write("z.txt", kSubRip);
  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, report.Observer());

  // Folders are listed as the system likes, so only the subtree's place is certain.
  std::vector<std::string> sorted = report.files;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{"a.txt converted", "sub/b.txt converted",
                                              "z.txt converted"}));
  for (const char* name : {"a.txt", "sub/b.txt", "z.txt"}) {
    EXPECT_TRUE(LooksConverted(dir.path() / name)) << name;
  }
  EXPECT_EQ(Snapshot(dir.path()).size(), 7u) << "three inputs, three backups, one folder";
}

TEST(ConvertFolderTest, FileModeConvertsTheNamedFileAlone) {
  TempDir dir;
  for (const char* name : {"a.txt", "b.txt", "c.txt", "sub/b.txt"})
    dir.Write(name, kSubRip);
  auto before = Snapshot(dir.path());
  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), "b.txt", {}, report.Observer());

  EXPECT_EQ(report.files, (std::vector<std::string>{"b.txt converted"}));
  EXPECT_TRUE(LooksConverted(dir.path() / "b.txt"));
  auto after = Snapshot(dir.path());
  after.erase("b.txt");
  after.erase("b.txt_original");
  before.erase("b.txt");
  EXPECT_EQ(after, before) << "everything but b.txt is as it was";
}

TEST(ConvertFolderTest, FileModeWithAFolderNameWalksThatFolder) {
  TempDir dir;
  dir.Write("a.txt", kSubRip);
  dir.Write("sub/b.txt", kSubRip);
  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), "sub", {}, report.Observer());
  EXPECT_EQ(report.files, (std::vector<std::string>{"sub/b.txt converted"}));
  EXPECT_EQ(ReadBytes(dir.path() / "a.txt"), kSubRip);
}

TEST(ConvertFolderTest, FileModeTakesWildcardsLiterally) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows names cannot hold * or ?";
#endif
  TempDir dir;
  dir.Write("a.txt", kSubRip);
  dir.Write("*.txt", kSubRip);
  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), "?.txt", {}, report.Observer());
  ConvertFolder(DefaultFileSystem(), dir.path(), "*.txt", {}, report.Observer());
  EXPECT_EQ(report.files, (std::vector<std::string>{"?.txt no such file", "*.txt converted"}));
  EXPECT_EQ(ReadBytes(dir.path() / "a.txt"), kSubRip);
}

// A file named by a short name (MOVIEF~1.TXT on Windows) is converted and restored under its
// own name: side files named after the short one would leave the long name nowhere.
TEST(ConvertFolderTest, FileModeWorksUnderTheFilesOwnName) {
  class ShortNames : public testing::FaultyFileSystem {
   public:
    using FaultyFileSystem::FaultyFileSystem;
    std::filesystem::path RealName(const std::filesystem::path& path) override {
      if (path.filename() != "MOVIEF~1.TXT") return path;
      return path.parent_path() / "Movie file long name.txt";
    }
  };
  MemoryFileSystem memory;
  memory.AddFile("/d/Movie file long name.txt", kSubRip);
  ShortNames fs(memory);
  ConvertFolder(fs, "/d", "MOVIEF~1.TXT");
  EXPECT_EQ(memory.Paths(), (std::vector<std::string>{"/d/", "/d/Movie file long name.txt",
                                                      "/d/Movie file long name.txt_original"}));
  RestoreBackups(fs, "/d", "MOVIEF~1.TXT", {});
  EXPECT_EQ(memory.Paths(), (std::vector<std::string>{"/d/", "/d/Movie file long name.txt"}));
  EXPECT_EQ(memory.Contents("/d/Movie file long name.txt"), kSubRip);
}

TEST(ConvertFolderTest, AnEmptyFolderChangesNothing) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "empty");
  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path() / "empty", {}, {}, report.Observer());
  EXPECT_TRUE(report.files.empty());
  EXPECT_TRUE(report.unreadable.empty());
  EXPECT_EQ(Snapshot(dir.path()), (std::map<std::string, std::string>{{"empty", "<folder>"}}));
}

TEST(ConvertFolderTest, ConvertsOnlyTxtFilesOfEveryKindOfEntry) {
  TempDir dir;
  for (const char* name : {"x.srt", "x", ".foo", "x.txt_temp", "x.txt_original", "x.txt",
                           "Upper.TXT", ".hidden/h.txt", "folder.txt/inner.txt", "y.txt.bak"}) {
    dir.Write(name, kSubRip);
  }
  auto before = Snapshot(dir.path());
  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, report.Observer());

  std::sort(report.files.begin(), report.files.end());
  EXPECT_EQ(report.files,
            (std::vector<std::string>{".hidden/h.txt converted", "Upper.TXT converted",
                                      "folder.txt/inner.txt converted", "x.txt backup exists"}));
  // The input's own name, in its own letter case, on every platform.
  EXPECT_TRUE(LooksConverted(dir.path() / "Upper.TXT"));
  auto after = Snapshot(dir.path());
  EXPECT_EQ(after.count("Upper.TXT_original"), 1u);
  for (const char* name : {"Upper.TXT", ".hidden/h.txt", "folder.txt/inner.txt"}) {
    after.erase(name);
    after.erase(std::string(name) + "_original");
    before.erase(name);
  }
  EXPECT_EQ(after, before) << "nothing but the three inputs changed";
}

TEST(ConvertFolderTest, ASecondWalkOverAConvertedTreeChangesNothing) {
  TempDir dir;
  dir.Write("a.txt", kSubRip);
  dir.Write("sub/b.TXT", kSubRip);
  ConvertFolder(DefaultFileSystem(), dir.path(), {});
  auto converted = Snapshot(dir.path());
  ASSERT_TRUE(LooksConverted(dir.path() / "sub/b.TXT"));

  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, report.Observer());
  std::sort(report.files.begin(), report.files.end());
  EXPECT_EQ(report.files,
            (std::vector<std::string>{"a.txt backup exists", "sub/b.TXT backup exists"}));
  EXPECT_EQ(Snapshot(dir.path()), converted);
}

TEST(ConvertFolderTest, ADryRunWritesNothing) {
  TempDir dir;
  dir.Write("a.txt", kSubRip);
  dir.Write("sub/empty.txt", "no cues here\r\n");
  auto before = Snapshot(dir.path());
  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {.dry_run = true}, report.Observer());
  std::sort(report.files.begin(), report.files.end());
  EXPECT_EQ(report.files,
            (std::vector<std::string>{"a.txt converted", "sub/empty.txt no subtitle"}));
  EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST(ConvertFolderTest, NeitherFollowsNorConvertsThroughLinks) {
  TempDir outside;
  outside.Write("target.txt", kSubRip);
  outside.Write("far/c.txt", kSubRip);
  TempDir dir;
  dir.Write("sub/a.txt", kSubRip);
  std::error_code ec;
  std::filesystem::create_directory_symlink(dir.path(), dir.path() / "sub/loop", ec);
  if (!ec)
    std::filesystem::create_directory_symlink(outside.path() / "far", dir.path() / "far", ec);
  if (!ec) std::filesystem::create_symlink(outside.path() / "target.txt", dir.path() / "l.txt", ec);
  if (ec) GTEST_SKIP() << "cannot create symbolic links here: " << ec.message();

  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, report.Observer());
  std::sort(report.files.begin(), report.files.end());
  EXPECT_EQ(report.files,
            (std::vector<std::string>{"l.txt not a regular file", "sub/a.txt converted"}));
  EXPECT_EQ(Snapshot(outside.path()),
            (std::map<std::string, std::string>{
                {"far", "<folder>"}, {"far/c.txt", kSubRip}, {"target.txt", kSubRip}}));
}

// Swaps the folder `sub` of the walked tree for a link to `outside` as soon as `trigger` has
// been listed: the moment between a listing and the calls that follow it.
class SwappingFileSystem : public FileSystemWrapper {
 public:
  SwappingFileSystem(std::filesystem::path trigger, std::filesystem::path sub,
                     std::filesystem::path outside)
      : FileSystemWrapper(DefaultFileSystem()),
        trigger_(std::move(trigger)),
        sub_(std::move(sub)),
        outside_(std::move(outside)) {}

  Status ListDir(const std::filesystem::path& dir, std::vector<DirEntry>* entries) override {
    Status status = FileSystemWrapper::ListDir(dir, entries);
    if (dir == trigger_ && !swapped) {
      std::filesystem::rename(sub_, sub_.string() + "_moved");
      std::filesystem::create_directory_symlink(outside_, sub_, error);
      swapped = true;
    }
    return status;
  }

  bool swapped = false;
  std::error_code error;

 private:
  const std::filesystem::path trigger_, sub_, outside_;
};

// A folder swapped for a link between the parent's listing and its own, or between its listing
// and the calls on its files, led the walk outside the tree it was given.
TEST(ConvertFolderTest, AFolderSwappedForALinkMidWalkLeadsNowhereOutside) {
  const struct {
    const char* when;
    bool restore;
    bool after_sub;  // swapped once sub was listed, else once the root was
  } kCases[] = {
      {"convert, after the root's listing", false, false},
      {"convert, after the folder's listing", false, true},
      {"restore, after the root's listing", true, false},
      {"restore, after the folder's listing", true, true},
  };
  for (const auto& c : kCases) {
    TempDir outside;
    TempDir dir;
    for (const TempDir* tree : {&outside, &dir}) {
      tree->Write("sub/a.txt", kSubRip);
      tree->Write("sub/b.txt", kSubRip);
      if (c.restore) ConvertFolder(DefaultFileSystem(), tree->path(), {});
    }
    const auto before = Snapshot(outside.path());
    const std::filesystem::path sub = dir.path() / "sub";
    SwappingFileSystem fs(c.after_sub ? sub : dir.path(), sub, outside.path() / "sub");
    Report report(dir.path(), c.restore);
    if (c.restore) {
      RestoreBackups(fs, dir.path(), {}, {}, report.Observer());
    } else {
      ConvertFolder(fs, dir.path(), {}, {}, report.Observer(), {.jobs = 2});
    }
    if (fs.error) GTEST_SKIP() << "cannot create symbolic links here: " << fs.error.message();
    EXPECT_TRUE(fs.swapped) << c.when;
    EXPECT_EQ(Snapshot(outside.path()), before) << c.when;
    for (const std::string& line : report.files) {
      EXPECT_EQ(line.find(" converted"), std::string::npos) << c.when << ": " << line;
      EXPECT_EQ(line.find(" restored"), std::string::npos) << c.when << ": " << line;
    }
  }
}

// A claim is one per file, whatever its name: the second name of a file met in one batch found
// the first's claim and was reported "busy" in a run of its own.
TEST(ConvertFolderTest, EachNameOfAFileWithSeveralIsConvertedInTurn) {
  const std::vector<std::string> kLayouts[] = {
      {"a.txt", "b.txt"},
      {"a.txt", "b.txt", "c.txt"},
      {"a.txt", "sub/b.txt"},
  };
  for (const auto& names : kLayouts) {
    for (unsigned jobs : {1u, 3u}) {
      TempDir dir;
      const std::filesystem::path first = dir.Write(names[0], kSubRip);
      std::error_code ec;
      for (std::size_t i = 1; i < names.size() && !ec; ++i) {
        std::filesystem::create_directories((dir.path() / names[i]).parent_path());
        std::filesystem::create_hard_link(first, dir.path() / names[i], ec);
      }
      if (ec) GTEST_SKIP() << "cannot make hard links here: " << ec.message();
      Report report(dir.path());
      ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, report.Observer(), {.jobs = jobs});
      std::sort(report.files.begin(), report.files.end());
      std::vector<std::string> expected;
      for (const std::string& name : names) {
        expected.push_back(name + " converted");
        EXPECT_TRUE(LooksConverted(dir.path() / name)) << name << " -j " << jobs;
      }
      EXPECT_EQ(report.files, expected) << names.size() << " names, -j " << jobs;
    }
  }
}

TEST(ConvertFolderTest, PassesOverAnUnreadableSubfolder) {
  TempDir dir;
  dir.Write("a/x.txt", kSubRip);
  dir.Write("locked/y.txt", kSubRip);
  dir.Write("z/w.txt", kSubRip);
  std::filesystem::permissions(dir.path() / "locked", std::filesystem::perms::none);
  std::error_code ec;
  std::filesystem::directory_iterator probe(dir.path() / "locked", ec);
  if (!ec) GTEST_SKIP() << "a folder without permissions is still readable here (root, or Windows)";

  Report report(dir.path());
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, report.Observer());
  std::sort(report.files.begin(), report.files.end());
  EXPECT_EQ(report.files, (std::vector<std::string>{"a/x.txt converted", "z/w.txt converted"}));
  EXPECT_EQ(report.unreadable, (std::vector<std::string>{"locked"}));
}

TEST(ConvertFolderTest, LeavesAFifoNamedLikeAnInputAlone) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no FIFOs in the file system";
#else
  TempDir dir;
  ASSERT_EQ(mkfifo((dir.path() / "x.txt").c_str(), 0644), 0);
  dir.Write("y.txt", kSubRip);
  Report report(dir.path());
  // Opening the FIFO for reading would block here forever.
  ConvertFolder(DefaultFileSystem(), dir.path(), {}, {}, report.Observer());
  std::sort(report.files.begin(), report.files.end());
  EXPECT_EQ(report.files,
            (std::vector<std::string>{"x.txt not a regular file", "y.txt converted"}));
  EXPECT_TRUE(std::filesystem::is_fifo(dir.path() / "x.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "x.txt_original"));
#endif
}

TEST(ConvertFolderTest, RefusesTheRootButConvertsANamedFileThere) {
  MemoryFileSystem fs;
  fs.AddFile("/a.txt", kSubRip);
  fs.AddFile("/sub/b.txt", kSubRip);
  ConvertFolder(fs, "/", {});
  EXPECT_EQ(fs.Paths(), (std::vector<std::string>{"/a.txt", "/sub/", "/sub/b.txt"}));
  ConvertFolder(fs, "/", "a.txt");
  EXPECT_EQ(fs.Contents("/a.txt_original"), kSubRip);
}

TEST(ConvertFolderTest, FinishesWhatAnInterruptedRunLeftBehind) {
  MemoryFileSystem fs;
  fs.AddFile("/r/cut.txt_original", kSubRip);  // killed between its two moves
  fs.AddFile("/r/cut.txt_temp",
             "\xEF\xBB\xBF"
             "1 00;00");
  fs.AddFile("/r/stale.txt", kSubRip);  // killed while writing
  fs.AddFile("/r/stale.txt_temp",
             "\xEF\xBB\xBF"
             "1 00;00");
  fs.AddFile("/r/stray.txt_temp", "not ours to touch");
  fs.AddFile("/r/file/mode.txt_original", kSubRip);
  fs.AddFile("/r/file/mode.txt_temp", "");
  Report report("/r");
  ConvertFolder(fs, "/r/file", "mode.txt", {}, report.Observer());
  ConvertFolder(fs, "/r", {}, {}, report.Observer());

  EXPECT_EQ(report.files,
            (std::vector<std::string>{"file/mode.txt converted", "cut.txt converted",
                                      "file/mode.txt backup exists", "stale.txt converted"}));
  for (const char* input : {"/r/cut.txt", "/r/stale.txt", "/r/file/mode.txt"}) {
    EXPECT_EQ(fs.Contents(BackupPathFor(input)), kSubRip) << input;
    EXPECT_TRUE(fs.Contents(input).value_or("").ends_with("Hello \r\n")) << input;
  }
  EXPECT_EQ(fs.Contents("/r/stray.txt_temp"), "not ours to touch");
  EXPECT_EQ(fs.Paths(), (std::vector<std::string>{"/r/", "/r/cut.txt", "/r/cut.txt_original",
                                                  "/r/file/", "/r/file/mode.txt",
                                                  "/r/file/mode.txt_original", "/r/stale.txt",
                                                  "/r/stale.txt_original", "/r/stray.txt_temp"}));
}

// The walk tells the converter which inputs its listing showed without side files, and only
// those skip the first look at them: a file a restore left set aside still goes, wherever the
// walk meets its input (after a subfolder's whole subtree, or deep down).
TEST(ConvertFolderTest, SideFilesInTheListingAreLookedAt) {
  MemoryFileSystem scratch;
  scratch.AddFile("/c.txt", kSubRip);
  ConvertFile(scratch, "/c.txt");
  const std::string converted = scratch.Contents("/c.txt").value_or("");
  ASSERT_FALSE(converted.empty());

  MemoryFileSystem fs;
  const char* inputs[] = {"/r/0/1/deep.txt", "/r/0/sub.txt", "/r/top.txt"};
  for (const char* input : inputs) {
    fs.AddFile(input, kSubRip);
    fs.AddFile(AsidePathFor(input).string(), converted);
  }
  fs.AddFile("/r/alone.txt", kSubRip);
  Report report("/r");
  ConvertFolder(fs, "/r", {}, {}, report.Observer());

  EXPECT_EQ(report.files, (std::vector<std::string>{"0/1/deep.txt converted", "0/sub.txt converted",
                                                    "alone.txt converted", "top.txt converted"}));
  for (const char* input : inputs)
    EXPECT_FALSE(fs.Contents(AsidePathFor(input).string())) << input;
}

// Holds the work file of a/1 until a work file in `other` is created, which only another worker
// can do meanwhile.
class HeldFirstFile : public testing::FaultyFileSystem {
 public:
  HeldFirstFile(FileSystem& inner, std::filesystem::path other)
      : FaultyFileSystem(inner), other_(std::move(other)) {}
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override {
    std::unique_lock lock(mutex_);
    if (path == "/t/a/1.txt_temp") {
      released = changed_.wait_for(lock, std::chrono::seconds(10), [&] { return created_; });
    } else if (path.parent_path() == other_) {
      created_ = true;
      changed_.notify_all();
    }
    lock.unlock();
    return FaultyFileSystem::CreateNew(path, mode, file);
  }
  bool released = false;

 private:
  const std::filesystem::path other_;
  bool created_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
};

// Two workers. In two folders each keeps to its own, and once the bytes cap stops them, a/1
// and b/1 are done before a/2-4, which later batches take; in one big folder, both share it.
// Either way each file is reported once, in walk order.
TEST(ConvertFolderTest, WorkersKeepToTheirFoldersAndReportsToTheWalk) {
  const struct {
    const char* what;
    std::vector<std::string> files;
    std::uint64_t cap;
  } kCases[] = {
      {"two folders, capped", {"a/1", "a/2", "a/3", "a/4", "b/1", "b/2", "b/3", "b/4"}, 1},
      {"one folder", {"a/1", "a/2", "a/3", "a/4", "a/5", "a/6"}, UINT64_MAX},
  };
  for (const auto& c : kCases) {
    MemoryFileSystem memory;
    std::vector<std::string> expected;
    for (const std::string& name : c.files) {
      memory.AddFile("/t/" + name + ".txt", kSubRip);
      expected.push_back(name + ".txt converted");
    }
    HeldFirstFile files(memory, "/t/" + c.files.back().substr(0, 1));
    Report report("/t");
    ConvertFolder(files, "/t", {}, {}, report.Observer(),
                  {.jobs = 2, .batch_files = c.files.size(), .batch_bytes = c.cap});
    EXPECT_TRUE(files.released) << c.what << ": no other worker came";
    EXPECT_EQ(report.files, expected) << c.what;
  }
}

TEST(ConvertFolderTest, ConvertsAtTheBottomOfThousandsOfNestedFolders) {
  MemoryFileSystem fs;
  std::string deepest = "/r";
  for (int i = 0; i < kDepth; ++i)
    deepest += "/d";
  fs.AddFile(deepest + "/a.txt", kSubRip);
  int converted = 0;
  WalkObserver observer;
  observer.on_file = [&](const std::filesystem::path&, const FileResult& result) {
    converted += result.done();
  };
  ConvertFolder(fs, "/r", {}, {}, observer);
  EXPECT_EQ(converted, 1);
  EXPECT_EQ(fs.Contents(deepest + "/a.txt_original"), kSubRip);
}

// What a restore walk said of each backup, by its full path.
std::vector<std::string> Restored(FileSystem& fs, const std::filesystem::path& folder,
                                  const std::filesystem::path& name) {
  Report report("/", /*restore=*/true);
  RestoreBackups(fs, folder, name, {}, report.Observer());
  return report.files;
}

constexpr char kOther[] = "2\r\n00:00:05,000 --> 00:00:06,000\r\nBye\r\n\r\n";
// What the converter leaves under the input's name.
constexpr char kConverted[] =
    "\xEF\xBB\xBF"
    "1 00;00;01;00 00;00;04;00 Hello \r\n";

TEST(RestoreBackupsTest, UndoesAConversionOfAWholeTree) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a.txt", kSubRip);
  fs.AddFile("/r/sub/Movie.TXT", kOther);
  fs.AddFile("/r/notes.md", "keep");
  const auto before = fs.Paths();
  ConvertFolder(fs, "/r", {});
  ASSERT_NE(fs.Contents("/r/a.txt"), kSubRip);

  EXPECT_EQ(
      Restored(fs, "/r", {}),
      (std::vector<std::string>{"r/a.txt_original restored", "r/sub/Movie.TXT_original restored"}));
  EXPECT_EQ(fs.Paths(), before);
  EXPECT_EQ(fs.Contents("/r/a.txt"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/sub/Movie.TXT"), kOther);
}

TEST(RestoreBackupsTest, HandlesWhateverCarriesTheInputsName) {
  MemoryFileSystem fs;
  fs.AddFile("/r/gone.txt_original", kSubRip);  // the converted file was deleted
  fs.AddFile("/r/dir.txt_original", kSubRip);
  fs.AddDir("/r/dir.txt");
  fs.AddFile("/r/link.txt_original", kSubRip);
  fs.AddEntry("/r/link.txt", EntryKind::kLink);
  fs.AddEntry("/r/dangling.txt_original", EntryKind::kLink);
  fs.AddFile("/r/held.txt", "converted");
  fs.AddFile("/r/held.txt_original", kSubRip);
  fs.AddDir("/r/held.txt_undoing");
  EXPECT_EQ(Restored(fs, "/r", {}),
            (std::vector<std::string>{
                "r/dangling.txt_original backup not a regular file",
                "r/dir.txt_original name taken by a folder or link", "r/gone.txt_original restored",
                "r/held.txt_original a file of another program holds the name a restore needs",
                "r/link.txt_original name taken by a folder or link"}));
  EXPECT_EQ(fs.Contents("/r/gone.txt"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/dir.txt_original"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/link.txt_original"), kSubRip);
}

TEST(RestoreBackupsTest, ANamedFileRestoresItsOwnBackup) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a.txt", kConverted);
  fs.AddFile("/r/a.txt_original", kSubRip);
  fs.AddFile("/r/b.txt", kConverted);
  fs.AddFile("/r/b.txt_original", kOther);
  fs.AddFile("/r/c.txt", "never converted");
  EXPECT_EQ(Restored(fs, "/r", "a.txt"), (std::vector<std::string>{"r/a.txt_original restored"}));
  // b.txt is not what converting its backup gives: another program's, and it stays.
  EXPECT_EQ(Restored(fs, "/r", "b.txt_original"),
            (std::vector<std::string>{"r/b.txt_original changed since it was converted"}));
  EXPECT_EQ(Restored(fs, "/r", "c.txt"), (std::vector<std::string>{"r/c.txt_original no backup"}));
  EXPECT_EQ(Restored(fs, "/r", "c.srt"), (std::vector<std::string>{}));
  EXPECT_EQ(fs.Contents("/r/a.txt"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/b.txt"), kConverted);
  EXPECT_EQ(fs.Contents("/r/b.txt_original"), kOther);
  EXPECT_EQ(fs.Contents("/r/c.txt"), "never converted");
}

}  // namespace
}  // namespace kestrane
