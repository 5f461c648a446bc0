#include "convert/restore_in_place.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "convert/timeline_offset.h"
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

// What converting `original` gives, with `options`.
std::string ConversionOf(const std::string& original, const ConvertOptions& options = {}) {
  MemoryFileSystem fs;
  fs.AddFile("/c.txt", original);
  ConvertFile(fs, "/c.txt", options);
  return fs.Contents("/c.txt").value_or("");
}

// Where line `n` (from 0) of a list starts.
std::size_t LineStart(const std::string& list, int n) {
  std::size_t at = 0;
  for (int i = 0; i < n; ++i)
    at = list.find('\n', at) + 1;
  return at;
}

// `list` with the end of its line `n` one frame later, as a sync fixed by hand.
std::string OneFrameLater(std::string list, int n) {
  const std::size_t index = list.find(' ', LineStart(list, n));
  const std::size_t end = list.find(' ', list.find(' ', index + 1) + 1);
  ++list[end - 1];  // the frame's last digit, never a 9 here
  return list;
}

TEST(RestoreInPlaceTest, RestoreRemovesOnlyWhatConvertingTheBackupGives) {
  const std::string mark = "\xEF\xBB\xBF", subrip = kBytes.at('S'), converted = kBytes.at('C');
  const std::string newer = mark + "1\r\n00:00:01,000 -> 00:00:02,500\r\nNew\r\n\r\n";
  const std::string arrow = "1\r\n00:00:01,000 --> 00:00:02,000\r\nGo this way -->\r\n\r\n";
  // A time no rate can read keeps its characters, at any rate but for the frame: 24 at 25 fps.
  const std::string odd = "1\r\n0x:00:01,960 --> 00:00:04,000\r\nHello\r\n\r\n";
  // Polish in windows-1250: only a restore that reads it so finds its conversion.
  const std::string polish = "1\r\n00:00:01,000 --> 00:00:02,000\r\nCz\xEA\x9C\xE6\r\n\r\n";
  const LegacyEncoding central{.code_page = CodePage::kWindows1250, .detect = false};
  const LegacyEncoding western{.code_page = CodePage::kWindows1252, .detect = false};
  using Bytes = std::optional<std::string>;
  const Bytes none;
  struct Case {
    std::string name;
    Bytes input, backup, aside;  // a.txt, a.txt_original, a.txt_undoing
    const char* said;
    Bytes input_after, backup_after, aside_after;
    LegacyEncoding legacy = {};
  };
  auto restored = [&](const std::string& name, Bytes input, const std::string& backup,
                      LegacyEncoding legacy = {}) {
    return Case{name, input, backup, none, "done", backup, none, none, legacy};
  };
  auto kept = [&](const std::string& name, Bytes input, const std::string& backup,
                  LegacyEncoding legacy = {}) {
    return Case{name,  input,  backup, none,  "changed since it was converted",
                input, backup, none,   legacy};
  };
  std::vector<Case> cases = {
      restored("ours", converted, subrip),
      restored("text with an arrow", ConversionOf(arrow), arrow),
      restored("no name.txt left", none, subrip),
      restored("a time no rate reads", mark + "1 0x;00;01;24 00;00;04;00 Hello \r\n", odd),
      restored("legacy text read as it was converted", ConversionOf(polish, {.legacy = central}),
               polish, central),
      kept("legacy text read otherwise", ConversionOf(polish, {.legacy = central}), polish,
           western),
      kept("a newer subtitle with a mark and a short arrow", newer, subrip),
      kept("a timecode no rate gives", mark + "1 00;00;01;00 00;00;03;24 Hello \r\n", subrip),
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
  // Lists at every rate the program knows, of this version or an earlier one: the format has
  // not changed. No two rates write these cues alike, so each row stands for its own rate.
  const std::string timed =
      "1\r\n00:00:01,517 --> 00:00:03,990\r\nOne\r\n\r\n2\r\n00:10:02,123 --> 00:10:04,456\r\nTwo"
      "\r\n\r\n3\r\n01:00:59,900 --> 01:01:00,000\r\nThree\r\n";
  cases.push_back(restored("cues at the classic frame", ConversionOf(timed), timed));
  for (const FrameRate& rate : FrameRate::Named()) {
    cases.push_back(
        restored("cues at " + rate.Describe(), ConversionOf(timed, {.rate = rate}), timed));
  }
  const std::string at25 = ConversionOf(timed, {.rate = *FrameRate::Parse("25")});
  const std::string at30 = ConversionOf(timed, {.rate = *FrameRate::Parse("30")});
  cases.push_back(kept("a timecode moved by one frame", OneFrameLater(at25, 2), timed));
  cases.push_back(kept("a timecode moved by one frame at the classic frame",
                       OneFrameLater(ConversionOf(timed), 1), timed));
  cases.push_back(kept("two rates in one list",
                       at25.substr(0, LineStart(at25, 1)) + at30.substr(LineStart(at30, 1)),
                       timed));
  // Lists placed on a timeline, at every rate, with tags removed or kept: the offset comes from
  // the first cue and holds for the rest.
  const std::string tagged =
      "1\r\n00:00:01,517 --> 00:00:03,990\r\n<i>One</i>\r\n\r\n2\r\n00:10:02,123 --> "
      "00:10:04,456\r\n{\\an8}Two\r\n";
  std::vector<FrameRate> rates = {FrameRate()};
  rates.insert(rates.end(), FrameRate::Named().begin(), FrameRate::Named().end());
  for (const FrameRate& rate : rates) {
    const std::string at = rate.classic() ? "the classic frame" : rate.Describe();
    for (const char* offset : {"01:00:00:00", "-00:00:01:00", "00:00:00:00"}) {
      for (bool strip_tags : {false, true}) {
        const ConvertOptions options = {
            .rate = rate, .offset = TimelineOffset::Parse(offset, rate), .strip_tags = strip_tags};
        cases.push_back(
            restored("cues at " + at + " from " + offset + (strip_tags ? " without tags" : ""),
                     ConversionOf(tagged, options), tagged));
      }
    }
    cases.push_back(restored("cues at " + at + " without tags",
                             ConversionOf(tagged, {.rate = rate, .strip_tags = true}), tagged));
  }
  const auto placed = [&](const char* offset) {
    return ConversionOf(timed, {.rate = *FrameRate::Parse("29.97"),
                                .offset = TimelineOffset::Parse(offset, *FrameRate::Parse("29.97")),
                                .strip_tags = true});
  };
  const std::string from_one = placed("01:00:00;00"), from_ten = placed("10:00:00;00");
  cases.push_back(
      kept("a placed list with a timecode moved by one frame", OneFrameLater(from_one, 2), timed));
  cases.push_back(kept("a placed list with its first end moved by one frame",
                       OneFrameLater(from_one, 0), timed));
  cases.push_back(kept(
      "two offsets in one list",
      from_one.substr(0, LineStart(from_one, 1)) + from_ten.substr(LineStart(from_ten, 1)), timed));
  const std::string stripped = ConversionOf(tagged, {.strip_tags = true}),
                    kept_tags = ConversionOf(tagged);
  cases.push_back(
      kept("tags removed from one cue only",
           stripped.substr(0, LineStart(stripped, 1)) + kept_tags.substr(LineStart(kept_tags, 1)),
           tagged));
  // At the classic frame, a list placed at zero writes minutes past 59 as hours and minutes, and
  // one without an offset copies them: the two write alike until the second cue. At 945 ms, 30
  // fps gives another frame than either.
  const std::string late =
      "1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n\r\n2\r\n00:59:59,000 --> 00:61:00,945\r\n"
      "Two\r\n\r\n3\r\n00:75:00,945 --> 00:75:01,000\r\nThree\r\n";
  const std::string copied = ConversionOf(late),
                    at_zero =
                        ConversionOf(late, {.offset = TimelineOffset::Parse("00:00:00:00", {})});
  cases.push_back(restored("unplaced, apart from placed at zero from a late cue", copied, late));
  cases.push_back(restored("placed at zero, apart from unplaced from a late cue", at_zero, late));
  cases.push_back(
      kept("unplaced and placed at zero mixed once apart",
           copied.substr(0, LineStart(copied, 2)) + at_zero.substr(LineStart(at_zero, 2)), late));
  // A walk whose listing showed name.txt and its backup alone spares its looks: the same results.
  for (const Case& c : cases) {
    for (int run = 0; run < 4; ++run) {
      const bool dry_run = run & 1, listed = run & 2;
      if (listed && !(c.input && c.backup && !c.aside)) continue;
      const std::string name =
          std::string(c.name) + (dry_run ? ", dry" : "") + (listed ? ", listed" : "");
      MemoryFileSystem fs;
      fs.AddDir("/d");
      if (c.input) fs.AddFile("/d/a.txt", *c.input);
      if (c.backup) fs.AddFile("/d/a.txt_original", *c.backup);
      if (c.aside) fs.AddFile("/d/a.txt_undoing", *c.aside);
      const auto before = fs.Paths();
      const ConvertOptions options{.dry_run = dry_run, .legacy = c.legacy};
      FileResult result = listed ? RestoreMoves(fs, "/d/a.txt_original", options, true)
                                 : RestoreInPlace(fs, "/d/a.txt_original", options);
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

// A listing is a moment old when the restore comes: whatever changed since, the restore that
// trusted it loses nothing and takes nothing of another's.
TEST(RestoreInPlaceTest, AListingOvertakenByChangesMisleadsNothing) {
  struct Case {
    const char* name;
    const char* files;  // what the disk holds when the restore comes
    const char* said;
    const char* files_after;
  } cases[] = {
      {"another's file set aside since", "a.txt=C a.txt_original=S a.txt_undoing=O",
       "a file of another program holds the name a restore needs",
       "a.txt=C a.txt_original=S a.txt_undoing=O"},
      {"name.txt removed since", "a.txt_original=S", "done", "a.txt=S"},
      {"name.txt saved anew since", "a.txt=O a.txt_original=S", "changed since it was converted",
       "a.txt=O a.txt_original=S"},
      {"restored by another run since", "a.txt=S", "no backup", "a.txt=S"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    Put(fs, c.files);
    EXPECT_EQ(Said(RestoreMoves(fs, "/d/a.txt_original", {}, /*listed=*/true)), c.said) << c.name;
    EXPECT_EQ(Show(fs), c.files_after) << c.name;
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

TEST(RestoreInPlaceTest, AFileSavedBetweenOurStepsStays) {
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
      {"replaced while it was checked", Op::kStat, 12, save("/d/a.txt_undoing"),
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

TEST(RestoreInPlaceTest, NoRestoreFailureLosesABackupOrAFileItDidNotMake) {
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
      {kConverted, {{Op::kStat, 8}}, Reason::kStat, kConverted, "done"},   // the backup
      {kConverted, {{Op::kOpen, 1}}, Reason::kStat, kConverted, "done"},   // to claim it
      {kConverted, {{Op::kStat, 11}}, Reason::kStat, kConverted, "done"},  // name.txt
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
    // Restored, the folder's sync aside: done, with the step that failed as a warning.
    const bool restored = c.reason == Reason::kSyncFolder;
    EXPECT_EQ(result.kind, restored ? FileResult::Kind::kDone : FileResult::Kind::kFailed) << name;
    EXPECT_EQ(result.reason, c.reason) << name << ": " << Describe(result.reason);
    EXPECT_EQ(result.message, "injected fault") << name;
    EXPECT_EQ(Show(memory), c.files_after) << name;
    EXPECT_EQ(Said(Restore(memory, "/d/a.txt_original")), c.rerun) << name;
    EXPECT_EQ(Show(memory), "a.txt=S") << name;
  }
}

}  // namespace
}  // namespace kestrane
