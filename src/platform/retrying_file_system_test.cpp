#include "platform/retrying_file_system.h"

#include <gtest/gtest.h>

#include <functional>

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
    {"create", Op::kCreate,
     [](FileSystem& fs, const fs::path& p) {
       std::unique_ptr<WritableFile> file;
       return fs.CreateNew(p.string() + "_temp", 0644, &file);
     }},
    {"move", Op::kMove,
     [](FileSystem& fs, const fs::path& p) { return fs.MoveNoReplace(p, p.string() + "_x"); }},
    {"remove", Op::kRemove, [](FileSystem& fs, const fs::path& p) { return fs.Remove(p); }},
};

TEST(RetryingFileSystem, WaitsForABriefHoldToEnd) {
  for (const auto& call : kCalls) {
    for (Code code : {Code::kBusy, Code::kAccessDenied}) {
      Stack stack;
      stack.faulty.FailCalls(call.op, 1, 3, Status::Error(code, "held"));
      Status status = call.run(stack.retrying, "/d/a.txt");
      EXPECT_TRUE(status.ok()) << call.name << ": " << status.message();
      EXPECT_EQ(stack.faulty.Calls(call.op), 4) << call.name << ", code " << int(code);
    }
  }
}

TEST(RetryingFileSystem, GivesUpInTimeAndThenNotAgainInThatFolder) {
  for (const auto& call : kCalls) {
    Stack stack;
    stack.faulty.FailCalls(call.op, 1, 1000, Status::Error(Code::kAccessDenied, "read-only"));
    EXPECT_EQ(call.run(stack.retrying, "/d/a.txt").code(), Code::kAccessDenied) << call.name;
    const int tries = stack.faulty.Calls(call.op);
    EXPECT_GT(tries, 3) << call.name;
    EXPECT_LE(stack.now - Clock::time_point(), RetryingFileSystem::kPatience) << call.name;

    EXPECT_EQ(call.run(stack.retrying, "/d/b.txt").code(), Code::kAccessDenied) << call.name;
    EXPECT_EQ(stack.faulty.Calls(call.op), tries + 1) << call.name << ": tried again in /d";

    EXPECT_EQ(call.run(stack.retrying, "/e/c.txt").code(), Code::kAccessDenied) << call.name;
    EXPECT_GT(stack.faulty.Calls(call.op), tries + 2) << call.name << ": /e is retried";
  }
}

TEST(RetryingFileSystem, OtherFailuresAndLocksAreNotRetried) {
  for (const auto& call : kCalls) {
    for (Code code : {Code::kNotFound, Code::kExists, Code::kNoSpace, Code::kIo}) {
      Stack stack;
      stack.faulty.FailCalls(call.op, 1, 2, Status::Error(code, "lasting"));
      EXPECT_EQ(call.run(stack.retrying, "/d/a.txt").code(), code) << call.name;
      EXPECT_EQ(stack.faulty.Calls(call.op), 1) << call.name << ", code " << int(code);
    }
  }
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
