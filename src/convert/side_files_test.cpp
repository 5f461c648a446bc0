#include "convert/side_files.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "convert/convert_file.h"
#include "testing/faulty_file_system.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using Op = FaultyFileSystem::Op;

// The bytes a trio holds, by a letter each: S the SubRip original, C its conversion, N a
// text without cues, O some other original, T a stale work file.
const std::map<char, std::string> kBytes = {
    {'S', "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n"},
    {'C',
     "\xEF\xBB\xBF"
     "1 00;00;01;00 00;00;04;00 Hello \r\n"},
    {'N', "no cues\r\n"},
    {'O', "2\r\n00:00:05,000 --> 00:00:06,000\r\nBye\r\n\r\n"},
    {'T', "\xEF\xBB\xBF 1 00;0"},
};

// "a.txt=S a.txt_original=O" into /d.
void Put(MemoryFileSystem& fs, const std::string& files) {
  fs.AddDir("/d");
  std::istringstream in(files);
  for (std::string entry; in >> entry;) {
    fs.AddFile("/d/" + entry.substr(0, entry.size() - 2), kBytes.at(entry.back()));
  }
}

// The files of /d in the same form; "?" for bytes that are none of the above.
std::string Show(const MemoryFileSystem& fs) {
  std::string shown;
  for (const std::string& path : fs.Paths()) {
    if (path == "/d/") continue;
    char letter = '?';
    for (const auto& [l, bytes] : kBytes) {
      if (fs.Contents(path) == bytes) letter = l;
    }
    if (!shown.empty()) shown += ' ';
    shown.append(path, 3);
    shown += '=';
    shown += letter;
  }
  return shown;
}

FileResult Restore(FileSystem& fs, const std::filesystem::path& backup, bool dry_run = false) {
  return RestoreInPlace(fs, backup, {.dry_run = dry_run}, SubtitleConverter({}));
}

std::string Said(const FileResult& result) {
  return std::string(Describe(result.reason)) + (result.recovered ? ", recovered" : "");
}

std::string Said(const std::optional<FileResult>& result) {
  return result ? Said(*result) : "-";
}

struct StateCase {
  const char* state;
  const char* files;
  const char* convert;  // what converting says, and the files after it
  const char* converted_files;
  const char* recover;  // what RecoverFile says ("-": nothing)
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
    {"interrupted, the backup has no cue", "a.txt_original=N a.txt_temp=T", "no subtitle",
     "a.txt=N", "no subtitle", "done", "a.txt=N a.txt_temp=T", true},
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

TEST(SideFilesTest, EachStateIsConvertedRecoveredAndRestoredAsItShouldBe) {
  const ConvertOptions dry{.dry_run = true};
  for (const StateCase& c : kStates) {
    MemoryFileSystem fs;
    Put(fs, c.files);
    FileResult converted = ConvertFile(fs, "/d/a.txt");
    EXPECT_EQ(Said(converted), c.convert) << c.state;
    EXPECT_EQ(Show(fs), c.converted_files) << c.state;

    MemoryFileSystem recovering;
    Put(recovering, c.files);
    EXPECT_EQ(Said(RecoverFile(recovering, "/d/a.txt")), c.recover) << c.state;

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

TEST(SideFilesTest, AFileAnotherRunHoldsIsBusyUntilItLetsGo) {
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

TEST(SideFilesTest, WhatAnotherRunFinishedBeforeTheClaimIsReportedAsItsNewState) {
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

TEST(SideFilesTest, AFailedFinalMoveNeverStrandsTheOriginal) {
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
      {{3, 4}, "moving the converted file into place", "a.txt_original=S a.txt_temp=C"},
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

TEST(SideFilesTest, NamesInBothDirections) {
  struct Case {
    std::filesystem::path name;
    bool input, work, backup;
  };
  const Case cases[] = {
      {"a.txt", true, false, false},
      {"Movie.TXT", true, false, false},
      {"x.tXt", true, false, false},
      {".txt", true, false, false},
      {"a.b.txt", true, false, false},
      {std::filesystem::path(u8"\u00dcbung.TXT"), true, false, false},
      {"a.txt_temp", false, true, false},
      {"Movie.TXT_TEMP", false, true, false},
      {"a.txt_original", false, false, true},
      {"Movie.TXT_Original", false, false, true},
      {"txt", false, false, false},
      {"a.srt", false, false, false},
      {"a", false, false, false},
      {".foo", false, false, false},
      {"a.txt.bak", false, false, false},
      {"a_txt", false, false, false},
      {"a_temp", false, false, false},
      {"a.srt_original", false, false, false},
      {"", false, false, false},
      {std::filesystem::path(u8"a.t\u00d7t"), false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsInputName(c.name), c.input) << c.name;
    EXPECT_EQ(IsWorkName(c.name), c.work) << c.name;
    EXPECT_EQ(IsBackupName(c.name), c.backup) << c.name;
    if (c.work || c.backup) {
      EXPECT_TRUE(IsInputName(InputPathFor(c.name))) << c.name;
    } else {
      EXPECT_EQ(InputPathFor(c.name), c.name);
    }
  }
  EXPECT_EQ(WorkPathFor("/r/Movie.TXT"), std::filesystem::path("/r/Movie.TXT_temp"));
  EXPECT_EQ(BackupPathFor("/r/Movie.TXT"), std::filesystem::path("/r/Movie.TXT_original"));
  for (const char* input : {"/r/a.txt", "Movie.TXT", "x.y.txt"}) {
    EXPECT_EQ(InputPathFor(BackupPathFor(input)), std::filesystem::path(input)) << input;
    EXPECT_EQ(InputPathFor(WorkPathFor(input)), std::filesystem::path(input)) << input;
  }
  // A file's folder as its path spells it, by which a batch's files are grouped.
  const std::pair<std::filesystem::path, std::filesystem::path> folders[] = {
      {"/r/s/a.txt", "/r/s"},
      {"a.txt", ""},
#ifdef _WIN32
      {"C:\\r\\a.txt", "C:\\r"},
      {"C:/r\\s/a.txt", "C:/r\\s"},
#endif
  };
  for (const auto& [path, folder] : folders)
    EXPECT_EQ(FolderPart(path), FolderText(folder.native())) << path;
}

// An input taken for alone skips the first look at its side files, so one missed here would be
// converted without its backup, work file or file set aside being looked at first.
TEST(SideFilesTest, AListingTellsWhichInputsHaveSideFiles) {
  std::vector<DirEntry> listing;
  for (const char* name : {"a.txt", "a.txt_original", "B.TXT_TEMP", "c.txt_Undoing", "d.txt",
                           "e.srt_original", "f.txt.bak", "sub"}) {
    listing.push_back({name});
  }
  const ListedSideFiles listed(listing);
  const std::pair<const char*, bool> cases[] = {
      {"a.txt", true},  {"A.Txt", true},           {"b.txt", true},  {"c.TXT", true},
      {"d.txt", false}, {"e.srt", false},          {"e.txt", false}, {"f.txt", false},
      {"sub", false},   {"a.txt_original", false},
  };
  for (const auto& [name, any] : cases)
    EXPECT_EQ(listed.AnyFor(name), any) << name;
}

// What converting `original` gives, read with `legacy`.
std::string ConversionOf(const std::string& original, const LegacyEncoding& legacy = {}) {
  MemoryFileSystem fs;
  fs.AddFile("/c.txt", original);
  ConvertFile(fs, "/c.txt", {.legacy = legacy});
  return fs.Contents("/c.txt").value_or("");
}

TEST(SideFilesTest, RestoreRemovesOnlyWhatConvertingTheBackupGives) {
  const std::string mark = "\xEF\xBB\xBF", subrip = kBytes.at('S'), converted = kBytes.at('C');
  const std::string newer = mark + "1\r\n00:00:01,000 -> 00:00:02,500\r\nNew\r\n\r\n";
  const std::string arrow = "1\r\n00:00:01,000 --> 00:00:02,000\r\nGo this way -->\r\n\r\n";
  // A time no rate can read keeps its characters, at any rate but for the frame.
  const std::string odd = "1\r\n0x:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n";
  // Polish in windows-1250: only a restore that reads it so finds its conversion.
  const std::string polish = "1\r\n00:00:01,000 --> 00:00:02,000\r\nCz\xEA\x9C\xE6\r\n\r\n";
  const LegacyEncoding central{.code_page = CodePage::kWindows1250, .detect = false};
  const LegacyEncoding western{.code_page = CodePage::kWindows1252, .detect = false};
  using Bytes = std::optional<std::string>;
  const Bytes none;
  struct Case {
    const char* name;
    Bytes input, backup, aside;  // a.txt, a.txt_original, a.txt_undoing
    const char* said;
    Bytes input_after, backup_after, aside_after;
    LegacyEncoding legacy = {};
  };
  auto restored = [&](const char* name, Bytes input, const std::string& backup,
                      LegacyEncoding legacy = {}) {
    return Case{name, input, backup, none, "done", backup, none, none, legacy};
  };
  auto kept = [&](const char* name, Bytes input, const std::string& backup,
                  LegacyEncoding legacy = {}) {
    return Case{name,  input,  backup, none,  "changed since it was converted",
                input, backup, none,   legacy};
  };
  const Case cases[] = {
      restored("ours", converted, subrip),
      restored("at another frame rate", mark + "1 00;00;01;00 00;00;03;24 Hello \r\n", subrip),
      restored("text with an arrow", ConversionOf(arrow), arrow),
      restored("no name.txt left", none, subrip),
      restored("a time no rate reads", mark + "1 0x;00;01;24 00;00;04;00 Hello \r\n", odd),
      restored("legacy text read as it was converted", ConversionOf(polish, central), polish,
               central),
      kept("legacy text read otherwise", ConversionOf(polish, central), polish, western),
      kept("a newer subtitle with a mark and a short arrow", newer, subrip),
      kept("a timecode that is none", mark + "1 00;00;01;00 00;00;04 Hello \r\n", subrip),
      kept("a time no rate reads, changed", mark + "1 00;00;01;00 00;00;04;00 Hello \r\n", odd),
      kept("another index", mark + "2 00;00;01;00 00;00;04;00 Hello \r\n", subrip),
      kept("edited text", mark + "1 00;00;01;00 00;00;04;00 Hello! \r\n", subrip),
      kept("a line more", converted + "2 00;00;05;00 00;00;06;00 Bye \r\n", subrip),
      kept("a line fewer", mark, subrip),
      kept("line feeds alone", mark + "1 00;00;01;00 00;00;04;00 Hello \n", subrip),
      kept("the original itself", subrip, subrip),
      kept("another original's conversion", converted, kBytes.at('O')),
      kept("a backup without a cue", converted, kBytes.at('N')),
      // A restore that stopped part-way.
      {"stopped after setting it aside", none, subrip, converted, "done", subrip, none, none},
      {"stopped after setting aside, a file saved since", newer, subrip, converted,
       "changed since it was converted", newer, subrip, none},
      {"set aside, but not ours", none, subrip, newer, "changed since it was converted", newer,
       subrip, none},
      {"not ours set aside, beside a converted file", converted, subrip, newer,
       "a file of another program holds the name a restore needs", converted, subrip, newer},
      {"stopped before removing what it set aside", subrip, none, converted, "done, recovered",
       subrip, none, none},
      {"no backup, and not ours aside", subrip, none, newer, "no backup", subrip, none, newer},
  };
  for (const Case& c : cases) {
    for (bool dry_run : {false, true}) {
      const std::string name = std::string(c.name) + (dry_run ? ", dry" : "");
      MemoryFileSystem fs;
      fs.AddDir("/d");
      if (c.input) fs.AddFile("/d/a.txt", *c.input);
      if (c.backup) fs.AddFile("/d/a.txt_original", *c.backup);
      if (c.aside) fs.AddFile("/d/a.txt_undoing", *c.aside);
      const auto before = fs.Paths();
      FileResult result =
          RestoreInPlace(fs, "/d/a.txt_original", {.dry_run = dry_run, .legacy = c.legacy},
                         SubtitleConverter({.legacy = c.legacy}));
      EXPECT_EQ(Said(result), c.said) << name;
      EXPECT_EQ(fs.Contents("/d/a.txt"), dry_run ? c.input : c.input_after) << name;
      EXPECT_EQ(fs.Contents("/d/a.txt_original"), dry_run ? c.backup : c.backup_after) << name;
      EXPECT_EQ(fs.Contents("/d/a.txt_undoing"), dry_run ? c.aside : c.aside_after) << name;
      if (dry_run) {
        EXPECT_EQ(fs.Paths(), before) << name;
      }
    }
  }
}

// Runs `hook` once, just before the nth call of `op` (a move or a look at a name): another
// program acting between two steps of ours.
class BetweenStepsFileSystem : public MemoryFileSystem {
 public:
  Op op = Op::kMove;
  int nth = 0;
  std::function<void(MemoryFileSystem&)> hook;

  Status MoveNoReplace(const std::filesystem::path& from,
                       const std::filesystem::path& to) override {
    Before(Op::kMove);
    return MemoryFileSystem::MoveNoReplace(from, to);
  }
  Status Stat(const std::filesystem::path& path, FileInfo* info) override {
    Before(Op::kStat);
    return MemoryFileSystem::Stat(path, info);
  }
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override {
    Before(Op::kCreate);
    return MemoryFileSystem::CreateNew(path, mode, file);
  }

 private:
  void Before(Op called) {
    if (called == op && ++calls_ == nth && hook) hook(*this);
  }
  int calls_ = 0;
};

TEST(SideFilesTest, AFileSavedBetweenOurStepsStays) {
  auto save = [](const char* path) {
    return [path](MemoryFileSystem& fs) { fs.AddFile(path, kBytes.at('O'), 7); };
  };
  struct Case {
    const char* name;
    Op op;
    int nth;
    std::function<void(MemoryFileSystem&)> other_program;
    const char* files_after;
  } cases[] = {
      // Set aside and checked in its turn: the check is of the file that is removed.
      {"saved just before it is set aside", Op::kMove, 1, save("/d/a.txt"),
       "a.txt=O a.txt_original=S"},
      // The backup does not replace it; the conversion set aside goes.
      {"saved after it was set aside", Op::kMove, 2, save("/d/a.txt"), "a.txt=O a.txt_original=S"},
      // The look after the check sees another file: back where it was.
      {"replaced while it was checked", Op::kStat, 6, save("/d/a.txt_undoing"),
       "a.txt=O a.txt_original=S"},
  };
  for (const Case& c : cases) {
    BetweenStepsFileSystem fs;
    Put(fs, "a.txt=C a.txt_original=S");
    fs.op = c.op;
    fs.nth = c.nth;
    fs.hook = c.other_program;
    EXPECT_EQ(Said(Restore(fs, "/d/a.txt_original")), "changed since it was converted") << c.name;
    EXPECT_EQ(Show(fs), c.files_after) << c.name;
  }

  // The same for a conversion: a file saved under the work file's name while the input is read.
  BetweenStepsFileSystem fs;
  Put(fs, "a.txt=S");
  fs.op = Op::kCreate;
  fs.nth = 1;
  fs.hook = save("/d/a.txt_temp");
  EXPECT_EQ(Said(ConvertFile(fs, "/d/a.txt")),
            "a file of another program holds the work file's name");
  EXPECT_EQ(Show(fs), "a.txt=S a.txt_temp=O");
}

TEST(SideFilesTest, NoRestoreFailureLosesABackupOrAFileItDidNotMake) {
  using Reason = FileResult::Reason;
  const char* const kConverted = "a.txt=C a.txt_original=S";
  const char* const kSetAside = "a.txt_original=S a.txt_undoing=C";
  const char* const kNearlyRestored = "a.txt=S a.txt_undoing=C";
  struct Case {
    const char* files;
    std::vector<std::pair<Op, int>> faults;
    Reason reason;
    const char* files_after;
    const char* rerun;  // what the next restore says
    bool convert = false;
  };
  const Case cases[] = {
      {kConverted, {{Op::kStat, 2}}, Reason::kStat, kConverted, "done"},  // the backup
      {kConverted, {{Op::kOpen, 1}}, Reason::kStat, kConverted, "done"},  // to claim it
      {kConverted, {{Op::kStat, 5}}, Reason::kStat, kConverted, "done"},  // name.txt
      {kConverted, {{Op::kMove, 1}}, Reason::kSetAside, kConverted, "done"},
      // Reading what was set aside, or the backup to compare it with: it goes back.
      {kConverted, {{Op::kOpen, 2}}, Reason::kReadConverted, kConverted, "done"},
      {kConverted, {{Op::kRead, 1}}, Reason::kReadConverted, kConverted, "done"},
      {kConverted, {{Op::kRewind, 1}}, Reason::kReadConverted, kConverted, "done"},
      {kConverted, {{Op::kRead, 1}, {Op::kMove, 2}}, Reason::kPutBack, kSetAside, "done"},
      {kConverted, {{Op::kMove, 2}}, Reason::kRestoreMove, kConverted, "done"},
      // Nor can it go back: the next restore goes on from there.
      {kConverted, {{Op::kMove, 2}, {Op::kMove, 3}}, Reason::kRestoreMove, kSetAside, "done"},
      {kConverted, {{Op::kRemove, 1}}, Reason::kRemove, kNearlyRestored, "done, recovered"},
      {kConverted, {{Op::kSyncDir, 1}}, Reason::kSyncFolder, "a.txt=S", "no backup"},
      // Finishing a restore that stopped.
      {kNearlyRestored,
       {{Op::kRead, 1}},
       Reason::kReadConverted,
       kNearlyRestored,
       "done, recovered"},
      {kNearlyRestored, {{Op::kRemove, 1}}, Reason::kRemove, kNearlyRestored, "done, recovered"},
      {kNearlyRestored, {{Op::kSyncDir, 1}}, Reason::kSyncFolder, "a.txt=S", "no backup"},
      // A conversion putting back what a stopped restore set aside.
      {kSetAside, {{Op::kOpen, 1}}, Reason::kOpen, kSetAside, "done", true},
      {kSetAside, {{Op::kMove, 1}}, Reason::kPutBack, kSetAside, "done", true},
  };
  for (const Case& c : cases) {
    std::string name = std::string(c.files) + ": ";
    MemoryFileSystem memory;
    Put(memory, c.files);
    FaultyFileSystem fs(memory);
    for (const auto& [op, nth] : c.faults) {
      fs.FailOn(op, nth);
      name += std::string(testing::OpName(op)) + " #" + std::to_string(nth) + " ";
    }
    FileResult result = c.convert ? ConvertFile(fs, "/d/a.txt") : Restore(fs, "/d/a.txt_original");
    EXPECT_EQ(fs.FaultsHit(), static_cast<int>(c.faults.size())) << name;
    EXPECT_EQ(result.kind, FileResult::Kind::kFailed) << name;
    EXPECT_EQ(result.reason, c.reason) << name << ": " << Describe(result.reason);
    EXPECT_EQ(result.message, "injected fault") << name;
    EXPECT_EQ(Show(memory), c.files_after) << name;
    EXPECT_EQ(Said(Restore(memory, "/d/a.txt_original")), c.rerun) << name;
    EXPECT_EQ(Show(memory), "a.txt=S") << name;
  }
}

}  // namespace
}  // namespace kestrane
