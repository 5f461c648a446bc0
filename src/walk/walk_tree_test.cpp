#include "walk/walk_tree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testing/faulty_file_system.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

constexpr int kDepth = testing::kDeepTreeDepth;

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;

// The walk's visits in order, as generic strings, and the folders it could not read.
struct Recorder {
  std::vector<std::string> visited;
  std::vector<std::string> unreadable;

  TreeVisitor Visitor() {
    TreeVisitor visitor;
    visitor.wants = [](const DirEntry&) { return true; };
    visitor.visit = [this](const std::filesystem::path& path, const DirEntry&) {
      visited.push_back(path.generic_string());
    };
    visitor.on_folder_error = [this](const std::filesystem::path& folder, const Status&) {
      unreadable.push_back(folder.generic_string());
    };
    return visitor;
  }
};

TEST(WalkTreeTest, FinishesEachSubtreeBeforeTheNextEntryOfItsParent) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a", "");
  fs.AddFile("/r/m/b", "");
  fs.AddFile("/r/m/n/c", "");
  fs.AddFile("/r/m/z", "");
  fs.AddDir("/r/m/empty");
  fs.AddFile("/r/z", "");
  Recorder recorder;
  EXPECT_TRUE(WalkTree(fs, "/r", recorder.Visitor()));
  EXPECT_EQ(recorder.visited,
            (std::vector<std::string>{"/r/a", "/r/m/b", "/r/m/n/c", "/r/m/z", "/r/z"}));
  EXPECT_TRUE(recorder.unreadable.empty());
}

TEST(WalkTreeTest, VisitsOnlyChosenEntriesAndNeverDescendsIntoLinks) {
  MemoryFileSystem fs;
  fs.AddFile("/r/keep", "");
  fs.AddFile("/r/drop", "");
  fs.AddEntry("/r/link", EntryKind::kLink);
  fs.AddEntry("/r/fifo", EntryKind::kOther);
  FaultyFileSystem counting(fs);
  std::vector<std::string> asked;
  Recorder recorder;
  TreeVisitor visitor = recorder.Visitor();
  visitor.wants = [&](const DirEntry& entry) {
    asked.push_back(entry.name.generic_string());
    return entry.name != "drop";
  };
  WalkTree(counting, "/r", visitor);
  EXPECT_EQ(asked, (std::vector<std::string>{"drop", "fifo", "keep", "link"}));
  EXPECT_EQ(recorder.visited, (std::vector<std::string>{"/r/fifo", "/r/keep", "/r/link"}));
  EXPECT_EQ(counting.Calls(FaultyFileSystem::Op::kList), 1) << "only /r itself is listed";
}

TEST(WalkTreeTest, NeverMeetsEntriesCreatedInAFolderAlreadyListed) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a", "");
  Recorder recorder;
  TreeVisitor visitor = recorder.Visitor();
  auto record = visitor.visit;
  visitor.visit = [&](const std::filesystem::path& path, const DirEntry& entry) {
    record(path, entry);
    fs.AddFile(path.string() + "_original", "");  // sorts after "a": a live listing would meet it
  };
  WalkTree(fs, "/r", visitor);
  EXPECT_EQ(recorder.visited, (std::vector<std::string>{"/r/a"}));
}

TEST(WalkTreeTest, PassesOverAFolderThatCannotBeListedAndGoesOn) {
  MemoryFileSystem fs;
  fs.AddFile("/r/a/x", "");
  fs.AddFile("/r/b/lost", "");
  fs.AddFile("/r/b/sub/lost", "");
  fs.AddFile("/r/c/y", "");
  FaultyFileSystem faulty(fs);
  faulty.FailOn(FaultyFileSystem::Op::kList, 3);  // /r, /r/a, then /r/b
  Recorder recorder;
  EXPECT_TRUE(WalkTree(faulty, "/r", recorder.Visitor()));
  EXPECT_EQ(recorder.visited, (std::vector<std::string>{"/r/a/x", "/r/c/y"}));
  EXPECT_EQ(recorder.unreadable, (std::vector<std::string>{"/r/b"}));
}

TEST(WalkTreeTest, ReportsAStartFolderThatCannotBeListed) {
  MemoryFileSystem fs;
  Recorder recorder;
  EXPECT_TRUE(WalkTree(fs, "/missing", recorder.Visitor()));
  EXPECT_EQ(recorder.unreadable, (std::vector<std::string>{"/missing"}));
  EXPECT_TRUE(recorder.visited.empty());
}

TEST(WalkTreeTest, NestingThousandsDeepUsesNoMoreCallStackThanOneLevel) {
  MemoryFileSystem fs;
  std::string deepest = "/r";
  for (int i = 0; i < kDepth; ++i)
    deepest += "/d";
  fs.AddFile("/r/top", "");
  fs.AddFile(deepest + "/bottom", "");

  // A recursive walk would visit the bottom file thousands of frames below the top one.
  std::vector<std::uintptr_t> stack_at_visit;
  Recorder recorder;
  TreeVisitor visitor = recorder.Visitor();
  auto record = visitor.visit;
  visitor.visit = [&](const std::filesystem::path& path, const DirEntry& entry) {
    volatile char marker = 0;
    stack_at_visit.push_back(reinterpret_cast<std::uintptr_t>(&marker));
    record(path, entry);
  };
  WalkTree(fs, "/r", visitor);
  ASSERT_EQ(recorder.visited, (std::vector<std::string>{deepest + "/bottom", "/r/top"}));
  EXPECT_EQ(stack_at_visit[0], stack_at_visit[1]);
}

TEST(WalkTreeTest, RefusesEverySpellingOfTheRoot) {
  struct Case {
    const char* folder;
    bool root;
  };
  const Case cases[] = {
      {"/", true},          {"/r/..", true}, {"//", true},    {"/./", true},
      {"/r", false},        {"r", false},    {"", false},     {"/r/../r", false},
#ifdef _WIN32
      {"C:\\", true},       {"C:", true},    {"C:\\.", true}, {"C:\\Subs", false},
      {"C:/Subs/..", true},
#endif
  };
  MemoryFileSystem fs;
  fs.AddDir("/r");
  for (const Case& c : cases) {
    FaultyFileSystem counting(fs);
    EXPECT_EQ(IsDriveRoot(counting, c.folder), c.root) << c.folder;
    EXPECT_EQ(WalkTree(counting, c.folder, {}), !c.root) << c.folder;
    if (c.root) {
      EXPECT_EQ(counting.Calls(FaultyFileSystem::Op::kList), 0) << c.folder;
    }
  }
}

}  // namespace
}  // namespace kestrane
