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

}  // namespace
}  // namespace kestrane
