// The wrappers of a file system pass every call on, to the method it was made as, and give back
// what they got; and a failure run on the real disk through the fault injector still reaches
// the folders a batch holds.
#include "platform/file_system_wrapper.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/retrying_file_system.h"
#include "testing/faulty_file_system.h"
#include "testing/temp_dir.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using Op = testing::FaultyFileSystem::Op;

// Notes the method of every call and answers it in a way that shows whose answer it is: every
// call that gives a status fails with the method's name.
class RecordingFileSystem : public FileSystem {
 public:
  std::vector<std::string> calls;

  Status OpenForRead(const fs::path&, std::unique_ptr<ReadableFile>*) override {
    return Note("OpenForRead");
  }
  Status OpenListedForRead(const fs::path&, std::unique_ptr<ReadableFile>*) override {
    return Note("OpenListedForRead");
  }
  Status CreateNew(const fs::path&, FileMode, std::unique_ptr<WritableFile>*) override {
    return Note("CreateNew");
  }
  Status MoveNoReplace(const fs::path&, const fs::path&) override { return Note("MoveNoReplace"); }
  Status Link(const fs::path&, const fs::path&) override { return Note("Link"); }
  Status Rename(const fs::path&, const fs::path&) override { return Note("Rename"); }
  Status CopyNew(const fs::path&, const fs::path&) override { return Note("CopyNew"); }
  Status Remove(const fs::path&) override { return Note("Remove"); }
  Status Stat(const fs::path&, FileInfo*) override { return Note("Stat"); }
  Status SyncDir(const fs::path&) override { return Note("SyncDir"); }
  Status SyncFileSystem(const fs::path&) override { return Note("SyncFileSystem"); }
  Status ListDir(const fs::path&, std::vector<DirEntry>*) override { return Note("ListDir"); }
  fs::path RealName(const fs::path&) override {
    calls.push_back("RealName");
    return "real";
  }
  std::size_t FreeFileHandles() override {
    calls.push_back("FreeFileHandles");
    return 42;
  }
  std::unique_ptr<FolderHandles> HoldFolders() override {
    calls.push_back("HoldFolders");
    return std::make_unique<FolderHandles>();
  }
  std::unique_ptr<FolderHandles> HoldTree(const fs::path&) override {
    calls.push_back("HoldTree");
    return std::make_unique<FolderHandles>();
  }

 private:
  Status Note(const char* method) {
    calls.push_back(method);
    return Status::Error(Status::Code::kIo, method);
  }
};

// Every method of FileSystem, called once, and what came back as text.
const struct {
  const char* method;
  std::function<std::string(FileSystem&)> call;
  const char* answer;  // the recording file system's
} kMethods[] = {
    {"OpenForRead",
     [](FileSystem& fs) {
       std::unique_ptr<ReadableFile> file;
       return fs.OpenForRead("/d/a.txt", &file).message();
     },
     "OpenForRead"},
    {"OpenListedForRead",
     [](FileSystem& fs) {
       std::unique_ptr<ReadableFile> file;
       return fs.OpenListedForRead("/d/a.txt", &file).message();
     },
     "OpenListedForRead"},
    {"CreateNew",
     [](FileSystem& fs) {
       std::unique_ptr<WritableFile> file;
       return fs.CreateNew("/d/a.txt_temp", 0644, &file).message();
     },
     "CreateNew"},
    {"MoveNoReplace", [](FileSystem& fs) { return fs.MoveNoReplace("/d/a", "/d/b").message(); },
     "MoveNoReplace"},
    {"Link", [](FileSystem& fs) { return fs.Link("/d/a", "/d/b").message(); }, "Link"},
    {"Rename", [](FileSystem& fs) { return fs.Rename("/d/a", "/d/b").message(); }, "Rename"},
    {"CopyNew", [](FileSystem& fs) { return fs.CopyNew("/d/a", "/d/b").message(); }, "CopyNew"},
    {"Remove", [](FileSystem& fs) { return fs.Remove("/d/a.txt").message(); }, "Remove"},
    {"Stat",
     [](FileSystem& fs) {
       FileInfo info;
       return fs.Stat("/d/a.txt", &info).message();
     },
     "Stat"},
    {"SyncDir", [](FileSystem& fs) { return fs.SyncDir("/d").message(); }, "SyncDir"},
    {"SyncFileSystem", [](FileSystem& fs) { return fs.SyncFileSystem("/d").message(); },
     "SyncFileSystem"},
    {"ListDir",
     [](FileSystem& fs) {
       std::vector<DirEntry> entries;
       return fs.ListDir("/d", &entries).message();
     },
     "ListDir"},
    {"RealName", [](FileSystem& fs) { return fs.RealName("/d/A~1.TXT").string(); }, "real"},
    {"FreeFileHandles", [](FileSystem& fs) { return std::to_string(fs.FreeFileHandles()); }, "42"},
    {"HoldFolders",
     [](FileSystem& fs) { return std::string(fs.HoldFolders() ? "held" : "nothing held"); },
     "held"},
    {"HoldTree",
     [](FileSystem& fs) { return std::string(fs.HoldTree("/d") ? "held" : "nothing held"); },
     "held"},
};

const struct {
  const char* name;
  std::function<std::unique_ptr<FileSystem>(FileSystem&)> wrap;
} kWrappers[] = {
    {"FileSystemWrapper", [](FileSystem& fs) { return std::make_unique<FileSystemWrapper>(fs); }},
    {"RetryingFileSystem", [](FileSystem& fs) { return std::make_unique<RetryingFileSystem>(fs); }},
    {"FaultyFileSystem",
     [](FileSystem& fs) { return std::make_unique<testing::FaultyFileSystem>(fs); }},
};

TEST(FileSystemWrapper, EveryCallReachesItsOwnMethodOnceAndItsAnswerComesBack) {
  for (const auto& wrapper : kWrappers) {
    for (const auto& method : kMethods) {
      const std::string what = std::string(wrapper.name) + "::" + method.method;
      RecordingFileSystem target;
      const std::unique_ptr<FileSystem> wrapped = wrapper.wrap(target);
      EXPECT_EQ(method.call(*wrapped), method.answer) << what;
      EXPECT_EQ(target.calls, std::vector<std::string>{method.method}) << what;
    }
  }
}

// A batch holds its folders while it seals and moves its files, and a failure run on the disk
// drives that through the fault injector: the calls after a fault must still go through the
// folder the hold opened, which a folder renamed meanwhile shows, its old name being gone.
TEST(FileSystemWrapper, AFailureRunOnTheDiskReachesTheHeldFolder) {
  if (!DefaultFileSystem().HoldFolders()) {
    GTEST_SKIP() << "this platform's file system holds no folders";
  }
  const struct {
    const char* name;
    Op op;
    std::function<Status(FileSystem&, const fs::path& folder)> call;
    std::vector<std::string> after;  // the renamed folder's names once the call went through
  } cases[] = {
      {"open",
       Op::kOpen,
       [](FileSystem& fs, const fs::path& d) {
         std::unique_ptr<ReadableFile> file;
         return fs.OpenForRead(d / "a.txt", &file);
       },
       {"a.txt"}},
      {"listed open",
       Op::kOpen,
       [](FileSystem& fs, const fs::path& d) {
         std::unique_ptr<ReadableFile> file;
         return fs.OpenListedForRead(d / "a.txt", &file);
       },
       {"a.txt"}},
      {"create",
       Op::kCreate,
       [](FileSystem& fs, const fs::path& d) {
         std::unique_ptr<WritableFile> file;
         Status status = fs.CreateNew(d / "a.txt_temp", 0644, &file);
         return status.ok() ? file->Close() : status;
       },
       {"a.txt", "a.txt_temp"}},
      {"move",
       Op::kMove,
       [](FileSystem& fs, const fs::path& d) {
         return fs.MoveNoReplace(d / "a.txt", d / "a.txt_original");
       },
       {"a.txt_original"}},
      {"remove",
       Op::kRemove,
       [](FileSystem& fs, const fs::path& d) { return fs.Remove(d / "a.txt"); },
       {}},
      {"stat",
       Op::kStat,
       [](FileSystem& fs, const fs::path& d) {
         FileInfo info;
         return fs.Stat(d / "a.txt", &info);
       },
       {"a.txt"}},
      {"sync folder",
       Op::kSyncDir,
       [](FileSystem& fs, const fs::path& d) { return fs.SyncDir(d); },
       {"a.txt"}},
  };
  for (const auto& c : cases) {
    testing::TempDir dir;
    const fs::path folder = dir.path() / "d";
    dir.Write("d/a.txt", "bytes");
    testing::FaultyFileSystem faulty(DefaultFileSystem());
    const std::unique_ptr<FolderHandles> held = faulty.HoldFolders();
    FileInfo info;
    ASSERT_TRUE(faulty.Stat(folder / "a.txt", &info).ok()) << c.name;
    fs::rename(folder, dir.path() / "renamed");
    faulty.FailOn(c.op, faulty.Calls(c.op) + 1);

    EXPECT_EQ(c.call(faulty, folder).message(), "injected fault") << c.name;
    const Status status = c.call(faulty, folder);
    EXPECT_TRUE(status.ok()) << c.name << ": " << status.message();
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path() / "renamed"))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.after) << c.name;
  }
}

}  // namespace
}  // namespace kestrane
