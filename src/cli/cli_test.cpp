#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "convert/side_file_names.h"
#include "testing/faulty_file_system.h"
#include "testing/legacy_samples.h"
#include "testing/memory_file_system.h"
#include "testing/temp_dir.h"

#ifdef _WIN32
#ifndef NOMINMAX  // libstdc++ defines it already
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace kestrane {
namespace {

using testing::FaultyFileSystem;
using testing::MemoryFileSystem;

constexpr char kSubRip[] = "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n";

struct CapturedConsole : Console {
  std::string out;
  std::string err;
  void Out(std::string_view text) override { out += text; }
  void Err(std::string_view text) override { err += text; }
  bool ErrIsTerminal() override { return false; }
};

struct Result {
  int status;
  std::string out;
  std::string err;
};

// One worker unless a test asks for more: faults injected at the n-th call of an operation name
// a file only when the files are taken one after the other.
Result RunTool(FileSystem& fs, std::vector<std::string> args) {
  if (std::find(args.begin(), args.end(), "-j") == args.end()) {
    args.insert(args.begin(), {"-j", "1"});
  }
  args.insert(args.begin(), "kestrane-cli");
  CapturedConsole console;
  const int status = RunCli(args, fs, console);
  return {status, console.out, console.err};
}

// A path as the tool shows it on this platform.
std::string Shown(const char* path) {
  return PathText(PathFromArg(path));
}

// /r holding one file of each outcome.
void AddTree(MemoryFileSystem& fs) {
  fs.AddFile("/r/a.txt", kSubRip);
  fs.AddFile("/r/b.txt", kSubRip);
  fs.AddFile("/r/b.txt_original", "an earlier original");
  fs.AddFile("/r/c.txt", "no cue in here\r\n");
  fs.AddFile("/r/sub/d.TXT", kSubRip);
  fs.AddFile("/r/x.ass", kSubRip);
}

TEST(CliTest, UsageErrorsSayWhatIsWrongInOneLineAndChangeNothing) {
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{}, "no PATH given"},
      {{"--bogus", "/r"}, "--bogus"},
      {{"-v", "-q", "/r"}, "excludes"},
      {{"--json", "-v", "/r"}, "excludes"},
      {{"--\x1b]0;title\x07"}, "--\\e]0;title\\x07"},
      {{"/r", "/nowhere"}, Shown("/nowhere") + ": no such file or folder"},
      {{"/r/\x1b[2J\n"}, Shown("/r/") + "\\e[2J\\n: no such file or folder"},
      {{"/"}, Shown("/") + ": will not walk a whole drive or /"},
      {{"/r/.."}, "will not walk a whole drive or /"},
      {{""}, "an empty PATH"},
      {{"--encoding", "klingon", "/r"},
       "--encoding: unknown code page 'klingon'; use auto or one of windows-1250, "},
      {{"-j", "0", "/r"}, "--jobs"},
      {{"--encoding", "x\ny", "/r"}, "--encoding: unknown code page 'x\\ny'"},
      {{"--fps", "26", "/r"},
       "--fps: unknown frame rate '26'; use one of 23.976, 24, 25, 29.97 (drop-frame), 29.97ndf, "
       "30, 50, 59.94 (drop-frame), 59.94ndf, 60, 24000/1001, 30000/1001, 60000/1001\n"},
      {{"--fps", "25\x1b[2J\n", "/r"}, "--fps: unknown frame rate '25\\e[2J\\n'"},
      {{"--fps", "", "/r"}, "--fps: unknown frame rate ''"},
      {{"--offset", "00:00:00:30", "/r"},
       "--offset: '00:00:00:30' is no timecode at 33 ms a frame; use HH:MM:SS:FF (';' between"},
      {{"--fps", "29.97", "--offset", "00:01:00;00", "/r"},
       "--offset: '00:01:00;00' is no timecode at 29.97 fps drop-frame; use HH:MM:SS:FF"},
      {{"--offset", "", "/r"}, "--offset: '' is no timecode"},
  };
  for (const Case& c : cases) {
    std::string name;
    for (const std::string& arg : c.args)
      name += "'" + arg + "' ";
    MemoryFileSystem fs;
    AddTree(fs);
    const auto before = fs.Paths();
    Result result = RunTool(fs, c.args);
    EXPECT_EQ(result.status, kExitUsage) << name;
    EXPECT_TRUE(result.err.starts_with("kestrane-cli: ")) << name << result.err;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << name << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << name << result.err;
    EXPECT_EQ(result.out, "") << name;
    EXPECT_EQ(fs.Paths(), before) << name;
    EXPECT_EQ(fs.Contents("/r/a.txt"), kSubRip) << name;
  }
}

TEST(CliTest, HelpAndVersionGoToStandardOutput) {
  MemoryFileSystem fs;
  Result help = RunTool(fs, {"--help"});
  EXPECT_EQ(help.status, kExitOk);
  for (const char* option : {"PATH", "--dry-run", "--restore", "--verbose", "--quiet", "--encoding",
                             "--fps", "29.97 (drop-frame)", "--jobs", "--version", "--offset",
                             "--strip-tags", "--offset 01:00:00:00", "--offset -10:00:00:00"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option << " in:\n" << help.out;
  }
  Result version = RunTool(fs, {"--version"});
  EXPECT_EQ(version.status, kExitOk);
  EXPECT_EQ(version.out, std::string("kestrane-cli ") + KESTRANE_VERSION + "\n");
  EXPECT_EQ(help.err + version.err, "");
}

TEST(CliTest, SummarisesWhatHappenedToEveryInput) {
  MemoryFileSystem fs;
  AddTree(fs);
  Result result = RunTool(fs, {"/r"});
  EXPECT_EQ(result.status, kExitOk);
  EXPECT_EQ(result.err, "converted 2, skipped 2 (backup exists 1, no subtitle 1), failed 0\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(fs.Contents("/r/a.txt_original"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/sub/d.TXT_original"), kSubRip);
}

TEST(CliTest, VerboseGivesEachFileQuietOnlyFailures) {
  MemoryFileSystem fs;
  AddTree(fs);
  Result verbose = RunTool(fs, {"--verbose", "/r/sub", "/r/a.txt", "/r/b.txt", "/r/x.ass"});
  EXPECT_EQ(verbose.status, kExitOk);
  EXPECT_EQ(verbose.out, Shown("/r/sub/d.TXT") + ": converted, 1 cue\n" +  //
                             Shown("/r/a.txt") + ": converted, 1 cue\n" +  //
                             Shown("/r/b.txt") + ": skipped, backup exists\n" + Shown("/r/x.ass") +
                             ": skipped, not a .txt file\n");
  EXPECT_EQ(verbose.err, "converted 2, skipped 2 (backup exists 1, not a .txt file 1), failed 0\n");

  Result quiet = RunTool(fs, {"-q", "/r"});
  EXPECT_EQ(quiet.status, kExitOk);
  EXPECT_EQ(quiet.out + quiet.err, "");
}

// Which code page a file that was not all UTF-8 was read with, and --encoding, which sets it.
TEST(CliTest, EncodingIsDetectedOrForcedAndVerboseNamesIt) {
  const std::string arabic = testing::SubRip({"\xE1\xC7 \xC3\xDA\xD1\xDD"});
  const std::string polish = testing::SubRip({"Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1"});
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string converted;  // what the file named last becomes
  };
  const Case cases[] = {
      {{"-v", "/r/ar.txt"}, ": converted, 1 cue, windows-1256\n", testing::CueLines({"لا أعرف"})},
      {{"-v", "--encoding", "CP1250", "/r/pl.txt"},
       ": converted, 1 cue, windows-1250\n",
       testing::CueLines({"Zażółć gęślą jaźń"})},
      {{"-n", "-v", "--encoding=Auto", "/r/ar.txt"},
       ": would convert, 1 cue, windows-1256\n",
       arabic},
      // Forced: no detection.
      {{"-v", "--encoding", "koi8-r", "/r/ar.txt"},
       ": converted, 1 cue, koi8-r\n",
       testing::CueLines({"Аг цзящ"})},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    fs.AddFile("/r/ar.txt", arabic);
    fs.AddFile("/r/pl.txt", polish);
    Result result = RunTool(fs, c.args);
    EXPECT_EQ(result.status, kExitOk) << c.args[1] << result.err;
    EXPECT_EQ(result.out, Shown(c.args.back().c_str()) + c.out) << c.args[1];
    EXPECT_EQ(fs.Contents(c.args.back()), c.converted) << c.args[1];
  }
}

TEST(CliTest, FilesConvertedAtOnceAreReportedInTheOrderOfTheWalk) {
  auto run = [](const char* jobs, const char* format) {
    MemoryFileSystem fs;
    for (int i = 0; i < 300; ++i) {
      const std::string name = "/r/" + std::to_string(i % 3) + "/" + std::to_string(i) + ".txt";
      fs.AddFile(name, i % 7 == 0 ? "no cue\r\n" : kSubRip);
      // A folder where the work file goes: another program's, so that file is skipped.
      if (i % 50 == 1) fs.AddDir(name + "_temp");
    }
    Result result = RunTool(fs, {"-j", jobs, format, "/r"});
    EXPECT_EQ(fs.Contents("/r/2/299.txt_original"), kSubRip) << jobs;
    return result;
  };
  for (const char* format : {"-v", "--json"}) {
    const Result one = run("1", format);
    EXPECT_EQ(one.status, kExitOk);
    if (std::string(format) == "-v") {
      EXPECT_EQ(one.err.substr(one.err.rfind("converted")),
                "converted 251, skipped 49 (a file of another program holds the work file's name "
                "6, no subtitle 43), failed 0\n");
    }
    for (const char* jobs : {"2", "5"}) {
      const Result many = run(jobs, format);
      EXPECT_EQ(many.status, one.status) << format << " -j " << jobs;
      EXPECT_EQ(many.out, one.out) << format << " -j " << jobs;
      EXPECT_EQ(many.err, one.err) << format << " -j " << jobs;
    }
  }
}

TEST(CliTest, AFailedFileOrUnreadableFolderMakesTheStatusOne) {
  struct Case {
    const char* name;
    FaultyFileSystem::Op op;
    int nth;
    std::string reports;
    std::string summary;
  };
  const Case cases[] = {
      {"work file", FaultyFileSystem::Op::kCreate, 1,
       "kestrane-cli: " + Shown("/r/a.txt") + ": failed, creating the work file: injected fault\n",
       "converted 1, skipped 0, failed 1\n"},
      {"folder", FaultyFileSystem::Op::kList, 2,
       "kestrane-cli: " + Shown("/r/sub") + ": folder passed over: injected fault\n",
       "converted 1, skipped 0, failed 0, 1 folder unreadable\n"},
      // Converted, though perhaps not durable: neither "failed" nor a plain success.
      {"folder sync", FaultyFileSystem::Op::kSyncDir, 1,
       "kestrane-cli: " + Shown("/r/a.txt") +
           ": converted, but failed syncing the folder: injected fault\n",
       "converted 2, skipped 0, failed 0, 1 warning\n"},
  };
  for (const Case& c : cases) {
    for (bool quiet : {false, true}) {
      MemoryFileSystem memory;
      memory.AddFile("/r/a.txt", kSubRip);
      memory.AddFile("/r/sub/b.txt", kSubRip);
      FaultyFileSystem fs(memory);
      fs.FailOn(c.op, c.nth);
      Result result = quiet ? RunTool(fs, {"--quiet", "/r"}) : RunTool(fs, {"/r"});
      EXPECT_EQ(result.status, kExitFailed) << c.name;
      EXPECT_EQ(result.err, quiet ? c.reports : c.reports + c.summary) << c.name;
    }
  }
}

TEST(CliTest, AFileAnotherRunHoldsIsSkippedAsBusy) {
  MemoryFileSystem memory;
  AddTree(memory);
  FaultyFileSystem fs(memory);
  fs.FailOn(FaultyFileSystem::Op::kLock, 1, Status::Error(Status::Code::kBusy, "held"));
  Result result = RunTool(fs, {"-v", "/r/a.txt", "/r"});
  EXPECT_EQ(result.status, kExitOk);
  EXPECT_TRUE(result.out.starts_with(Shown("/r/a.txt") + ": skipped, busy\n")) << result.out;
  // Reasons in their fixed order, whatever order the files came in.
  EXPECT_EQ(result.err,
            "converted 2, skipped 3 (backup exists 1, no subtitle 1, busy 1), failed 0\n");
}

TEST(CliTest, ADryRunReportsButWritesNothing) {
  MemoryFileSystem fs;
  AddTree(fs);
  const auto before = fs.Paths();
  Result result = RunTool(fs, {"-n", "-v", "/r/a.txt"});
  EXPECT_EQ(result.status, kExitOk);
  EXPECT_EQ(result.out, Shown("/r/a.txt") + ": would convert, 1 cue\n");
  EXPECT_EQ(result.err, "would convert 1, skipped 0, failed 0\n");
  EXPECT_EQ(fs.Paths(), before);
  EXPECT_EQ(fs.Contents("/r/a.txt"), kSubRip);
}

TEST(CliTest, RestoreGivesBackTheOriginals) {
  MemoryFileSystem fs;
  AddTree(fs);
  ASSERT_EQ(RunTool(fs, {"/r"}).status, kExitOk);

  Result dry = RunTool(fs, {"--restore", "--dry-run", "/r"});
  EXPECT_EQ(dry.err, "would restore 2, skipped 1 (changed since it was converted 1), failed 0\n");
  EXPECT_NE(fs.Contents("/r/a.txt"), kSubRip);

  Result result = RunTool(fs, {"--restore", "/r"});
  EXPECT_EQ(result.status, kExitOk);
  EXPECT_EQ(result.err, "restored 2, skipped 1 (changed since it was converted 1), failed 0\n");
  EXPECT_EQ(fs.Contents("/r/a.txt"), kSubRip);
  EXPECT_EQ(fs.Contents("/r/sub/d.TXT"), kSubRip);
  // b.txt was never converted, for its backup existed: its own text stays.
  EXPECT_EQ(fs.Contents("/r/b.txt"), kSubRip);
  EXPECT_EQ(fs.Paths(),
            (std::vector<std::string>{"/r/", "/r/a.txt", "/r/b.txt", "/r/b.txt_original",
                                      "/r/c.txt", "/r/sub/", "/r/sub/d.TXT", "/r/x.ass"}));
}

TEST(CliTest, NamesAreShownEscapedInEveryReport) {
  struct Case {
    std::string name;
    std::string shown;
  };
  std::vector<Case> cases = {
      {"\x1b[31mred\x1b[0m.txt", "\\e[31mred\\e[0m.txt"},
      {"line\nfeed\r.txt", "line\\nfeed\\r.txt"},
      {"tab\t bell\x07.txt", "tab\\t bell\\x07.txt"},
      {"del\x7f c1\xc2\x9b.txt", "del\\x7f c1\\u009b.txt"},
      {"rlo\xe2\x80\xae"
       "txt.exe.txt",
       "rlo\\u202etxt.exe.txt"},
      {"Ünïcødé 字幕.txt", "Ünïcødé 字幕.txt"},
  };
#ifndef _WIN32
  // Only a POSIX name can hold this.
  cases.push_back({"bad\xff.txt", "bad\\xff.txt"});
#endif
  const std::string folder = Shown("/r/");
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    fs.AddFile(PathFromArg("/r/" + c.name), kSubRip);
    Result verbose = RunTool(fs, {"-n", "-v", "/r"});
    EXPECT_EQ(verbose.out, folder + c.shown + ": would convert, 1 cue\n") << c.shown;

    // The system's own message names the file too.
    FaultyFileSystem faulty(fs);
    faulty.FailOn(FaultyFileSystem::Op::kCreate, 1,
                  Status::Error(Status::Code::kIo,
                                "create " + PathText(PathFromArg("/r/" + c.name + "_temp")) +
                                    ": injected fault"));
    Result failed = RunTool(faulty, {"/r/" + c.name});
    EXPECT_EQ(failed.err, "kestrane-cli: " + folder + c.shown +
                              ": failed, creating the work file: create " + folder + c.shown +
                              "_temp: injected fault\nconverted 0, skipped 0, failed 1\n")
        << c.shown;
  }
}

// A path in a JSON line: PathText with its backslashes escaped.
std::string Json(const char* path) {
  std::string json;
  for (char c : Shown(path))
    json += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return "\"" + json + "\"";
}

TEST(CliTest, JsonGivesOneObjectPerFileThenTheCounts) {
  MemoryFileSystem memory;
  AddTree(memory);
  memory.AddFile("/r/e.txt", kSubRip);
  memory.AddFile("/r/sub2/f.txt", kSubRip);
  FaultyFileSystem fs(memory);
  fs.FailOn(FaultyFileSystem::Op::kCreate, 1);  // a.txt's work file
  fs.FailOn(FaultyFileSystem::Op::kList, 3);    // sub2
  Result result = RunTool(fs, {"--json", "/r", "/r/x.ass"});
  EXPECT_EQ(result.status, kExitFailed);
  const std::string skipped = ", \"outcome\": \"skipped\", \"reason\": ";
  const std::string converted = ", \"outcome\": \"converted\", \"cues\": 1}\n";
  EXPECT_EQ(result.out,
            "{\"path\": " + Json("/r/a.txt") +
                ", \"outcome\": \"failed\", \"reason\": \"creating the work file\", "
                "\"message\": \"injected fault\"}\n"
                "{\"path\": " +
                Json("/r/b.txt") + skipped + "\"backup exists\"}\n" +                //
                "{\"path\": " + Json("/r/c.txt") + skipped + "\"no subtitle\"}\n" +  //
                "{\"path\": " + Json("/r/e.txt") + converted +                       //
                "{\"path\": " + Json("/r/sub/d.TXT") + converted +                   //
                "{\"path\": " + Json("/r/sub2") +
                ", \"outcome\": \"folder unreadable\", \"message\": \"injected fault\"}\n"
                "{\"path\": " +
                Json("/r/x.ass") + skipped + "\"not a .txt file\"}\n" +
                "{\"summary\": {\"converted\": 2, \"skipped\": 3, \"failed\": 1, "
                "\"folder unreadable\": 1}, \"reasons\": {\"backup exists\": 1, "
                "\"no subtitle\": 1, \"not a .txt file\": 1}}\n");
  // Standard error stays as it is without --json.
  EXPECT_NE(result.err.find("kestrane-cli: " + Shown("/r/sub2") + ": folder passed over"),
            std::string::npos)
      << result.err;

  // Dry runs and restores name their outcome as their summary does.
  MemoryFileSystem tree;
  tree.AddFile("/r/a.txt", kSubRip);
  EXPECT_EQ(RunTool(tree, {"--json", "-n", "/r"}).out,
            "{\"path\": " + Json("/r/a.txt") +
                ", \"outcome\": \"would convert\", \"cues\": 1}\n"
                "{\"summary\": {\"would convert\": 1, \"skipped\": 0, \"failed\": 0, "
                "\"folder unreadable\": 0}, \"reasons\": {}}\n");
  ASSERT_EQ(RunTool(tree, {"-q", "/r"}).status, kExitOk);
  EXPECT_EQ(RunTool(tree, {"--json", "--restore", "/r"}).out,
            "{\"path\": " + Json("/r/a.txt_original") +
                ", \"outcome\": \"restored\"}\n"
                "{\"summary\": {\"restored\": 1, \"skipped\": 0, \"failed\": 0, "
                "\"folder unreadable\": 0}, \"reasons\": {}}\n");
}

// Every report names the rate (its frame math is the cue's, its bytes the end-to-end test's,
// and its restore the side files').
TEST(CliTest, FpsIsNamedByEveryReport) {
  struct Case {
    std::vector<std::string> args;
    const char* verbose;
    const char* json;  // how the summary names the rate
  } cases[] = {
      {{}, "converted, 1 cue\n", "\"folder unreadable\": 0}"},
      {{"--fps", "23.976"}, "converted, 1 cue, 23.976 fps\n", "\"fps\": \"23.976\"}"},
      {{"--fps", "30000/1001"}, "converted, 1 cue, 29.97 fps drop-frame\n", "\"fps\": \"29.97\"}"},
      {{"--fps=29.97NDF"}, "converted, 1 cue, 29.97 fps non-drop\n", "\"fps\": \"29.97ndf\"}"},
      {{"--strip-tags", "--offset", "01;00;00;00"},
       "converted, 1 cue, offset 01:00:00:00, tags removed\n",
       "\"offset\": \"01:00:00:00\", \"strip_tags\": true}"},
  };
  for (const Case& c : cases) {
    const std::string what = c.args.empty() ? "default" : c.args.back();
    MemoryFileSystem fs;
    fs.AddFile("/r/a.txt", kSubRip);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-v", "/r"});
    Result verbose = RunTool(fs, args);
    EXPECT_EQ(verbose.out, Shown("/r/a.txt") + ": " + c.verbose) << what;
    args = c.args;
    args.insert(args.end(), {"--json", "/r"});
    Result json = RunTool(fs, args);
    EXPECT_NE(json.out.find(std::string(c.json) + ", \"reasons\""), std::string::npos)
        << what << json.out;
  }
}

// A relative path is taken whole: on Windows made absolute once, here, keeping a last dot or
// space that std::filesystem::absolute would drop; elsewhere passed on as typed.
TEST(CliTest, RelativePathsKeepEveryCharacter) {
  const std::filesystem::path typed = PathFromArg("sub/Vol. 1. /x.txt ");
#ifdef _WIN32
  const std::filesystem::path expected = std::filesystem::current_path() / L"sub\\Vol. 1. \\x.txt ";
#else
  const std::filesystem::path expected = "sub/Vol. 1. /x.txt ";
#endif
  EXPECT_EQ(typed.native(), expected.native());
}

// A file named by its 8.3 short name is converted and restored under its own name. Its backup's
// short name ends in .TXT too, and must not be taken for an input.
TEST(CliTest, AShortNameStandsForTheFilesOwnName) {
#ifndef _WIN32
  GTEST_SKIP() << "short names are Windows'";
#else
  auto short_name = [](const std::filesystem::path& path) {
    std::wstring name(32768, L'\0');
    name.resize(GetShortPathNameW(path.c_str(), name.data(), static_cast<DWORD>(name.size())));
    return std::filesystem::path(name);
  };
  testing::TempDir dir;
  const std::filesystem::path input = dir.Write(L"Movie file long name.txt", kSubRip);
  const std::filesystem::path backup = BackupPathFor(input);
  const std::filesystem::path short_input = short_name(input);
  if (short_input.filename() == input.filename()) {
    GTEST_SKIP() << "this volume gives no short names";
  }
  Result result = RunTool(DefaultFileSystem(), {PathText(short_input)});
  EXPECT_EQ(result.status, kExitOk) << result.err;
  EXPECT_EQ(testing::ReadBytes(backup), kSubRip) << PathText(short_input);

  const std::filesystem::path short_backup = short_name(backup);
  result = RunTool(DefaultFileSystem(), {"-v", PathText(short_backup)});
  EXPECT_NE(result.out.find("skipped, not a .txt file"), std::string::npos) << result.out;
  result = RunTool(DefaultFileSystem(), {"--restore", PathText(short_backup)});
  EXPECT_EQ(result.status, kExitOk) << result.err;
  EXPECT_EQ(testing::ReadBytes(input), kSubRip);
  std::vector<std::filesystem::path> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    left.push_back(entry.path().filename());
  EXPECT_EQ(left, std::vector<std::filesystem::path>{input.filename()});
#endif
}

}  // namespace
}  // namespace kestrane
