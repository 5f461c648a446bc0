// One file's conversion in each state of its trio, and against other runs and programs.
#include "convert/in_place_conversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "convert/conversion_batch.h"
#include "testing/faulty_file_system.h"
#include "testing/trio.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using trio::kBytes;
using trio::Put;
using trio::Restore;
using trio::Said;
using trio::Show;
using Op = FaultyFileSystem::Op;

// What a walk does with an input it met only through its work file: finish the conversion that
// a run cut short between its moves, and nothing in any other state.
std::optional<FileResult> FinishInterrupted(FileSystem& fs, const std::filesystem::path& input) {
  ConversionBatch batch(fs, {}, SubtitleConverter({}), 1);
  batch.Prepare(0, {input, /*interrupted_only=*/true});
  return batch.Finish()[0];
}

struct StateCase {
  const char* state;
  const char* files;
  const char* convert;  // what converting says, and the files after it
  const char* converted_files;
  const char* recover;  // what finishing an interrupted conversion alone says ("-": nothing)
  const char* restore;  // what restoring the backup says, and the files after it
  const char* restored_files;
  bool claims;  // whether converting claims the file, so that another run's claim stops it
};

const StateCase kStates[] = {
    {"untouched", "a.txt=S", "done", "a.txt=C a.txt_original=S", "-", "no backup", "a.txt=S", true},
    {"untouched, no cue", "a.txt=N", "no subtitle", "a.txt=N", "-", "no backup", "a.txt=N", true},
    {"leftover work file", "a.txt=S a.txt_temp=T", "done", "a.txt=C a.txt_original=S", "-",
     "no backup", "a.txt=S a.txt_temp=T", true},
    {"converted", "a.txt=C a.txt_original=S", "backup exists", "a.txt=C a.txt_original=S", "-",
     "done", "a.txt=S", false},
    {"converted, stray work file", "a.txt=C a.txt_original=S a.txt_temp=T", "backup exists",
     "a.txt=C a.txt_original=S a.txt_temp=T", "-", "done", "a.txt=S a.txt_temp=T", false},
    {"skipped for someone else's backup", "a.txt=S a.txt_original=O", "backup exists",
     "a.txt=S a.txt_original=O", "-", "changed since it was converted", "a.txt=S a.txt_original=O",
     false},
    {"interrupted between the moves", "a.txt_original=S a.txt_temp=T", "done, recovered",
     "a.txt=C a.txt_original=S", "done, recovered", "done", "a.txt=S a.txt_temp=T", true},
    // No run leaves a work file beside a backup without a cue: it cannot be a cut conversion.
    {"a work file beside a backup without a cue", "a.txt_original=N a.txt_temp=T",
     "a file of another program holds the work file's name", "a.txt_original=N a.txt_temp=T",
     "a file of another program holds the work file's name", "done", "a.txt=N a.txt_temp=T", true},
    {"lone backup", "a.txt_original=S", "backup without its file", "a.txt_original=S", "-", "done",
     "a.txt=S", false},
    {"someone else's work file", "a.txt=S a.txt_temp=O",
     "a file of another program holds the work file's name", "a.txt=S a.txt_temp=O", "-",
     "no backup", "a.txt=S a.txt_temp=O", true},
    {"converted, a restore stopped after setting it aside", "a.txt_original=S a.txt_undoing=C",
     "backup exists", "a.txt=C a.txt_original=S", "-", "done", "a.txt=S", true},
    {"restored, a restore stopped before removing what it set aside", "a.txt=S a.txt_undoing=C",
     "done", "a.txt=C a.txt_original=S", "-", "done, recovered", "a.txt=S", true},
    {"someone else's file with the name a restore sets aside", "a.txt=S a.txt_undoing=O", "done",
     "a.txt=C a.txt_original=S a.txt_undoing=O", "-", "no backup", "a.txt=S a.txt_undoing=O", true},
    {"stray work file", "a.txt_temp=T", "no such file", "a.txt_temp=T", "-", "no backup",
     "a.txt_temp=T", false},
    {"nothing", "", "no such file", "", "-", "no backup", "", false},
};

TEST(InPlaceConversionTest, EachStateIsConvertedRecoveredAndRestoredAsItShouldBe) {
  const ConvertOptions dry{.dry_run = true};
  for (const StateCase& c : kStates) {
    MemoryFileSystem fs;
    Put(fs, c.files);
    FileResult converted = ConvertFile(fs, "/d/a.txt");
    EXPECT_EQ(Said(converted), c.convert) << c.state;
    EXPECT_EQ(Show(fs), c.converted_files) << c.state;

    MemoryFileSystem recovering;
    Put(recovering, c.files);
    EXPECT_EQ(Said(FinishInterrupted(recovering, "/d/a.txt")), c.recover) << c.state;

    MemoryFileSystem restoring;
    Put(restoring, c.files);
    FileResult restored = Restore(restoring, "/d/a.txt_original");
    EXPECT_EQ(Said(restored), c.restore) << c.state;
    EXPECT_EQ(Show(restoring), c.restored_files) << c.state;

    // A dry run says the same and changes nothing.
    MemoryFileSystem looking;
    Put(looking, c.files);
    EXPECT_EQ(Said(ConvertFile(looking, "/d/a.txt", dry)), c.convert) << c.state << ", dry";
    EXPECT_EQ(Said(Restore(looking, "/d/a.txt_original", true)), c.restore) << c.state << ", dry";
    EXPECT_EQ(Show(looking), c.files) << c.state << ", dry";

    // Another run holds the claim: busy, nothing touched, never a failure.
    MemoryFileSystem held;
    Put(held, c.files);
    FaultyFileSystem other_run(held);
    other_run.FailOn(Op::kLock, 1, Status::Error(Status::Code::kBusy, "held"));
    EXPECT_EQ(Said(ConvertFile(other_run, "/d/a.txt")), c.claims ? "busy" : c.convert)
        << c.state << ", busy";
    EXPECT_EQ(Show(held), c.claims ? c.files : c.converted_files) << c.state << ", busy";
    if (c.restore == std::string("done")) {
      MemoryFileSystem held_backup;
      Put(held_backup, c.files);
      FaultyFileSystem other(held_backup);
      other.FailOn(Op::kLock, 1, Status::Error(Status::Code::kBusy, "held"));
      EXPECT_EQ(Said(Restore(other, "/d/a.txt_original")), "busy") << c.state;
      EXPECT_EQ(Show(held_backup), c.files) << c.state << ", busy";
    }
  }
}

// What a name holds: a file's bytes, or what else is there.
std::string What(MemoryFileSystem& fs, const std::filesystem::path& path) {
  FileInfo info;
  if (!fs.Stat(path, &info).ok()) return "nothing";
  if (info.kind != EntryKind::kFile) return info.kind == EntryKind::kLink ? "a link" : "a folder";
  return *fs.Contents(path);
}

TEST(InPlaceConversionTest, ASideFileIsOursOnlyWhenProvenAndAnyOtherStays) {
  const std::string original =
      "1\r\n00:00:01,500 --> 00:00:04,000\r\nHello\r\n\r\n2\r\n00:00:05,250 --> "
      "00:00:06,000\r\nBye\r\n";
  MemoryFileSystem alone;
  alone.AddFile("/c.txt", original);
  ConvertFile(alone, "/c.txt");
  const std::string list = *alone.Contents("/c.txt");
  alone.AddFile("/25.txt", original);
  ConvertFile(alone, "/25.txt", {.rate = *FrameRate::Parse("25")});
  const std::string at25 = *alone.Contents("/25.txt");
  // A power cut lost an append in the middle: zeros, from the first line into the second.
  const std::string zeros = std::string(list).replace(20, 30, 30, '\0');
  const char* const kForeignWork = "a file of another program holds the work file's name";
  enum Where { kBesideInput, kBesideBackup };  // a.txt=original, or a.txt_original=original
  const struct {
    const char* name;
    Where where;
    const char* side;   // the side file's suffix
    std::string holds;  // its bytes, or "a folder", "a link"
    const char* said;
    bool side_stays;
    std::string input_after;  // "nothing" for none; a converted input keeps its backup
  } cases[] = {
      {"a mark and notes", kBesideInput, "_temp", "\xEF\xBB\xBFnotes\r\n", kForeignWork, true,
       original},
      {"a cut conversion of another input", kBesideInput, "_temp", kBytes.at('C').substr(0, 20),
       kForeignWork, true, original},
      {"a cut conversion of this one, at 25 fps", kBesideInput, "_temp", at25.substr(0, 40), "done",
       false, list},
      {"empty", kBesideInput, "_temp", "", "done", false, list},
      {"a cut conversion with zeros", kBesideInput, "_temp", zeros, "done", false, list},
      {"a folder", kBesideInput, "_temp", "a folder", kForeignWork, true, original},
      {"a link", kBesideInput, "_temp", "a link", kForeignWork, true, original},
      {"beside the backup, a mark and notes", kBesideBackup, "_temp", "\xEF\xBB\xBFnotes\r\n",
       kForeignWork, true, "nothing"},
      {"beside the backup, a cut conversion with zeros", kBesideBackup, "_temp", zeros,
       "done, recovered", false, list},
      {"set aside, the user's own file", kBesideBackup, "_undoing", kBytes.at('O'),
       "a file of another program holds the name a restore needs", true, "nothing"},
      {"set aside, the backup's conversion", kBesideBackup, "_undoing", at25, "backup exists",
       false, at25},
  };
  for (const auto& c : cases) {
    for (bool dry_run : {false, true}) {
      const std::string name = std::string(c.name) + (dry_run ? ", dry" : "");
      MemoryFileSystem fs;
      fs.AddFile(c.where == kBesideInput ? "/d/a.txt" : "/d/a.txt_original", original);
      const std::string side = std::string("/d/a.txt") + c.side;
      if (c.holds == "a folder") {
        fs.AddDir(side);
      } else if (c.holds == "a link") {
        fs.AddEntry(side, EntryKind::kLink);
      } else {
        fs.AddFile(side, c.holds);
      }
      EXPECT_EQ(Said(ConvertFile(fs, "/d/a.txt", {.dry_run = dry_run})), c.said) << name;
      const bool changes = !dry_run && !c.side_stays;
      EXPECT_EQ(What(fs, side), changes ? "nothing" : c.holds) << name;
      const std::string input_before = c.where == kBesideInput ? original : "nothing";
      EXPECT_EQ(What(fs, "/d/a.txt"), dry_run ? input_before : c.input_after) << name;
      const bool backed_up = c.where == kBesideBackup || (!dry_run && c.input_after != original);
      EXPECT_EQ(What(fs, "/d/a.txt_original"), backed_up ? original : "nothing") << name;
    }
  }
}

TEST(InPlaceConversionTest, AFileAnotherRunHoldsIsBusyUntilItLetsGo) {
  auto convert = [](FileSystem& fs) { return ConvertFile(fs, "/d/a.txt"); };
  auto restore = [](FileSystem& fs) { return Restore(fs, "/d/a.txt_original"); };
  struct Case {
    const char* files;
    const char* held;  // the original, under whichever name it has
    std::function<FileResult(FileSystem&)> run;
    const char* said_after;
  } cases[] = {
      {"a.txt=S", "/d/a.txt", convert, "done"},
      {"a.txt_original=S a.txt_temp=T", "/d/a.txt_original", convert, "done, recovered"},
      {"a.txt=C a.txt_original=S", "/d/a.txt_original", restore, "done"},
      // A restore under way, between its moves: the claim has moved with the backup's file.
      {"a.txt_original=S a.txt_undoing=C", "/d/a.txt_original", restore, "done"},
      {"a.txt_original=S a.txt_undoing=C", "/d/a.txt_original", convert, "backup exists"},
      {"a.txt=S a.txt_undoing=C", "/d/a.txt", restore, "done, recovered"},
      {"a.txt=S a.txt_undoing=C", "/d/a.txt", convert, "done"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    Put(fs, c.files);
    std::unique_ptr<ReadableFile> other_run;
    ASSERT_TRUE(fs.OpenForRead(c.held, &other_run).ok()) << c.files;
    ASSERT_TRUE(other_run->TryLock().ok()) << c.files;
    EXPECT_EQ(Said(c.run(fs)), "busy") << c.files;
    EXPECT_EQ(Show(fs), c.files) << c.files;
    other_run.reset();
    EXPECT_EQ(Said(c.run(fs)), c.said_after) << c.files;
  }
}

// Runs `before_lock` once, as the first claim is about to be taken: another run getting there
// between our look and our claim.
class RaceFileSystem : public MemoryFileSystem {
 public:
  std::function<void()> before_open;
  std::function<void()> before_lock;

  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override {
    if (before_open) std::exchange(before_open, nullptr)();
    Status s = MemoryFileSystem::OpenForRead(path, file);
    if (s.ok()) *file = std::make_unique<Hooked>(std::move(*file), before_lock);
    return s;
  }

 private:
  class Hooked : public ReadableFile {
   public:
    Hooked(std::unique_ptr<ReadableFile> inner, std::function<void()>& hook)
        : inner_(std::move(inner)), hook_(hook) {}
    Status Read(char* buf, std::size_t n, std::size_t* got) override {
      return inner_->Read(buf, n, got);
    }
    Status Rewind() override { return inner_->Rewind(); }
    Status TryLock() override {
      if (hook_) std::exchange(hook_, nullptr)();
      return inner_->TryLock();
    }
    const FileInfo& info() const override { return inner_->info(); }

   private:
    std::unique_ptr<ReadableFile> inner_;
    std::function<void()>& hook_;
  };
};

// Converts an input its folder's listing showed without side files, as a walk does.
FileResult ConvertListedAlone(FileSystem& fs, const std::filesystem::path& input) {
  ConversionBatch batch(fs, {}, SubtitleConverter({}), 1);
  batch.Prepare(0, {input, false, {}, /*listed_alone=*/true});
  return *batch.Finish()[0];
}

TEST(InPlaceConversionTest, WhatAnotherRunFinishedBeforeTheClaimIsReportedAsItsNewState) {
  struct Case {
    const char* name;
    const char* files;
    std::function<void(MemoryFileSystem&)> other_run;
    std::function<FileResult(FileSystem&)> ours;
    const char* said;
    const char* files_after;
    bool before_open = false;  // else between our open and our claim
  } cases[] = {
      {"converted meanwhile", "a.txt=S", [](MemoryFileSystem& fs) { ConvertFile(fs, "/d/a.txt"); },
       [](FileSystem& fs) { return ConvertFile(fs, "/d/a.txt"); }, "backup exists",
       "a.txt=C a.txt_original=S"},
      {"interrupted run finished meanwhile", "a.txt_original=S a.txt_temp=T",
       [](MemoryFileSystem& fs) { ConvertFile(fs, "/d/a.txt"); },
       [](FileSystem& fs) { return ConvertFile(fs, "/d/a.txt"); }, "backup exists",
       "a.txt=C a.txt_original=S"},
      // The claim we then get is on the restored original: removing "the converted file"
      // would remove it.
      {"restored meanwhile", "a.txt=C a.txt_original=S",
       [](MemoryFileSystem& fs) { Restore(fs, "/d/a.txt_original"); },
       [](FileSystem& fs) { return Restore(fs, "/d/a.txt_original"); }, "no backup", "a.txt=S"},
      // The listing showed the input alone, so no backup is looked for before the claim: the
      // file we hold is then the other run's conversion, or the backup is someone else's.
      {"converted after the listing", "a.txt=S",
       [](MemoryFileSystem& fs) { ConvertFile(fs, "/d/a.txt"); },
       [](FileSystem& fs) { return ConvertListedAlone(fs, "/d/a.txt"); }, "backup exists",
       "a.txt=C a.txt_original=S", true},
      {"a backup put there after the listing", "a.txt=S",
       [](MemoryFileSystem& fs) { Put(fs, "a.txt_original=O"); },
       [](FileSystem& fs) { return ConvertListedAlone(fs, "/d/a.txt"); }, "backup exists",
       "a.txt=S a.txt_original=O", true},
  };
  for (const Case& c : cases) {
    RaceFileSystem fs;
    Put(fs, c.files);
    (c.before_open ? fs.before_open : fs.before_lock) = [&] { c.other_run(fs); };
    EXPECT_EQ(Said(c.ours(fs)), c.said) << c.name;
    EXPECT_EQ(Show(fs), c.files_after) << c.name;
  }
}

TEST(InPlaceConversionTest, AFailedFinalMoveNeverStrandsTheOriginal) {
  // The work file cannot take the input's name, nor the original go back: the work file stays
  // beside the backup, and the next run finishes the conversion.
  MemoryFileSystem memory;
  Put(memory, "a.txt=S");
  FaultyFileSystem fs(memory);
  fs.FailOn(Op::kMove, 2);
  fs.FailOn(Op::kMove, 3);
  FileResult result = ConvertFile(fs, "/d/a.txt");
  EXPECT_EQ(result.kind, FileResult::Kind::kFailed);
  EXPECT_EQ(Said(result), "moving the converted file into place");
  EXPECT_EQ(Show(memory), "a.txt_original=S a.txt_temp=C");
  EXPECT_EQ(Said(ConvertFile(memory, "/d/a.txt")), "done, recovered");
  EXPECT_EQ(Show(memory), "a.txt=C a.txt_original=S");

  // The same when finishing, whose first move puts the backup back: the work file is what
  // makes the backup an interrupted conversion.
  struct Case {
    std::vector<int> failing_moves;
    const char* said;
    const char* files_after;
  } cases[] = {
      {{1}, "moving the backup back", "a.txt_original=S a.txt_temp=T"},
      // The leftover work file goes through a move of its own on its way out.
      {{4, 5}, "moving the converted file into place", "a.txt_original=S a.txt_temp=C"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem finishing;
    Put(finishing, "a.txt_original=S a.txt_temp=T");
    FaultyFileSystem failing(finishing);
    for (int nth : c.failing_moves)
      failing.FailOn(Op::kMove, nth);
    EXPECT_EQ(Said(ConvertFile(failing, "/d/a.txt")), c.said) << c.said;
    EXPECT_EQ(Show(finishing), c.files_after) << c.said;
    EXPECT_EQ(Said(ConvertFile(finishing, "/d/a.txt")), "done, recovered") << c.said;
  }
}

}  // namespace
}  // namespace kestrane
