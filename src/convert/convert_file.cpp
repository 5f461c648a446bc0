#include "convert/convert_file.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "convert/conversion_batch.h"
#include "convert/cue.h"
#include "convert/cue_blocks.h"
#include "platform/line_reader.h"
#include "platform/text.h"

namespace kestrane {

namespace {

using Reason = FileResult::Reason;

// Converted text is handed to the work file in pieces of about this size, so memory stays
// bounded whatever the size of the input.
constexpr std::size_t kFlushSize = 256 * 1024;

// The text of the last output a thread closed, kept for its next: one file after another, a new
// block each time would cost the allocator more than the conversion of a small file.
thread_local std::string spare_text;

// The converted text on its way to the work file: the byte-order mark, then the cue lines, handed
// over in pieces.
class Output {
 public:
  explicit Output(WorkFile& work) : work_(work), text_(std::move(spare_text)) {
    text_.assign(kUtf8Mark);
  }
  ~Output() { spare_text = std::move(text_); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // A cue line written in place: the text it goes to, from whose end it is written, and then
  // EndCue for its line end.
  std::string* text() { return &text_; }
  Status EndCue() {
    text_.append("\r\n");
    return text_.size() >= kFlushSize ? Flush() : Status::Ok();
  }

  // Room for this much text, when it is known at the start.
  void Reserve(std::size_t bytes) { text_.reserve(bytes); }

  Status Flush() {
    Status s = work_.Append(text_);
    if (s.ok()) text_.clear();
    return s;
  }

 private:
  WorkFile& work_;
  std::string text_;
};

// Gathers lines into cue blocks (cue_blocks.h) and writes each block's cue line to the output.
// Counts the cues into `outcome`, and names the failed step there when the output fails.
class CueBlockWriter {
 public:
  CueBlockWriter(Output& output, WorkFile& work, const ListMaking& making,
                 ConversionOutcome& outcome)
      : output_(output), work_(work), making_(making), outcome_(outcome) {}

  // The next line; *blank says whether it was blank.
  Status AddLine(std::string_view line, bool* blank) {
    *blank = block_.AddLine(line);
    if (block_.too_long()) return TooLong();
    return *blank ? Finish() : Status::Ok();
  }

  // All the lines of `text`, which is the whole input, UTF-8 throughout: split at LF, the last
  // one without it, none after a final LF. A cue as nearly every file writes it goes straight
  // to the output; anything else through a block.
  Status AddText(std::string_view text) {
    const char* end = text.data() + text.size();
    for (const char* p = text.data(); p != end;) {
      const char* next = AddUsualCue(p, end);
      if (next != nullptr) {
        Status s = output_.EndCue();
        ++outcome_.cues;
        if (!s.ok()) return Failed(s);
        p = next;
        continue;
      }
      // The lines up to the blank one that ends the block, as the reader would split them.
      for (bool blank = false; p != end && !blank;) {
        const void* lf = std::memchr(p, '\n', end - p);
        const char* stop = lf != nullptr ? static_cast<const char*>(lf) : end;
        Status s = AddLine(std::string_view(p, stop - p), &blank);
        if (!s.ok()) return s;
        p = stop == end ? end : stop + 1;
      }
    }
    return Status::Ok();
  }

  // Completes the block, if there is one.
  Status Finish() {
    if (block_.empty()) return Status::Ok();
    block_.Close();
    const CueLineResult added = block_.AppendCueLine(making_, output_.text());
    block_.Clear();
    if (added == CueLineResult::kNoCue) return Status::Ok();
    if (added != CueLineResult::kWritten) return OffTimeline(added);
    ++outcome_.cues;
    Status s = output_.EndCue();
    return s.ok() ? s : Failed(s);
  }

 private:
  Status Failed(const Status& s) {
    outcome_.failed_step = work_.failed_step();
    return s;
  }

  // The file cannot be placed on the timeline: the cue that says so, counted from 1, is named.
  Status OffTimeline(CueLineResult result) {
    outcome_.failed_step = Reason::kOffTimeline;
    std::string message = "cue " + std::to_string(outcome_.cues + 1) + ": ";
    message += result == CueLineResult::kBeforeZero
                   ? "before 00:00:00:00 with this offset"
                   : "a time that does not read as a time cannot be shifted";
    return Status::Error(Status::Code::kIo, std::move(message));
  }

  // The cue whose first line starts at `p`, when its lines are all plain and AppendUsualCueStart
  // takes its first two: its cue line, but for the line end, written to the output as its block
  // would give it. Where the lines after it start (past the blank line that ends it); nothing,
  // and the output as it was, for any other cue.
  const char* AddUsualCue(const char* p, const char* end) {
    std::string* out = output_.text();
    const std::size_t at = out->size();
    const SourceLine index = SourceLineAt(p, end);
    if (!index.plain || index.text.empty()) return nullptr;
    const SourceLine times = SourceLineAt(index.next, end);
    if (!times.plain || !AppendUsualCueStart(index.text, times.text, making_, out)) {
      return nullptr;
    }
    const std::size_t text_at = out->size();
    for (p = times.next; p != end;) {
      const SourceLine line = SourceLineAt(p, end);
      if (!line.plain) {
        out->resize(at);
        return nullptr;
      }
      p = line.next;
      if (line.text.empty()) break;
      out->append(line.text).push_back(' ');
    }
    StripCueText(making_, text_at, out);
    return p;
  }

  Output& output_;
  WorkFile& work_;
  const ListMaking making_;
  ConversionOutcome& outcome_;
  CueBlock block_;
};

// Reads the whole source and writes its cue lines to `work`, counting them into `outcome`. On
// failure, outcome.failed_step says where; outcome.code_page names the legacy code page that
// lines were read with, if any.
Status WriteCueLines(ReadableFile& file, const LegacyEncoding& legacy, const ListMaking& making,
                     WorkFile& work, ConversionOutcome& outcome) {
  Output output(work);
  outcome.failed_step = Reason::kRead;
  std::optional<LineReader> chosen(std::in_place, file, LineReader::Mode::kEightBit, legacy);
  bool utf16 = false;
  Status s = ChooseReading(file, chosen, legacy, &utf16);
  if (!s.ok()) return s;
  LineReader& reader = *chosen;
  CueBlockWriter blocks(output, work, making, outcome);

  std::string_view head;
  bool whole = false;
  if (!utf16 && !reader.Peek(&head, &whole)) return reader.status();
  // Nearly every file: all of it in the reader's buffer, and UTF-8. An LF never sits inside a
  // multi-byte sequence, so the whole text is valid exactly when each of its lines is, and the
  // lines can be taken from the buffer as they are.
  if (whole && IsValidUtf8(head)) {
    output.Reserve(kUtf8Mark.size() + head.size() + 64);
    s = blocks.AddText(head);
    if (!s.ok()) return s;
  } else {
    std::string_view line;
    bool blank = false;
    while (reader.ReadLine(&line)) {
      s = blocks.AddLine(line, &blank);
      if (!s.ok()) return s;
    }
    if (!reader.status().ok()) return reader.status();
    if (reader.legacy_code_page()) outcome.code_page = CodePageName(*reader.legacy_code_page());
  }
  // Most files in the wild end their last cue without a blank line.
  s = blocks.Finish();
  if (!s.ok()) return s;
  if (outcome.cues == 0) return Status::Ok();
  s = output.Flush();
  if (!s.ok()) outcome.failed_step = work.failed_step();
  return s;
}

}  // namespace

Converter SubtitleConverter(const ConvertOptions& options) {
  return
      [legacy = options.legacy, making = options.Making()](ReadableFile& source, WorkFile& work) {
        ConversionOutcome outcome;
        outcome.status = WriteCueLines(source, legacy, making, work, outcome);
        if (outcome.status.ok()) outcome.failed_step = Reason::kNone;
        if (outcome.status.code() == Status::Code::kTooLarge)
          outcome.failed_step = Reason::kCueTooLong;
        return outcome;
      };
}

FileResult ConvertFile(FileSystem& fs, const std::filesystem::path& input,
                       const ConvertOptions& options) {
  ConversionBatch batch(fs, options, SubtitleConverter(options), 1);
  batch.Prepare(0, {input});
  return *batch.Finish()[0];
}

}  // namespace kestrane
