#include "platform/retrying_file_system.h"

#include <gtest/gtest.h>

#include <functional>

#include "testing/faulty_file_system.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

namespace fs = std::filesystem;
using Code = Status::Code;
using Op = testing::FaultyFileSystem::Op;
using Clock = RetryingFileSystem::Clock;

// Files in /d and /e, reached through a faulty file system on a clock that moves only in sleeps.
struct Stack {
  testing::MemoryFileSystem memory;
  testing::FaultyFileSystem faulty{memory};
  Clock::time_point now{};
  int sleeps = 0;
  RetryingFileSystem retrying{faulty,
                              {[this] { return now; },
                               [this](Clock::duration d) {
                                 now += d;
                                 ++sleeps;
                               }}};
  Stack() {
    for (const char* name : {"/d/a.txt", "/d/b.txt", "/e/c.txt"})
      memory.AddFile(name, "bytes");
  }
};

const struct {
  const char* name;
  Op op;
  std::function<Status(FileSystem&, const fs::path&)> run;  // on an existing file
} kCalls[] = {
    {"open", Op::kOpen,
     [](FileSystem& fs, const fs::path& p) {
       std::unique_ptr<ReadableFile> file;
       return fs.OpenForRead(p, &file);
     }},
    {"listed open", Op::kOpen,
     [](FileSystem& fs, const fs::path& p) {
       std::unique_ptr<ReadableFile> file;
       return fs.OpenListedForRead(p, &file);
     }},
    {"create", Op::kCreate,
     [](FileSystem& fs, const fs::path& p) {
       std::unique_ptr<WritableFile> file;
       return fs.CreateNew(p.string() + "_temp", 0644, &file);
     }},
    {"move", Op::kMove,
     [](FileSystem& fs, const fs::path& p) { return fs.MoveNoReplace(p, p.string() + "_x"); }},
    {"link", Op::kLink,
     [](FileSystem& fs, const fs::path& p) { return fs.Link(p, p.string() + "_x"); }},
    {"rename", Op::kRename,
     [](FileSystem& fs, const fs::path& p) { return fs.Rename(p, p.string() + "_x"); }},
    {"copy", Op::kCopy,
     [](FileSystem& fs, const fs::path& p) { return fs.CopyNew(p, p.string() + "_x"); }},
    {"remove", Op::kRemove, [](FileSystem& fs, const fs::path& p) { return fs.Remove(p); }},
};

// What each failure costs. A sharing or lock violation and a pending delete all arrive as
// kBusy and end when the other program lets go; the rest, access denied included (permissions,
// write-protected media, a read-only share), lasts.
const struct {
  const char* fault;  // the fault each row catches
  Code code;
  int failing;  // calls that fail before one succeeds
  Code expected;
  int tries;  // calls made; 0 for "more than three, within the patience"
} kRules[] = {
    {"a brief hold is not waited out", Code::kBusy, 3, Code::kOk, 4},
    {"a lasting hold is waited for without end", Code::kBusy, 1000, Code::kBusy, 0},
    {"access denied is retried as if transient", Code::kAccessDenied, 1000, Code::kAccessDenied, 1},
    {"a missing file is retried", Code::kNotFound, 2, Code::kNotFound, 1},
    {"a taken name is retried", Code::kExists, 2, Code::kExists, 1},
    {"a full disk is retried", Code::kNoSpace, 2, Code::kNoSpace, 1},
    {"an I/O error is retried", Code::kIo, 2, Code::kIo, 1},
};

TEST(RetryingFileSystem, RetriesWhatEndsAndNothingElse) {
  for (const auto& call : kCalls) {
    for (const auto& rule : kRules) {
      Stack stack;
      stack.faulty.FailCalls(call.op, 1, rule.failing, Status::Error(rule.code, "fault"));
      const std::string what = std::string(call.name) + ": " + rule.fault;
      EXPECT_EQ(call.run(stack.retrying, "/d/a.txt").code(), rule.expected) << what;
      if (rule.tries != 0) {
        EXPECT_EQ(stack.faulty.Calls(call.op), rule.tries) << what;
      } else {
        EXPECT_GT(stack.faulty.Calls(call.op), 3) << what;
        EXPECT_LE(stack.now - Clock::time_point(), RetryingFileSystem::kPatience) << what;
      }
      if (rule.tries == 1) {
        EXPECT_EQ(stack.sleeps, 0) << what;
      }
    }
  }
}

// A call that ran out of patience says nothing of the next: the second move of a conversion and
// its rollback are waited for even after a hold on another file of the folder outlasted one.
TEST(RetryingFileSystem, EachCallHasItsOwnPatience) {
  for (const auto& call : kCalls) {
    Stack probe;  // how many tries one call's patience holds
    probe.faulty.FailCalls(call.op, 1, 1000, Status::Error(Code::kBusy, "held"));
    (void)call.run(probe.retrying, "/d/a.txt");
    const int tries = probe.faulty.Calls(call.op);

    // The first call outlasted by a hold, the next one in the same folder held briefly.
    Stack stack;
    stack.faulty.FailCalls(call.op, 1, tries + 2, Status::Error(Code::kBusy, "held"));
    EXPECT_EQ(call.run(stack.retrying, "/d/a.txt").code(), Code::kBusy) << call.name;
    EXPECT_TRUE(call.run(stack.retrying, "/d/b.txt").ok()) << call.name << ": given up in /d";
    EXPECT_EQ(stack.faulty.Calls(call.op), tries + 3) << call.name;
  }
}

TEST(RetryingFileSystem, LocksAreNotRetried) {
  // A lock held by another run means that run converts the file now: said at once.
  Stack stack;
  stack.faulty.FailCalls(Op::kLock, 1, 2, Status::Error(Code::kBusy, "locked"));
  std::unique_ptr<ReadableFile> file;
  ASSERT_TRUE(stack.retrying.OpenForRead("/d/a.txt", &file).ok());
  EXPECT_EQ(file->TryLock().code(), Code::kBusy);
  EXPECT_EQ(stack.faulty.Calls(Op::kLock), 1);
  EXPECT_EQ(stack.sleeps, 0);
}

}  // namespace
}  // namespace kestrane
