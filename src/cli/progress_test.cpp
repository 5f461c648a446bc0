#include "cli/progress.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrane {
namespace {

using namespace std::chrono_literals;

struct ScreenConsole : Console {
  std::string err;
  void Out(std::string_view) override { ADD_FAILURE() << "progress writes to standard error"; }
  void Err(std::string_view text) override { err += text; }
  bool ErrIsTerminal() override { return true; }
};

struct FakeClock {
  Progress::Clock::time_point now{};
  std::function<Progress::Clock::time_point()> Function() {
    return [this] { return now; };
  }
};

TEST(ProgressTest, AppearsAfterASecondAndRedrawsAtMostTenTimesASecond) {
  ScreenConsole console;
  FakeClock clock;
  Progress progress(console, true, clock.Function());
  clock.now += 900ms;
  progress.Update(1, "a.txt");
  EXPECT_EQ(console.err, "") << "a run shorter than a second shows nothing";

  clock.now += 200ms;
  progress.Update(2, "sub/b.txt");
  EXPECT_EQ(console.err, "\r2 files, sub/b.txt");
  clock.now += 50ms;
  progress.Update(3, "c.txt");
  EXPECT_EQ(console.err, "\r2 files, sub/b.txt") << "too soon for a redraw";
  clock.now += 100ms;
  progress.Update(4, "d.txt");
  // Padded over the longer line before it.
  EXPECT_EQ(console.err, "\r2 files, sub/b.txt\r4 files, d.txt    ");

  console.err.clear();
  progress.Clear();
  EXPECT_EQ(console.err, "\r              \r");
  console.err.clear();
  progress.Clear();
  EXPECT_EQ(console.err, "") << "nothing left to wipe";
}

TEST(ProgressTest, KeepsTheEndOfALongPathWithinOneLine) {
  ScreenConsole console;
  FakeClock clock;
  Progress progress(console, true, clock.Function());
  clock.now += 2s;
  std::string folders;
  for (int i = 0; i < 40; ++i)
    folders +=
        "\xC3\xBC"
        "bung/";  // two bytes, one column each
  progress.Update(1000, folders + "last.txt");
  const std::string& line = console.err;
  ASSERT_TRUE(line.starts_with("\r1000 files, ...")) << line;
  EXPECT_TRUE(line.ends_with("bung/last.txt")) << line;
  std::size_t columns = 0;
  for (char c : line.substr(1))
    columns += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  EXPECT_EQ(columns, 79u) << line;
}

TEST(ProgressTest, NeverWritesWhenDisabled) {
  ScreenConsole console;
  FakeClock clock;
  Progress progress(console, false, clock.Function());
  clock.now += 5s;
  progress.Update(1, "a.txt");
  progress.Clear();
  EXPECT_EQ(console.err, "");
}

}  // namespace
}  // namespace kestrane
