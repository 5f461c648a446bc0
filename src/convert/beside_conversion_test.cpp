// A source converted beside it in each state of its names, against a power cut at every call and
// another run at every step.
#include "convert/beside_conversion.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "convert/convert_file.h"
#include "platform/file_system_wrapper.h"
#include "testing/faulty_file_system.h"
#include "testing/trio.h"

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;
using trio::Put;
using trio::Said;
using trio::Show;
using Keep = MemoryFileSystem::Keep;

FileResult Convert(FileSystem& fs, const std::filesystem::path& source) {
  return ConvertBeside(fs, source, {}, SubtitleConverter({}));
}

TEST(BesideConversionTest, EachStateIsConvertedAndRestoredAsItShouldBe) {
  struct Case {
    const char* files;
    const char* source;  // in /d
    const char* convert;
    const char* converted_files;
    const char* restore;  // what removing the list beside says, and the files after it
    const char* restored_files;
  } cases[] = {
      {"a.srt=S", "a.srt", "done", "a.srt=S a.txt=C", "done", "a.srt=S"},
      {"a.vtt=V", "a.vtt", "done", "a.txt=C a.vtt=V", "done", "a.vtt=V"},
      {"A.Srt=S", "A.Srt", "done", "A.Srt=S A.txt=C", "done", "A.Srt=S"},
      {"a.VTT=V", "a.VTT", "done", "a.VTT=V a.txt=C", "done", "a.VTT=V"},
      {"a.srt=N", "a.srt", "no subtitle", "a.srt=N", "no list beside it", "a.srt=N"},
      // SubRip under a WebVTT name is read as WebVTT, which it is not: nothing comes out.
      {"a.vtt=S", "a.vtt", "no subtitle", "a.vtt=S", "no list beside it", "a.vtt=S"},
      {"a.srt=S a.txt_temp=T", "a.srt", "done", "a.srt=S a.txt=C", "done", "a.srt=S"},
      {"a.txt_temp=T a.vtt=V", "a.vtt", "done", "a.txt=C a.vtt=V", "done", "a.vtt=V"},
      {"a.srt=S a.txt_temp=O", "a.srt", "a file of another program holds the work file's name",
       "a.srt=S a.txt_temp=O", "no list beside it", "a.srt=S a.txt_temp=O"},
      {"a.srt=S a.txt=C", "a.srt", "already converted", "a.srt=S a.txt=C", "done", "a.srt=S"},
      {"a.srt=S a.txt=O", "a.srt", "name.txt exists", "a.srt=S a.txt=O",
       "changed since it was converted", "a.srt=S a.txt=O"},
      // The .srt went first; the .vtt finds its list, which is not the .vtt's own.
      {"a.srt=O a.txt=C a.vtt=V", "a.srt", "name.txt exists", "a.srt=O a.txt=C a.vtt=V",
       "changed since it was converted", "a.srt=O a.txt=C a.vtt=V"},
      {"a.srt=S a.txt=C a.txt_temp=T", "a.srt", "already converted", "a.srt=S a.txt=C a.txt_temp=T",
       "done", "a.srt=S a.txt_temp=T"},
      {"", "a.srt", "no such file", "", "no list beside it", ""},
      {"a.txt=C", "a.srt", "no such file", "a.txt=C", "no such file", "a.txt=C"},
  };
  for (const Case& c : cases) {
    for (bool dry_run : {true, false}) {
      MemoryFileSystem fs;
      Put(fs, c.files);
      const std::filesystem::path source = std::filesystem::path("/d") / c.source;
      const ConvertOptions options{.dry_run = dry_run};
      const std::string what = std::string(c.files) + (dry_run ? ", dry run" : "");
      EXPECT_EQ(Said(ConvertBeside(fs, source, options, SubtitleConverter(options))), c.convert)
          << what;
      EXPECT_EQ(Show(fs), dry_run ? c.files : c.converted_files) << what;
      if (dry_run) continue;
      EXPECT_EQ(Said(RestoreBeside(fs, source, {})), c.restore) << what;
      EXPECT_EQ(Show(fs), c.restored_files) << what;
    }
  }
}

// Either kind of source read in a legacy code page names it, as an input converted in place does.
TEST(BesideConversionTest, TheLegacyCodePageReadIsNamed) {
  const ConvertOptions options{.legacy = {.code_page = CodePage::kWindows1252, .detect = false}};
  for (const char* file : {"1\n00:00:01,000 --> 00:00:02,000\ncaf\xe9\n",
                           "WEBVTT\n\n00:01.000 --> 00:02.000\ncaf\xe9\n"}) {
    MemoryFileSystem fs;
    const std::filesystem::path source = file[0] == '1' ? "/d/a.srt" : "/d/a.vtt";
    fs.AddFile(source, file);
    EXPECT_EQ(ConvertBeside(fs, source, options, SubtitleConverter(options)).code_page,
              "windows-1252")
        << source;
  }
}

TEST(BesideConversionTest, ASourceAnotherRunHoldsIsBusyAndUntouched) {
  for (const char* files : {"a.srt=S", "a.srt=S a.txt=C"}) {
    MemoryFileSystem fs;
    Put(fs, files);
    std::unique_ptr<ReadableFile> other_run;
    ASSERT_TRUE(fs.OpenForRead("/d/a.srt", &other_run).ok());
    ASSERT_TRUE(other_run->TryLock().ok());
    EXPECT_EQ(Said(Convert(fs, "/d/a.srt")), "busy") << files;
    EXPECT_EQ(Said(RestoreBeside(fs, "/d/a.srt", {})),
              Show(fs) == "a.srt=S" ? "no list beside it" : "busy")
        << files;
    EXPECT_EQ(Show(fs), files);
  }
}

// Before its n-th call to the file system, one whole other run goes through: a second run at
// every step of the first.
class SecondRunAt : public FileSystemWrapper {
 public:
  SecondRunAt(FileSystem& target, int nth, std::function<void()> run)
      : FileSystemWrapper(target), nth_(nth), run_(std::move(run)) {}
  bool ran() const { return calls_ >= nth_; }

  Status OpenForRead(const std::filesystem::path& path,
                     std::unique_ptr<ReadableFile>* file) override {
    return Before(), FileSystemWrapper::OpenForRead(path, file);
  }
  Status OpenListedForRead(const std::filesystem::path& path,
                           std::unique_ptr<ReadableFile>* file) override {
    return Before(), FileSystemWrapper::OpenListedForRead(path, file);
  }
  Status CreateNew(const std::filesystem::path& path, FileMode mode,
                   std::unique_ptr<WritableFile>* file) override {
    return Before(), FileSystemWrapper::CreateNew(path, mode, file);
  }
  Status MoveNoReplace(const std::filesystem::path& from,
                       const std::filesystem::path& to) override {
    return Before(), FileSystemWrapper::MoveNoReplace(from, to);
  }
  Status Remove(const std::filesystem::path& path) override {
    return Before(), FileSystemWrapper::Remove(path);
  }
  Status Stat(const std::filesystem::path& path, FileInfo* info) override {
    return Before(), FileSystemWrapper::Stat(path, info);
  }
  Status SyncDir(const std::filesystem::path& dir) override {
    return Before(), FileSystemWrapper::SyncDir(dir);
  }

 private:
  void Before() {
    if (++calls_ == nth_) run_();
  }
  int calls_ = 0;
  const int nth_;
  std::function<void()> run_;
};

TEST(BesideConversionTest, TwoRunsAtOnceWriteTheListOnce) {
  for (const char* source : {"a.srt", "a.vtt"}) {
    const std::string files = std::string(source) + (source[2] == 's' ? "=S" : "=V");
    const std::string converted = source[2] == 's' ? "a.srt=S a.txt=C" : "a.txt=C a.vtt=V";
    const std::filesystem::path path = std::filesystem::path("/d") / source;
    for (int nth = 1;; ++nth) {
      MemoryFileSystem memory;
      Put(memory, files);
      std::string second;
      SecondRunAt first_run(memory, nth, [&] { second = Said(Convert(memory, path)); });
      const std::string first = Said(Convert(first_run, path));
      const std::string what = files + ", the second run before call " + std::to_string(nth);
      EXPECT_EQ(Show(memory), converted) << what;
      if (!first_run.ran()) {
        EXPECT_EQ(first, "done") << what;
        break;
      }
      // Exactly one of them wrote it; the other found it written, or the source claimed.
      EXPECT_TRUE((first == "done") != (second == "done"))
          << what << ": " << first << ", " << second;
      for (const std::string& other : {first, second}) {
        EXPECT_TRUE(other == "done" || other == "busy" || other == "already converted")
            << what << ": " << other;
      }
    }
  }
}

// Converts a source its folder's listing showed without its list, as a walk does.
FileResult ConvertListedAlone(FileSystem& fs, const std::filesystem::path& source) {
  BesideConversion conversion(fs, source, {}, /*listed_alone=*/true);
  if (std::optional<FileResult> ended = conversion.Prepare(SubtitleConverter({}))) {
    return *std::move(ended);
  }
  return conversion.Move(/*synced=*/false);
}

// Nothing looks at the list before the move once the listing showed its name free: a list made
// since, at any call, is never replaced, and no work file is left beside it.
TEST(BesideConversionTest, AListMadeSinceTheListingIsNeverReplaced) {
  const struct {
    const char* what;
    std::function<void(MemoryFileSystem&)> make;
    const char* files_after;
    const char* said_when_before_us;  // made before our claim
    const char* said_when_during;     // made while we hold it
  } makers[] = {
      {"another run", [](MemoryFileSystem& fs) { Convert(fs, "/d/a.srt"); }, "a.srt=S a.txt=C",
       "already converted", "done"},
      {"another program", [](MemoryFileSystem& fs) { Put(fs, "a.txt=O"); }, "a.srt=S a.txt=O",
       "name.txt exists", "name.txt exists"},
  };
  for (const auto& maker : makers) {
    for (int nth = 1;; ++nth) {
      MemoryFileSystem memory;
      Put(memory, "a.srt=S");
      SecondRunAt ours(memory, nth, [&] { maker.make(memory); });
      const std::string said = Said(ConvertListedAlone(ours, "/d/a.srt"));
      const std::string what = std::string(maker.what) + " before call " + std::to_string(nth);
      if (!ours.ran()) {
        EXPECT_EQ(said, "done") << what;
        EXPECT_GT(nth, 3) << what;
        break;
      }
      EXPECT_EQ(said, nth == 1 ? maker.said_when_before_us : maker.said_when_during) << what;
      EXPECT_EQ(Show(memory), maker.files_after) << what;
    }
  }
}

TEST(BesideConversionTest, CutAtEveryCallLeavesTheSourceAndAtMostOurWorkFile) {
  const struct {
    Keep entries, data;
  } patterns[] = {{Keep::kAll, Keep::kAll},
                  {Keep::kNone, Keep::kNone},
                  {Keep::kAll, Keep::kNone},
                  {Keep::kPrefix, Keep::kSubset}};
  for (const char* files : {"a.srt=S", "a.vtt=V", "a.srt=S a.txt_temp=T"}) {
    const std::filesystem::path source = files[2] == 's' ? "/d/a.srt" : "/d/a.vtt";
    const std::string converted = files[2] == 's' ? "a.srt=S a.txt=C" : "a.txt=C a.vtt=V";
    const std::string source_shown = std::string(files).substr(0, 7);
    int cuts = 0;
    for (int stop_at = 1;; ++stop_at) {
      bool ended = false;
      for (std::size_t p = 0; p < std::size(patterns); ++p) {
        MemoryFileSystem memory;
        Put(memory, files);
        FaultyFileSystem cut(memory);
        cut.StopAt(stop_at);
        Convert(cut, source);
        if (!cut.stopped()) {
          ended = true;
          break;
        }
        ++cuts;
        memory.PowerCut(patterns[p].entries, patterns[p].data, stop_at * 7 + p);
        const std::string when = std::string(files) + ", cut at call " + std::to_string(stop_at);
        std::string left = Show(memory);
        // The source as it was; beside it nothing, the whole list, or a work file of ours,
        // whatever share of it the cut kept.
        EXPECT_NE(left.find(source_shown), std::string::npos) << when << ": " << left;
        if (const auto cut_work = left.find("a.txt_temp=?"); cut_work != std::string::npos) {
          left.erase(cut_work, 12);
        }
        EXPECT_EQ(left.find('?'), std::string::npos) << when << ": " << left;
        EXPECT_EQ(left.find("a.txt=O"), std::string::npos) << when << ": " << left;
        const std::string rerun = Said(Convert(memory, source));
        EXPECT_TRUE(rerun == "done" || rerun == "already converted") << when << ": " << rerun;
        const std::string after = Show(memory);
        EXPECT_EQ(after, converted) << when;
      }
      if (ended) break;
    }
    EXPECT_GT(cuts, 8) << files;
  }
}

// An undo cut anywhere leaves the source and, beside it, the list or nothing, once the next undo
// has finished what the cut left on its way out (a list taken to a private name to be removed).
TEST(BesideConversionTest, AnUndoCutAtEveryCallIsFinishedByTheNext) {
  int cuts = 0;
  for (int stop_at = 1;; ++stop_at) {
    MemoryFileSystem memory;
    Put(memory, "a.srt=S a.txt=C");
    FaultyFileSystem cut(memory);
    cut.StopAt(stop_at);
    RestoreBeside(cut, "/d/a.srt", {});
    if (!cut.stopped()) break;
    ++cuts;
    memory.PowerCut(Keep::kAll, Keep::kAll, stop_at);
    const std::string rerun = Said(RestoreBeside(memory, "/d/a.srt", {}));
    EXPECT_TRUE(rerun == "done" || rerun == "no list beside it")
        << "cut at call " << stop_at << ": " << rerun;
    EXPECT_EQ(Show(memory), "a.srt=S") << "cut at call " << stop_at;
  }
  EXPECT_GT(cuts, 3);
}

}  // namespace
}  // namespace kestrane
