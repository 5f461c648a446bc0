#include "app/kestrane_app.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "convert/timeline_offset.h"
#include "testing/memory_file_system.h"

#ifdef _WIN32
#include "app/command_line.h"
#endif

namespace kestrane {
namespace {

using testing::MemoryFileSystem;

constexpr char kSubtitle[] =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nHello\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\nAgain\r\n\r\n";

// What a scripted open-file dialog answers.
struct FileAnswer {
  DialogResult result;
  std::filesystem::path folder;
  std::filesystem::path name;
};

// Plays the user: answers each open-file dialog with the next scripted answer (Cancel once
// they run out) and the folder picker with a folder or a refusal, and records what was shown.
class ScriptedDialogs : public Dialogs {
 public:
  std::deque<FileAnswer> file_answers;
  std::optional<std::filesystem::path> picked_folder;  // none: the picker returns false

  int file_dialogs_created = 0;
  int file_dialogs_shown = 0;
  std::vector<FileFilter> filters;
  int pickers_shown = 0;
  std::vector<std::string> messages;
  // The picker's members as they were when it was shown.
  std::string caption, prompt;
  std::filesystem::path folder, root, start_sel;
  bool status_text = true;

  std::unique_ptr<OpenFileDialog> NewOpenFileDialog(const FileFilter& filter) override {
    ++file_dialogs_created;
    filters.push_back(filter);
    FileAnswer answer{DialogResult::kCancel, {}, {}};
    if (!file_answers.empty()) {
      answer = file_answers.front();
      file_answers.pop_front();
    }
    return std::make_unique<Dialog>(this, answer);
  }

  bool Browse(CDirDialog& picker) override {
    ++pickers_shown;
    caption = picker.m_strCaption;
    prompt = picker.m_strPrompt;
    folder = picker.m_strFolder;
    root = picker.m_strRoot;
    start_sel = picker.m_strStartSel;
    status_text = picker.m_bStatusText;
    if (!picked_folder) return false;
    picker.m_strFolder = *picked_folder;
    return true;
  }

  void ShowMessage(const std::string& text) override { messages.push_back(text); }

 private:
  class Dialog : public OpenFileDialog {
   public:
    Dialog(ScriptedDialogs* owner, FileAnswer answer) : m_owner(owner), m_answer(answer) {}
    DialogResult DoModal() override {
      // Each pass is to get a fresh dialog.
      EXPECT_FALSE(m_shown) << "an open-file dialog was shown twice";
      m_shown = true;
      ++m_owner->file_dialogs_shown;
      return m_answer.result;
    }
    std::filesystem::path GetFolderPath() const override { return m_answer.folder; }
    std::filesystem::path GetFileName() const override { return m_answer.name; }

   private:
    ScriptedDialogs* m_owner;
    FileAnswer m_answer;
    bool m_shown = false;
  };
};

class KestraneAppTest : public ::testing::Test {
 protected:
  KestraneAppTest() {
    fs.AddFile("/subs/a.txt", kSubtitle);
    fs.AddFile("/subs/b.txt", kSubtitle);
    fs.AddFile("/subs/season/c.TXT", kSubtitle);
    fs.AddFile("/elsewhere/d.txt", kSubtitle);
  }

  // Runs the start-up with the command line `args` (the program's path first).
  void Run(std::vector<std::string> args) {
    CKestraneApp app(fs, dialogs);
    app.SetArguments(std::move(args));
    EXPECT_FALSE(app.InitInstance()) << "the start-up must end the program";
  }

  // Whether `path` was converted: its original bytes moved to the backup, new text in its place.
  bool Converted(const std::string& path) {
    return fs.Contents(path + "_original") == kSubtitle && fs.Contents(path) != kSubtitle;
  }

  MemoryFileSystem fs;
  ScriptedDialogs dialogs;
};

TEST_F(KestraneAppTest, FirstArgumentChoosesTheMode) {
  struct Case {
    std::vector<std::string> args;
    bool file_mode;
  };
  const Case cases[] = {
      {{"kestrane"}, false},
      {{"kestrane", "/file"}, true},
      {{"kestrane", "/FILE"}, true},
      {{"kestrane", "/File"}, true},
      {{"kestrane", "/fIlE", "ignored"}, true},
      {{"kestrane", ""}, false},
      {{"kestrane", "file"}, false},
      {{"kestrane", "-file"}, false},
      {{"kestrane", "--file"}, false},
      {{"kestrane", "/files"}, false},
      {{"kestrane", "/fil"}, false},
      {{"kestrane", " /file"}, false},
      {{"kestrane", "/file "}, false},
      {{"kestrane", "x", "/file"}, false},
      {{}, false},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& arg : c.args)
      line += "[" + arg + "]";
    dialogs = ScriptedDialogs();
    Run(c.args);
    EXPECT_EQ(dialogs.file_dialogs_shown, c.file_mode ? 1 : 0) << line;
    EXPECT_EQ(dialogs.pickers_shown, c.file_mode ? 0 : 1) << line;
  }
}

// /fps:RATE, /offset:TC and /strip-tags in any position and letter case set the conversion of
// both modes, the last of each counting and the offset read at the rate wherever it stands; a
// rate Kestrane does not know, or an offset that is no timecode at the rate, shows one message
// box and converts nothing.
TEST(KestraneAppFpsTest, ConversionArgumentsSetTheListOrEndWithAMessage) {
  struct Case {
    std::vector<std::string> args;
    bool file_mode;
    // a.txt's first cue line after its index, "!rate" or "!offset": the message box
    const char* line;
  };
  const Case cases[] = {
      {{"kestrane"}, false, "00;00;01;00 00;00;02;15 <i>Hello</i> "},
      {{"kestrane", "/file"}, true, "00;00;01;00 00;00;02;15 <i>Hello</i> "},
      {{"kestrane", "/fps:25"}, false, "00;00;01;00 00;00;02;12 <i>Hello</i> "},
      {{"kestrane", "/file", "/FPS:25"}, true, "00;00;01;00 00;00;02;12 <i>Hello</i> "},
      {{"kestrane", "/FpS:59.94NDF", "/file"}, false, "00;00;01;00 00;00;02;30 <i>Hello</i> "},
      {{"kestrane", "/fps:59.94ndf", "x", "/fps:25"},
       false,
       "00;00;01;00 00;00;02;12 <i>Hello</i> "},
      {{"kestrane", "fps:25", "/fps25", "-fps:25", "/fps :25"},
       false,
       "00;00;01;00 00;00;02;15 <i>Hello</i> "},
      {{"kestrane", "/offset:01:00:00:00", "/Strip-Tags"}, false, "01;00;01;00 01;00;02;15 Hello "},
      {{"kestrane", "/file", "/OFFSET:-00:00:01;00", "/fps:25"},
       true,
       "00;00;00;00 00;00;01;12 <i>Hello</i> "},
      {{"kestrane", "/offset:00:01:00;02", "/fps:29.97", "/strip-tags"},
       false,
       "00;01;01;02 00;01;02;17 Hello "},
      {{"kestrane", "/fps:26"}, false, "!rate"},
      {{"kestrane", "/file", "/fps:25", "/fps:"}, true, "!rate"},
      {{"kestrane", "/fps:25 "}, false, "!rate"},
      {{"kestrane", "/fps:\x1b[2J\xff"}, false, "!rate"},
      {{"kestrane", "/fps:25", "/offset:00:00:00:25"}, false, "!offset"},
      {{"kestrane", "/fps:29.97", "/offset:00:01:00;00"}, false, "!offset"},
      {{"kestrane", "/file", "/offset:"}, true, "!offset"},
      {{"kestrane", "/offset:1 hour\x1b"}, false, "!offset"},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& arg : c.args)
      line += "[" + arg + "]";
    MemoryFileSystem fs;
    const std::string subtitle = "1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>Hello</i>\r\n";
    fs.AddFile("/subs/a.txt", subtitle);
    const auto before = fs.Paths();
    ScriptedDialogs dialogs;
    dialogs.picked_folder = "/subs";
    dialogs.file_answers = {{DialogResult::kOk, "/subs", "a.txt"}};
    CKestraneApp app(fs, dialogs);
    app.SetArguments(c.args);
    EXPECT_FALSE(app.InitInstance()) << line;
    if (c.line[0] == '!') {
      ASSERT_EQ(dialogs.messages.size(), 1u) << line;
      const std::string& message = dialogs.messages[0];
      const std::string accepted = std::string_view(c.line) == "!rate"
                                       ? FrameRate::AcceptedNames()
                                       : std::string(TimelineOffset::kAcceptedForm);
      EXPECT_NE(message.find(accepted), std::string::npos) << line << message;
      const std::string& last = c.args.back();
      const bool plain = last.find_first_of("\x1b\xff") == std::string::npos;
      EXPECT_EQ(message.find(last) != std::string::npos, plain) << line << message;
      EXPECT_EQ(dialogs.file_dialogs_shown + dialogs.pickers_shown, 0) << line;
      EXPECT_EQ(fs.Contents("/subs/a.txt"), subtitle) << line;
      EXPECT_EQ(fs.Paths(), before) << line;
      continue;
    }
    EXPECT_EQ(dialogs.messages.size(), 0u) << line;
    EXPECT_EQ(dialogs.file_dialogs_shown, c.file_mode ? 2 : 0) << line;
    EXPECT_EQ(dialogs.pickers_shown, c.file_mode ? 0 : 1) << line;
    EXPECT_EQ(fs.Contents("/subs/a.txt"), std::string("\xEF\xBB\xBF"
                                                      "1 ") +
                                              c.line + "\r\n")
        << line;
  }
}

// /sources: chooses the sources a folder walk converts beside them, in any position; a source
// picked in the open-file dialog is converted without it; sources it cannot read show one
// message box and convert nothing. The start folder after /sources: is still the picker's.
TEST(KestraneAppSourcesTest, SourcesArgumentChoosesWhatAFolderWalkTakes) {
  struct Case {
    std::vector<std::string> args;
    const char* converted;  // the sources that got a list beside them; "!" for the message box
  };
  const Case cases[] = {
      {{"kestrane", "/subs"}, ""},
      {{"kestrane", "/sources:srt", "/subs"}, "b.srt"},
      {{"kestrane", "/subs", "/SOURCES:Vtt,SRT"}, "b.srt c.vtt"},
      {{"kestrane", "/file"}, "b.srt"},
      {{"kestrane", "/sources:srt,srt", "/subs"}, "!"},
      {{"kestrane", "/file", "/sources:"}, "!"},
  };
  for (const Case& c : cases) {
    const std::string line = c.args.back();
    MemoryFileSystem fs;
    fs.AddFile("/subs/b.srt", kSubtitle);
    fs.AddFile("/subs/c.vtt", "WEBVTT\n\n00:01.000 --> 00:02.000\nHi\n");
    const auto before = fs.Paths();
    ScriptedDialogs dialogs;
    dialogs.picked_folder = "/subs";
    dialogs.file_answers = {{DialogResult::kOk, "/subs", "b.srt"}};
    CKestraneApp app(fs, dialogs);
    app.SetArguments(c.args);
    app.InitInstance();
    const std::string converted = c.converted;
    EXPECT_EQ(dialogs.messages.size(), converted == "!" ? 1u : 0u) << line;
    EXPECT_EQ(fs.Contents("/subs/b.txt").has_value(), converted.find("b.srt") != std::string::npos)
        << line;
    EXPECT_EQ(fs.Contents("/subs/c.txt").has_value(), converted.find("c.vtt") != std::string::npos)
        << line;
    EXPECT_EQ(fs.Contents("/subs/b.srt"), kSubtitle) << line;
    if (dialogs.pickers_shown != 0) {
      EXPECT_EQ(dialogs.start_sel, "/subs") << line;
    }
    if (converted.empty() || converted == "!") {
      EXPECT_EQ(fs.Paths(), before) << line;
    }
  }
}

TEST_F(KestraneAppTest, FileModeConvertsOneFilePerPassUntilCancel) {
  const auto before = fs.Paths();
  dialogs.file_answers = {{DialogResult::kOk, "/subs", "a.txt"},
                          {DialogResult::kOk, "/subs/season", "c.TXT"}};
  Run({"kestrane", "/file"});

  EXPECT_EQ(dialogs.file_dialogs_created, 3);
  EXPECT_EQ(dialogs.file_dialogs_shown, 3);
  for (const FileFilter& filter : dialogs.filters) {
    EXPECT_EQ(filter.name, "Subtitle files (*.txt;*.srt;*.vtt)");
    EXPECT_EQ(filter.pattern, "*.txt;*.srt;*.vtt");
  }
  EXPECT_TRUE(Converted("/subs/a.txt"));
  EXPECT_TRUE(Converted("/subs/season/c.TXT"));
  EXPECT_EQ(fs.Contents("/subs/b.txt"), kSubtitle) << "never chosen";
  EXPECT_EQ(fs.Paths().size(), before.size() + 2) << "two backups and nothing else";
  EXPECT_EQ(dialogs.pickers_shown, 0);
}

TEST_F(KestraneAppTest, FileModeCancelledAtOnceConvertsNothing) {
  const auto before = fs.Paths();
  Run({"kestrane", "/file"});
  EXPECT_EQ(dialogs.file_dialogs_shown, 1);
  EXPECT_EQ(fs.Paths(), before);
  EXPECT_EQ(fs.Contents("/subs/a.txt"), kSubtitle);
}

TEST_F(KestraneAppTest, FileModeNameWithoutFileFindsNothingAndAsksAgain) {
  const auto before = fs.Paths();
  dialogs.file_answers = {{DialogResult::kOk, "/subs", "missing.txt"},
                          {DialogResult::kOk, "/nowhere", "a.txt"},
                          {DialogResult::kOk, "/subs", "b.txt"}};
  Run({"kestrane", "/FILE"});
  EXPECT_EQ(dialogs.file_dialogs_shown, 4);
  EXPECT_TRUE(Converted("/subs/b.txt"));
  EXPECT_EQ(fs.Contents("/subs/a.txt"), kSubtitle);
  EXPECT_EQ(fs.Paths().size(), before.size() + 1);
}

TEST_F(KestraneAppTest, FileModeEndsAtADialogThatFailsToOpen) {
  dialogs.file_answers = {{DialogResult::kOk, "/subs", "a.txt"},
                          {DialogResult::kError, "/subs", "b.txt"},
                          {DialogResult::kOk, "/elsewhere", "d.txt"}};
  Run({"kestrane", "/file"});
  EXPECT_EQ(dialogs.file_dialogs_shown, 2) << "no dialog after the one that failed";
  EXPECT_TRUE(Converted("/subs/a.txt"));
  EXPECT_EQ(fs.Contents("/subs/b.txt"), kSubtitle) << "what a failed dialog reports is not used";
  EXPECT_EQ(fs.Contents("/elsewhere/d.txt"), kSubtitle);
}

TEST_F(KestraneAppTest, FolderModeShowsThePickerWithOnlyItsCaptionSet) {
  Run({"kestrane"});
  ASSERT_EQ(dialogs.pickers_shown, 1);
  EXPECT_EQ(dialogs.caption, "Browse to the starting folder:");
  EXPECT_EQ(dialogs.prompt, "");
  EXPECT_EQ(dialogs.folder, "");
  EXPECT_EQ(dialogs.root, "");
  EXPECT_EQ(dialogs.start_sel, "");
  EXPECT_FALSE(dialogs.status_text);
}

TEST_F(KestraneAppTest, FolderModeConvertsTheChosenTree) {
  dialogs.picked_folder = "/subs";
  Run({"kestrane", "/folder"});
  EXPECT_TRUE(Converted("/subs/a.txt"));
  EXPECT_TRUE(Converted("/subs/b.txt"));
  EXPECT_TRUE(Converted("/subs/season/c.TXT"));
  EXPECT_EQ(fs.Contents("/elsewhere/d.txt"), kSubtitle) << "outside the chosen folder";
  EXPECT_EQ(dialogs.file_dialogs_shown, 0);
}

TEST_F(KestraneAppTest, FolderModeConvertsNothingWithoutAnExistingChoice) {
  const auto before = fs.Paths();
  struct Case {
    const char* what;
    std::optional<std::filesystem::path> picked;
  };
  const Case cases[] = {{"picker refused", std::nullopt}, {"missing folder", "/gone"}};
  for (const Case& c : cases) {
    dialogs = ScriptedDialogs();
    dialogs.picked_folder = c.picked;
    Run({"kestrane"});
    EXPECT_EQ(dialogs.pickers_shown, 1) << c.what;
    EXPECT_EQ(fs.Paths(), before) << c.what;
  }
}

// A file manager starts Kestrane with a folder: the picker must start there, and still convert
// only what the user then confirms.
TEST_F(KestraneAppTest, FirstArgumentNamingAFolderIsThePickersStartSelection) {
  fs.AddEntry("/link", EntryKind::kLink);
  struct Case {
    std::vector<std::string> args;
    std::filesystem::path start_sel;
  };
  const Case cases[] = {
      {{"kestrane", "/subs"}, "/subs"},
      {{"kestrane", "/subs/season", "/file"}, "/subs/season"},
      {{"kestrane", "/subs/a.txt"}, ""},  // a file, not a folder
      {{"kestrane", "/gone"}, ""},
      {{"kestrane", "/link"}, ""},  // never followed, so never offered
      {{"kestrane", "x", "/subs"}, ""},
      {{"kestrane", ""}, ""},
  };
  for (const Case& c : cases) {
    const auto before = fs.Paths();
    dialogs = ScriptedDialogs();
    Run(c.args);
    EXPECT_EQ(dialogs.pickers_shown, 1) << c.args[1];
    EXPECT_EQ(dialogs.start_sel, c.start_sel) << c.args[1];
    EXPECT_EQ(fs.Paths(), before) << c.args[1] << ": converted without the user's OK";
  }

  dialogs = ScriptedDialogs();
  dialogs.picked_folder = "/elsewhere";
  Run({"kestrane", "/subs"});
  EXPECT_TRUE(Converted("/elsewhere/d.txt")) << "the folder the user moved to and confirmed";
  EXPECT_EQ(fs.Contents("/subs/a.txt"), kSubtitle) << "only preselected, never confirmed";
}

// The setup's right-click entry, "...\Kestrane.exe" /fps:25 "%V", as Explorer fills it in: the
// picker starts at the folder, a drive's or a share's root too, and the rate holds. Entries an
// earlier setup wrote name the folder first, and work as well. Windows splits each line; the
// arguments it must give are what the application takes everywhere.
TEST(KestraneAppCommandLineTest, TheSetupsEntryStartsThePickerAtItsFolderAndRate) {
  struct Case {
    const wchar_t* line;
    std::vector<std::string> args;  // after the program's own
    const char* selection;          // the picker's start selection
  };
  const Case cases[] = {
      {LR"("C:\Kestrane\Kestrane.exe" /fps:25 "C:\")", {"/fps:25", "C:\\"}, "C:\\"},
      {LR"("C:\Kestrane\Kestrane.exe" /fps:25 "D:\")", {"/fps:25", "D:\\"}, "D:\\"},
      {LR"("C:\Kestrane\Kestrane.exe" /fps:25 "\\srv\share\")",
       {"/fps:25", "\\\\srv\\share\\"},
       "\\\\srv\\share\\"},
      {LR"("C:\Kestrane\Kestrane.exe" /fps:25 "\\nas\films\Subs ")",
       {"/fps:25", "\\\\nas\\films\\Subs "},
       "\\\\nas\\films\\Subs "},
      {LR"("C:\Kestrane\Kestrane.exe" "C:\" /fps:25)", {"C:\\", "/fps:25"}, "C:\\"},
  };
  for (const Case& c : cases) {
    const std::string what = c.args[0] + " " + c.args[1];
    std::vector<std::string> args = {"C:\\Kestrane\\Kestrane.exe"};
    args.insert(args.end(), c.args.begin(), c.args.end());
#ifdef _WIN32
    EXPECT_EQ(ArgumentsOfCommandLine(c.line), args) << what;
#endif
    MemoryFileSystem fs;
    for (const char* folder :
         {"C:\\", "D:\\", "\\\\srv\\share\\", "\\\\nas\\films\\Subs ", "\\\\nas\\films\\Subs"})
      fs.AddEntry(folder, EntryKind::kDirectory);  // alone: nothing else is looked at
    fs.AddFile("/subs/a.txt", kSubtitle);
    ScriptedDialogs dialogs;
    dialogs.picked_folder = "/subs";
    CKestraneApp app(fs, dialogs);
    app.SetArguments(args);
    EXPECT_FALSE(app.InitInstance()) << what;

    const std::filesystem::path selection =
        TrimStartSelection(dialogs.start_sel, [&fs](const std::filesystem::path& path) {
          FileInfo info;
          return fs.Stat(path, &info).ok();
        });
    EXPECT_EQ(selection, std::filesystem::path(c.selection)) << what;
    EXPECT_EQ(fs.Contents("/subs/a.txt").value_or("").substr(0, 28),
              "\xEF\xBB\xBF"
              "1 00;00;01;00 00;00;02;12")
        << what << ": not at 25 fps";
  }
}

TEST_F(KestraneAppTest, RunApplicationStartsTheApplicationWithItsArguments) {
  EXPECT_EQ(RunApplication({"kestrane", "/file"}), 1) << "no application object yet";
  {
    CKestraneApp app(fs, dialogs);
    ASSERT_EQ(CApplication::Current(), &app);
    EXPECT_EQ(RunApplication({"kestrane", "/FILE"}), 0);
    EXPECT_EQ(app.Argument(1), "/FILE");
    EXPECT_EQ(app.Argument(2), "");
  }
  EXPECT_EQ(CApplication::Current(), nullptr);
  EXPECT_EQ(dialogs.file_dialogs_shown, 1) << "file mode, from the arguments given";
}

}  // namespace
}  // namespace kestrane
