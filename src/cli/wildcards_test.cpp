#include "cli/wildcards.h"

#include <gtest/gtest.h>

#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

TEST(WildcardsTest, MatchesCharacterByCharacter) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"a.txt", "*.txt", true},
      {"a.txt_original", "*.txt", false},  // what an 8.3 short name would let through
      {".txt", "*.txt", true},
      {"a.txt.txt", "*.txt", true},  // the * must give back what it took
      {"abcbcd", "a*bcd", true},
      {"abcbce", "a*bcd", false},
      {"a.txt", "?.txt", true},
      {"ab.txt", "?.txt", false},
      {"\xc3\xa9.txt", "?.txt", true},  // ? is one character, not one byte
      {"\xf0\x9f\x8e\xac.txt", "?.txt", true},
      {"a.txt", "a.txt", true},
      {"a.txt", "a.tx", false},
      {"", "*", true},
      {"x", "", false},
      {"anything", "**", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
  }
}

TEST(WildcardsTest, ExpandsAsAShellWould) {
  testing::MemoryFileSystem fs;
  for (const char* file : {"/r/b.TXT", "/r/a.txt", "/r/a.txt_original", "/r/c.srt", "/r/sub/x.txt",
                           "/r/lit*.txt", "/r/*/y.txt"})
    fs.AddFile(file, "");
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> expanded;
  };
  const Case cases[] = {
      {{"cli", "/r/*.txt"}, {"cli", "/r/a.txt", "/r/b.TXT", "/r/lit*.txt"}},  // by folded name
      {{"cli", "-n", "/r/sub/*.txt", "/r/c.*"}, {"cli", "-n", "/r/sub/x.txt", "/r/c.srt"}},
      {{"cli", "/r/lit*.txt"}, {"cli", "/r/lit*.txt"}},  // the name exists as typed
      {{"cli", "/r/*.none"}, {"cli", "/r/*.none"}},      // nothing to match: reported as typed
      {{"cli", "/r/*/y.txt"}, {"cli", "/r/*/y.txt"}},
      {{"cli", "/r/*/x.txt"}, {"cli", "/r/*/x.txt"}},  // only the last name may hold one
      {{"cli", "/gone/*.txt"}, {"cli", "/gone/*.txt"}},
      {{"cli", "--encoding=*"}, {"cli", "--encoding=*"}},
      {{"/r/*.txt"}, {"/r/*.txt"}},  // the program itself
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandWildcards(c.args, fs, AsciiUpper), c.expanded) << c.args.back();
  }
}

}  // namespace
}  // namespace kestrane
