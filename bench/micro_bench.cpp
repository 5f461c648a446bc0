// Micro-benchmarks of the hot paths: one cue to one line, lines out of a buffer, a whole file
// through the converter, and the proof that a list is a file's conversion.
#include <benchmark/benchmark.h>

#include "convert/conversion_proof.h"
#include "convert/convert_file.h"
#include "convert/cue.h"
#include "platform/line_reader.h"
#include "platform/text.h"
#include "testing/memory_file_system.h"

namespace kestrane {
namespace {

// The classic frame, then a rate (its name the argument) whose timecode is computed.
void BM_ConvertCue(benchmark::State& state) {
  std::string block =
      "1234 00:12:34,567 --> 00:12:38,901 Somebody said something, and then "
      "somebody else answered at length\n";
  const FrameRate rate = state.range(0) == 0 ? FrameRate() : *FrameRate::Parse("29.97");
  for (auto _ : state)
    benchmark::DoNotOptimize(ConvertCue(block, rate));
  state.SetBytesProcessed(state.iterations() * block.size());
}
BENCHMARK(BM_ConvertCue)->ArgName("drop_frame")->Arg(0)->Arg(1);

void BM_MsToFrame(benchmark::State& state) {
  int ms = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MsToFrame(ms));
    ms = (ms + 37) % 1000;
  }
}
BENCHMARK(BM_MsToFrame);

std::string SampleText(bool legacy, int cues = 2000) {
  std::string text;
  for (int i = 1; i <= cues; ++i) {
    text += std::to_string(i) + "\r\n00:01:02,517 --> 00:01:05,990\r\n";
    text += legacy ? "Caf\xE9 et cr\xE8me, s'il vous pla\xEEt\r\n\r\n"
                   : "Caf\xC3\xA9 et cr\xC3\xA8me, s'il vous pla\xC3\xAEt\r\n\r\n";
  }
  return text;
}

void BM_ReadLines(benchmark::State& state) {
  const bool legacy = state.range(0) != 0;
  std::string text = SampleText(legacy);
  std::string line;
  testing::StringFile file(text);
  for (auto _ : state) {
    (void)file.Rewind();
    LineReader reader(file, LineReader::Mode::kEightBit);
    while (reader.ReadLine(&line))
      benchmark::DoNotOptimize(line.data());
  }
  state.SetBytesProcessed(state.iterations() * text.size());
  state.SetLabel(legacy ? "windows-1252" : "utf-8");
}
BENCHMARK(BM_ReadLines)->Arg(0)->Arg(1);

void BM_ReadUtf16Lines(benchmark::State& state) {
  std::string ascii = SampleText(false), text = "\xFF\xFE";
  for (char c : ascii) {
    text.push_back(c);
    text.push_back('\0');
  }
  std::string line;
  testing::StringFile file(text);
  for (auto _ : state) {
    (void)file.Rewind();
    LineReader reader(file, LineReader::Mode::kUtf16Le);
    while (reader.ReadLine(&line))
      benchmark::DoNotOptimize(line.data());
  }
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ReadUtf16Lines);

// A whole file through the converter, its cue lines handed to a work file that keeps nothing:
// a small file of 40 cues, as most are, and one of 2,000 that does not fit the reader's buffer.
void BM_ConvertFile(benchmark::State& state) {
  const std::string text = SampleText(false, static_cast<int>(state.range(0)));
  testing::MemoryFileSystem fs;
  WorkFile work(fs, [](std::string_view written) {
    benchmark::DoNotOptimize(written.data());
    return Status::Ok();
  });
  const Converter convert = SubtitleConverter({});
  testing::StringFile file(text);
  for (auto _ : state) {
    (void)file.Rewind();
    benchmark::DoNotOptimize(convert(file, work));
  }
  state.SetBytesProcessed(state.iterations() * text.size());
  state.SetLabel(std::to_string(text.size()) + " bytes");
}
BENCHMARK(BM_ConvertFile)->ArgName("cues")->Arg(40)->Arg(2000);

// The undo's proof of the same files' lists: every frame rate tried on the first cue, the
// classic frame alone left after it.
void BM_ProveConversion(benchmark::State& state) {
  const std::string text = SampleText(false, static_cast<int>(state.range(0)));
  testing::MemoryFileSystem fs;
  fs.AddFile("/a.txt", text);
  ConvertFile(fs, "/a.txt");
  testing::StringFile original(text), list(fs.Contents("/a.txt").value_or(""));
  bool proven = false;
  for (auto _ : state) {
    (void)list.Rewind();
    benchmark::DoNotOptimize(ProveConversion(list, original, {}, ProofMode::kWhole, &proven));
  }
  if (!proven) state.SkipWithError("not proven");
  state.SetBytesProcessed(state.iterations() * text.size());
}
BENCHMARK(BM_ProveConversion)->ArgName("cues")->Arg(40)->Arg(2000);

}  // namespace
}  // namespace kestrane

BENCHMARK_MAIN();
