// A subtitle source read as every conversion reads it: its encoding chosen from its first bytes,
// its lines gathered into cue blocks at the blank lines between them, and each block's cue line.
// The converter (convert_file.h) writes what it reads this way, and the proof
// (conversion_proof.h) reads an original this way to know what its conversion holds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "convert/cue.h"
#include "convert/formatting_tags.h"
#include "convert/frame_rate.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"

namespace kestrane {

// Sets `reader` (reading `file` from its first byte, 8-bit) to the encoding the file's first
// bytes show: UTF-16 when the first word begins with its mark, else 8-bit text, each line UTF-8
// where it is and `legacy` otherwise. Decides from the bytes the reader holds already where they
// tell; a file that starts with more spaces than the reader holds is scanned on, rewound, and
// `reader` made anew. *utf16_text says whether the text is UTF-16.
Status ChooseReading(ReadableFile& file, std::optional<LineReader>& reader,
                     const LegacyEncoding& legacy, bool* utf16_text);

// The lines of one cue block: every CR goes, a line that had nothing else is blank and ends the
// block, the others join it with a space after each.
// What reading says of a cue past LineReader::kMaxLine.
Status TooLong();

class CueBlock {
 public:
  // Adds a line of the source; true when it was blank, which completes the block, if any.
  bool AddLine(std::string_view line) {
    const std::size_t before = text_.size();
    for (std::size_t cr; (cr = line.find('\r')) != std::string_view::npos;) {
      text_.append(line.substr(0, cr));
      line.remove_prefix(cr + 1);
    }
    text_.append(line);
    if (text_.size() == before) return true;
    if (lines_ < 2) line_ends_[lines_++] = text_.size();
    text_.push_back(' ');
    return false;
  }

  bool empty() const { return text_.empty(); }
  // Whether removing formatting tags may change the block's line.
  bool may_hold_tags() const { return MayHoldFormattingTags(text_); }
  // Past LineReader::kMaxLine, the limit on a line, which a cue's lines together keep as well.
  bool too_long() const { return text_.size() > LineReader::kMaxLine; }

  // Once the last line is in: the space after it becomes the line feed that ends the block
  // ("1 00:00:01,000 --> 00:00:04,000 Hello world\n", as ConvertCue takes it).
  void Close() { text_.back() = '\n'; }

  // The closed block's cue line as `making` writes it but for its line end, appended to *out;
  // *out as it was unless it is written. Whether the block holds a cue does not depend on the
  // making.
  CueLineResult AppendCueLine(const ListMaking& making, std::string* out) const {
    if (!AppendUsualCue(making, out)) {
      const CueLineResult result = kestrane::AppendCueLine(text_, making, out);
      if (result != CueLineResult::kWritten) return result;
      out->pop_back();  // the line feed: a block's only one is its last character
    }
    return CueLineResult::kWritten;
  }

  void Clear() {
    text_.clear();
    lines_ = 0;
  }

 private:
  // AppendCueLine where AppendUsualCueStart takes the block's first two lines, without taking
  // the times apart; false, and *out as it was, otherwise.
  bool AppendUsualCue(const ListMaking& making, std::string* out) const {
    if (lines_ < 2) return false;
    const std::string_view block = text_;
    const std::size_t index_end = line_ends_[0], times_end = line_ends_[1];
    if (!AppendUsualCueStart(block.substr(0, index_end),
                             block.substr(index_end + 1, times_end - index_end - 1), making, out)) {
      return false;
    }
    // The further lines, each with its space after it: the last one's is the block's line feed.
    const std::string_view text = block.substr(times_end + 1);
    const std::size_t text_at = out->size();
    if (!text.empty()) out->append(text).back() = ' ';
    StripCueText(making, text_at, out);
    return true;
  }

  std::string text_;
  std::size_t lines_ = 0;          // in the block, up to two
  std::size_t line_ends_[2] = {};  // where the block's first two lines end
};

// The cue blocks of a source, one after another, blocks without a cue among them.
class CueBlockReader {
 public:
  // `source` must outlive the reader and stand at its first byte.
  CueBlockReader(ReadableFile& source, const LegacyEncoding& legacy);

  // The next block, closed; nothing at the end of the source or when reading fails (status()
  // then says so). The block stays valid until the next call.
  const CueBlock* Next();
  const Status& status() const { return status_; }

 private:
  bool Start();
  bool NextLine(std::string_view* line);

  ReadableFile& source_;
  const LegacyEncoding legacy_;
  std::optional<LineReader> lines_;
  bool started_ = false;
  // Nearly every file: all of it in the reader's buffer and UTF-8, its lines taken from there
  // as they are, as the converter takes them. What is left of it.
  std::optional<std::string_view> whole_;
  CueBlock block_;
  Status status_;
};

}  // namespace kestrane
