// Every step of a conversion made to fail in turn, in memory and on the real disk: the original
// bytes must survive under the input's name or the backup name, and no work file may be left.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "convert/convert_file.h"
#include "testing/faulty_file_system.h"
#include "testing/memory_file_system.h"
#include "testing/temp_dir.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using Op = FaultyFileSystem::Op;
using Kind = FileResult::Kind;
using Reason = FileResult::Reason;

const std::string kOriginal =
    "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n"
    "2\r\n00:00:05,000 --> 00:00:06,000\r\nBye\r\n";

struct Fault {
  Op op;
  int nth;
  Status::Code code = Status::Code::kIo;
};

// Larger than any reader's buffer, with text in a legacy code page at its end: choosing the code
// page reads it again from its start.
const std::string kLongLegacy = "1\r\n00:00:01,000 --> 00:00:04,000\r\n" +
                                std::string(100'000, 'a') +
                                "\r\n\r\n2\r\n00:00:05,000 --> 00:00:06,000\r\nD\xe9j\xe0\r\n";

struct FailureCase {
  const char* name;
  std::vector<Fault> faults;
  Kind kind;
  Reason reason;
  // Where the original bytes end up, "a.txt" or "a.txt_original", and every name left.
  const char* original_at;
  std::set<std::string> names;
  const std::string& original = kOriginal;
};

const std::set<std::string> kUntouched = {"a.txt"};
const std::set<std::string> kConverted = {"a.txt", "a.txt_original"};

const FailureCase kFailures[] = {
    {"Open", {{Op::kOpen, 1}}, Kind::kFailed, Reason::kOpen, "a.txt", kUntouched},
    {"MarkRead", {{Op::kRead, 1}}, Kind::kFailed, Reason::kRead, "a.txt", kUntouched},
    {"Rewind", {{Op::kRewind, 1}}, Kind::kFailed, Reason::kRead, "a.txt", kUntouched, kLongLegacy},
    {"LineRead", {{Op::kRead, 2}}, Kind::kFailed, Reason::kRead, "a.txt", kUntouched},
    {"CreateWork", {{Op::kCreate, 1}}, Kind::kFailed, Reason::kCreateWork, "a.txt", kUntouched},
    {"Write", {{Op::kAppend, 1}}, Kind::kFailed, Reason::kWrite, "a.txt", kUntouched},
    {"SyncFileSystem", {{Op::kSyncFs, 1}}, Kind::kFailed, Reason::kSync, "a.txt", kUntouched},
    // Where the system cannot sync itself whole, each file syncs its own data.
    {"SyncFile",
     {{Op::kSyncFs, 1, Status::Code::kUnsupported}, {Op::kSync, 1}},
     Kind::kFailed,
     Reason::kSync,
     "a.txt",
     kUntouched},
    {"Close", {{Op::kClose, 1}}, Kind::kFailed, Reason::kClose, "a.txt", kUntouched},
    // A folder renamed before the barrier: each file syncs itself, and its failure still counts.
    {"SyncFileAfterFolderGone",
     {{Op::kSyncFs, 1, Status::Code::kNotFound}, {Op::kSync, 1}},
     Kind::kFailed,
     Reason::kSync,
     "a.txt",
     kUntouched},
    // The work file's name cannot be looked at: nothing is moved, and what is there stays.
    {"WorkFileCheck",
     {{Op::kStat, 11}},
     Kind::kFailed,
     Reason::kStat,
     "a.txt",
     {"a.txt", "a.txt_temp"}},
    {"CheckForWriters", {{Op::kStat, 10}}, Kind::kSkipped, Reason::kChanged, "a.txt", kUntouched},
    {"BackupMove", {{Op::kMove, 1}}, Kind::kFailed, Reason::kBackupMove, "a.txt", kUntouched},
    {"InstallMoveRolledBack",
     {{Op::kMove, 2}},
     Kind::kFailed,
     Reason::kInstallMove,
     "a.txt",
     kUntouched},
    // The work file stays beside the backup, so the next run finishes the conversion.
    {"InstallMoveAndRollback",
     {{Op::kMove, 2}, {Op::kMove, 3}},
     Kind::kFailed,
     Reason::kInstallMove,
     "a.txt_original",
     {"a.txt_original", "a.txt_temp"}},
    {"WriteAndCleanup",
     {{Op::kAppend, 1}, {Op::kRemove, 1}},
     Kind::kFailed,
     Reason::kWrite,
     "a.txt",
     {"a.txt", "a.txt_temp"}},
    // Done, but not known to survive a power cut: a warning, not a failure.
    {"SyncFolder",
     {{Op::kSyncDir, 1}},
     Kind::kDone,
     Reason::kSyncFolder,
     "a.txt_original",
     kConverted},
    // Not knowing whether a backup exists is no reason to stop: the moves never replace one.
    {"BackupLookup", {{Op::kStat, 7}}, Kind::kDone, Reason::kNone, "a.txt_original", kConverted},
    // A claim that cannot be checked is looked at again.
    {"ClaimCheck", {{Op::kStat, 8}}, Kind::kDone, Reason::kNone, "a.txt_original", kConverted},
    // A system without locks: as safe as before locks, through the moves that replace nothing.
    {"Lock", {{Op::kLock, 1}}, Kind::kDone, Reason::kNone, "a.txt_original", kConverted},
};

// The two places a test can run: in memory, and in a real temporary folder.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual FileSystem& fs() = 0;
  virtual std::filesystem::path Put(const std::string& name, const std::string& bytes) = 0;
  virtual std::optional<std::string> Get(const std::string& name) = 0;
  virtual std::set<std::string> Names() = 0;
};

class MemoryBackend : public Backend {
 public:
  FileSystem& fs() override { return fs_; }
  std::filesystem::path Put(const std::string& name, const std::string& bytes) override {
    fs_.AddFile("/d/" + name, bytes);
    return "/d/" + name;
  }
  std::optional<std::string> Get(const std::string& name) override {
    return fs_.Contents("/d/" + name);
  }
  std::set<std::string> Names() override {
    std::set<std::string> names;
    for (const auto& p : fs_.Paths()) {
      if (p.starts_with("/d/") && p != "/d/") names.insert(p.substr(3));
    }
    return names;
  }

 private:
  testing::MemoryFileSystem fs_;
};

class DiskBackend : public Backend {
 public:
  FileSystem& fs() override { return DefaultFileSystem(); }
  std::filesystem::path Put(const std::string& name, const std::string& bytes) override {
    return dir_.Write(name, bytes);
  }
  std::optional<std::string> Get(const std::string& name) override {
    return testing::ReadBytes(dir_.path() / name);
  }
  std::set<std::string> Names() override {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

 private:
  testing::TempDir dir_;
};

class ConvertFailureTest : public ::testing::TestWithParam<std::tuple<bool, FailureCase>> {};

TEST_P(ConvertFailureTest, TheOriginalSurvives) {
  const auto& [on_disk, c] = GetParam();
  std::unique_ptr<Backend> backend;
  if (on_disk) {
    backend = std::make_unique<DiskBackend>();
  } else {
    backend = std::make_unique<MemoryBackend>();
  }
  std::filesystem::path input = backend->Put("a.txt", c.original);
  FaultyFileSystem faulty(backend->fs());
  for (const Fault& f : c.faults)
    faulty.FailOn(f.op, f.nth, Status::Error(f.code, "injected fault"));

  FileResult result = ConvertFile(faulty, input);

  EXPECT_EQ(faulty.FaultsHit(), static_cast<int>(c.faults.size())) << "a fault was not reached";
  EXPECT_EQ(result.kind, c.kind) << Describe(result.reason) << ": " << result.message;
  EXPECT_EQ(result.reason, c.reason) << Describe(result.reason);
  EXPECT_EQ(backend->Get(c.original_at), c.original);
  EXPECT_EQ(backend->Names(), c.names);
  if (c.kind == Kind::kFailed) {
    EXPECT_FALSE(result.message.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(EveryStep, ConvertFailureTest,
                         ::testing::Combine(::testing::Bool(), ::testing::ValuesIn(kFailures)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "Disk_" : "Memory_") +
                                  std::get<1>(info.param).name;
                         });

// A full disk, as the system reports it, on every write of a long conversion.
TEST(ConvertFailureTest2, NoSpaceOnAnyWrite) {
  std::string input;
  for (int i = 0; i < 20000; ++i) {
    input += std::to_string(i) + "\n00:00:01,000 --> 00:00:02,000\nsome text of a cue\n\n";
  }
  for (int nth = 1;; ++nth) {
    testing::MemoryFileSystem memory;
    memory.AddFile("/d/a.txt", input);
    FaultyFileSystem faulty(memory);
    faulty.FailOn(Op::kAppend, nth, Status::Error(Status::Code::kNoSpace, "disk full"));
    FileResult result = ConvertFile(faulty, "/d/a.txt");
    if (faulty.FaultsHit() == 0) {
      EXPECT_TRUE(result.done());
      EXPECT_GT(nth, 2) << "the output should take several writes";
      break;
    }
    EXPECT_EQ(result.reason, Reason::kWrite) << "write " << nth;
    EXPECT_EQ(memory.Contents("/d/a.txt"), input) << "write " << nth;
    EXPECT_EQ(memory.Paths(), (std::vector<std::string>{"/d/", "/d/a.txt"})) << "write " << nth;
  }
}

}  // namespace
}  // namespace kestrane
