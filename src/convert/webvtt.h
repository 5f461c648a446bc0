// WebVTT (.vtt) text read into the cue blocks that AppendCueLine (cue.h) turns into cue lines.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrane {

// Reads a WebVTT file one line at a time, as the W3C WebVTT parser reads it, and hands out each
// cue as a block: "N HH:MM:SS,mmm --> HH:MM:SS,mmm text\n". N counts the cues from 1; each time
// has every field in two digits, hours in as many as they need, so that every frame rate reads
// it alike. The text is the cue's lines without their tags (voices, classes, styles, languages,
// ruby, inline timestamps: any complete <...>), with &amp; &lt; &gt; &nbsp; &lrm; &rlm; and
// numeric references decoded, joined by single spaces; a line left with nothing but white space
// adds nothing, and a cue without text gives a block that ends after its end time.
//
// Nothing else gives a block: the header, NOTE, STYLE and REGION blocks, cue identifiers, cue
// settings, and a cue whose timing line does not read (its block is passed over, as the W3C
// parser drops it) or names a time past FrameCounter::kMaxMs. A file whose first line is not
// WebVTT's gives nothing at all.
//
// The reader holds no more than one cue's text at a time.
class WebVttReader {
 public:
  // Receives each block; the text stays valid during the call only.
  using BlockSink = std::function<void(std::string_view block)>;

  // The next line of the file, as UTF-8 without its line feed. A CR at its end is dropped and a
  // CR inside it ends a line, as WebVTT ends lines with LF, CR LF or CR. `sink` receives, in
  // order, each block that the line completes.
  void ReadLine(std::string_view line, const BlockSink& sink);
  // The end of the file: the cue still open, if any, goes to `sink`.
  void Finish(const BlockSink& sink);

  // True once the first line has shown that the file is not WebVTT: after an optional byte-order
  // mark it is not "WEBVTT", alone or followed by a space or a tab and anything. Nothing read
  // after that gives a block, so the caller may stop there.
  bool rejected() const { return state_ == State::kRejected; }

 private:
  enum class State { kSignature, kHeader, kBetweenBlocks, kBlock, kRejected };

  void ReadOneLine(std::string_view line, const BlockSink& sink);
  // The line as the next of the current block, which it may end, and then start the next one.
  void ReadBlockLine(std::string_view line, const BlockSink& sink);
  void EndBlock(const BlockSink& sink);

  State state_ = State::kSignature;
  int block_lines_ = 0;      // lines of the current block so far
  bool seen_arrow_ = false;  // the current block has had its timing line, read or not
  bool in_cue_ = false;      // ... and it read: the block is a cue
  std::int64_t start_ms_ = 0, end_ms_ = 0;
  std::string text_;  // the cue's text lines as written, each followed by a line feed
  std::int64_t cues_ = 0;
  std::string stripped_, block_;  // kept from cue to cue for their room
};

}  // namespace kestrane
