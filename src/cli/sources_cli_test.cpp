// --sources read and checked, and what the tool says of the files it converted beside them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli.h"
#include "testing/trio.h"

namespace kestrane {
namespace {

using testing::MemoryFileSystem;

struct Captured : Console {
  std::string out, err;
  void Out(std::string_view text) override { out += text; }
  void Err(std::string_view text) override { err += text; }
  bool ErrIsTerminal() override { return false; }
};

TEST(SourcesCliTest, TheValueIsReadOrRefusedWithTheAcceptedForm) {
  struct Case {
    const char* value;
    int status;
    const char* files_after;  // of "a.srt=S b.vtt=V", converted in /d
  } cases[] = {
      {"srt,vtt", 0, "a.srt=S a.txt=C b.txt=C b.vtt=V"},
      {"VTT,srt", 0, "a.srt=S a.txt=C b.txt=C b.vtt=V"},
      {"srt", 0, "a.srt=S a.txt=C b.vtt=V"},
      {"vtt", 0, "a.srt=S b.txt=C b.vtt=V"},
      {"ass", 2, "a.srt=S b.vtt=V"},
      {"srt,", 2, "a.srt=S b.vtt=V"},
      {"srt,srt", 2, "a.srt=S b.vtt=V"},
      {"", 2, "a.srt=S b.vtt=V"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    trio::Put(fs, "a.srt=S b.vtt=V");
    Captured console;
    EXPECT_EQ(RunCli({"kestrane-cli", "-j", "1", "--sources", c.value, "/d"}, fs, console),
              c.status)
        << c.value;
    EXPECT_EQ(trio::Show(fs), c.files_after) << c.value;
    if (c.status == 2) {
      EXPECT_EQ(console.err, std::string("kestrane-cli: --sources: unknown value '") + c.value +
                                 "'; use srt, vtt or srt,vtt\n");
    }
  }
}

// Paths as Linux shows them: Windows joins a folder and a name with a backslash, which JSON
// doubles.
std::string Slashed(const std::string& text) {
#ifdef _WIN32
  std::string slashed;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      slashed += text[i];
      continue;
    }
    slashed += '/';
    if (i + 1 < text.size() && text[i + 1] == '\\') ++i;
  }
  return slashed;
#else
  return text;
#endif
}

TEST(SourcesCliTest, VerboseAndJsonSayWhatWasWrittenBesideAndWhyNot) {
  struct Case {
    std::vector<std::string> args;
    const char* out;
  } cases[] = {
      {{"-v", "--sources", "srt,vtt", "/d"},
       "/d/a.srt: converted, 1 cue, beside it as /d/a.txt\n"
       "/d/a.vtt: skipped, name.txt exists\n"},
      {{"-v", "/d/a.vtt"}, "/d/a.vtt: skipped, name.txt exists\n"},
      {{"--json", "--sources", "vtt", "/d/a.vtt"},
       "{\"path\": \"/d/a.vtt\", \"outcome\": \"skipped\", \"reason\": \"name.txt exists\", "
       "\"beside\": \"/d/a.txt\"}\n"},
      {{"-v", "--restore", "--sources", "srt", "/d"},
       "/d/a.srt: restored, its list removed: /d/a.txt\n"},
  };
  MemoryFileSystem fs;
  // Two sources with lists of their own: the .vtt finds the .srt's.
  trio::Put(fs, "a.srt=O a.vtt=V");
  for (const Case& c : cases) {
    std::vector<std::string> args = {"kestrane-cli", "-j", "1"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Captured console;
    RunCli(args, fs, console);
    // The counts that close a JSON run are the tool's own business.
    EXPECT_EQ(Slashed(console.out.substr(0, console.out.find("{\"summary\""))), c.out)
        << args.back();
  }
  EXPECT_EQ(trio::Show(fs), "a.srt=O a.vtt=V");
}

}  // namespace
}  // namespace kestrane
