#include "convert/convert_file.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "convert/conversion_batch.h"
#include "convert/cue.h"
#include "platform/line_reader.h"
#include "platform/text.h"

namespace kestrane {

namespace {

using Reason = FileResult::Reason;

// Converted text is handed to the work file in pieces of about this size, so memory stays
// bounded whatever the size of the input.
constexpr std::size_t kFlushSize = 256 * 1024;

// Whether the first word of the first line, read as 16-bit little-endian units, begins with
// U+FEFF: the mark of UTF-16 text. Leading U+0020 units are skipped; a line without a word is
// not UTF-16. Fed the file's bytes in order, in pieces of any size.
class Utf16Mark {
 public:
  // Whether the text is UTF-16, once the bytes fed so far tell.
  std::optional<bool> Feed(std::string_view bytes) {
    for (char c : bytes) {
      if (carry_ < 0) {
        carry_ = static_cast<unsigned char>(c);
        continue;
      }
      const unsigned unit =
          static_cast<unsigned>(carry_) | static_cast<unsigned>(static_cast<unsigned char>(c)) << 8;
      carry_ = -1;
      if (unit != 0x0020) return unit == 0xFEFF;
    }
    return std::nullopt;
  }

 private:
  int carry_ = -1;  // a first byte whose partner is in the next piece
};

// Sets `reader` to the encoding the file's first bytes show, from the bytes it holds already
// where they tell; a file that starts with more spaces than the reader holds is scanned on and
// read again from its start. *utf16_text says whether the text is UTF-16.
Status ChooseMode(ReadableFile& file, std::optional<LineReader>& reader,
                  const LegacyEncoding& legacy, bool* utf16_text) {
  Utf16Mark mark;
  std::optional<bool> utf16;
  std::size_t fed = 0;
  std::string_view head;
  bool whole = false;
  while (!utf16 && !whole) {
    const std::size_t had = head.size();
    if (!reader->Peek(&head, &whole)) return reader->status();
    if (head.size() == had && !whole) break;  // the reader is full
    utf16 = mark.Feed(head.substr(fed));
    fed = head.size();
  }
  if (!utf16 && !whole) {
    char buf[4096];
    for (std::size_t got = 1; !utf16 && got != 0;) {
      Status s = file.Read(buf, sizeof buf, &got);
      if (!s.ok()) return s;
      utf16 = mark.Feed(std::string_view(buf, got));
    }
    Status s = file.Rewind();
    if (!s.ok()) return s;
    reader.emplace(file, LineReader::Mode::kEightBit, legacy);
  }
  *utf16_text = utf16.value_or(false);
  if (*utf16_text) reader->set_mode(LineReader::Mode::kUtf16Le);
  return Status::Ok();
}

// The text of the last output a thread closed, kept for its next: one file after another, a new
// block each time would cost the allocator more than the conversion of a small file.
thread_local std::string spare_text;

// The converted text on its way to the work file: the byte-order mark, then the cue lines, handed
// over in pieces.
class Output {
 public:
  Output(WorkFile& work, const FrameRate& rate)
      : work_(work), rate_(rate), text_(std::move(spare_text)) {
    text_.assign(kUtf8Mark);
  }
  ~Output() { spare_text = std::move(text_); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  // Appends the cue line of a block; *added says whether there was one.
  Status AddCue(std::string_view block, bool* added) {
    *added = AppendCueLine(block, rate_, &text_);
    if (!*added) return Status::Ok();
    // A block's only line feed is its last character (lines never hold one), and so is the cue
    // line's.
    text_.pop_back();
    return EndCue();
  }

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
  const FrameRate rate_;
  std::string text_;
};

// The first CR or LF in [p, end), or end. Lines are short: sixteen bytes a step and no call
// where the processor allows.
const char* FindLineBreak(const char* p, const char* end) {
#ifdef __SSE2__
  const __m128i lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
  for (; end - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned hits = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr))));
    if (hits != 0) return p + std::countr_zero(hits);
  }
#endif
  while (p != end && *p != '\n' && *p != '\r')
    ++p;
  return p;
}

// The line at the start of some text: its bytes up to the first CR or LF, and where the next
// line starts. `plain` when those bytes are the whole line, its CRs dropped: it ends with the
// text, an LF or a CR LF.
struct Line {
  std::string_view text;
  const char* next;
  bool plain;
};
Line LineAt(const char* p, const char* end) {
  const char* stop = FindLineBreak(p, end);
  const std::string_view text(p, stop - p);
  if (stop == end) return {text, end, true};
  if (*stop == '\n') return {text, stop + 1, true};
  if (stop + 1 != end && stop[1] == '\n') return {text, stop + 2, true};
  return {text, stop, false};
}

// Gathers lines into cue blocks and writes each block's cue line to the output: every CR goes,
// a line that had nothing else is blank and completes the block; the others join it, a space
// after each. Counts the cues into `outcome`, and names the failed step there when the output
// fails.
class CueBlockWriter {
 public:
  CueBlockWriter(Output& output, WorkFile& work, const FrameRate& rate, ConversionOutcome& outcome)
      : output_(output), work_(work), rate_(rate), outcome_(outcome) {}

  // The next line; *blank says whether it was blank.
  Status AddLine(std::string_view line, bool* blank) {
    const std::size_t before = block_.size();
    for (std::size_t cr; (cr = line.find('\r')) != std::string_view::npos;) {
      block_.append(line.substr(0, cr));
      line.remove_prefix(cr + 1);
    }
    block_.append(line);
    *blank = block_.size() == before;
    if (!*blank) {
      if (lines_ < 2) line_ends_[lines_++] = block_.size();
      block_.push_back(' ');
      return Status::Ok();
    }
    return Finish();
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
    block_.back() = '\n';  // the space after the cue's last line
    bool added = AddUsualBlock();
    Status s = added ? output_.EndCue() : output_.AddCue(block_, &added);
    block_.clear();
    lines_ = 0;
    if (added) ++outcome_.cues;
    return s.ok() ? s : Failed(s);
  }

 private:
  Status Failed(const Status& s) {
    outcome_.failed_step = work_.failed_step();
    return s;
  }

  // The cue whose first line starts at `p`, when its lines are all plain and AppendUsualCueStart
  // takes its first two: its cue line, but for the line end, written to the output as its block
  // would give it. Where the lines after it start (past the blank line that ends it); nothing,
  // and the output as it was, for any other cue.
  const char* AddUsualCue(const char* p, const char* end) {
    std::string* out = output_.text();
    const std::size_t at = out->size();
    const Line index = LineAt(p, end);
    if (!index.plain || index.text.empty()) return nullptr;
    const Line times = LineAt(index.next, end);
    if (!times.plain || !AppendUsualCueStart(index.text, times.text, rate_, out)) return nullptr;
    for (p = times.next; p != end;) {
      const Line line = LineAt(p, end);
      if (!line.plain) {
        out->resize(at);
        return nullptr;
      }
      p = line.next;
      if (line.text.empty()) break;
      out->append(line.text).push_back(' ');
    }
    return p;
  }

  // The block's cue line, but for the line end, when AppendUsualCueStart takes its first two
  // lines; false, and the output as it was, otherwise.
  bool AddUsualBlock() {
    if (lines_ < 2) return false;
    const std::string_view block = block_;
    const std::size_t index_end = line_ends_[0], times_end = line_ends_[1];
    if (!AppendUsualCueStart(block.substr(0, index_end),
                             block.substr(index_end + 1, times_end - index_end - 1), rate_,
                             output_.text())) {
      return false;
    }
    // The further lines, each with its space after it: the last one's is the block's line feed.
    const std::string_view text = block.substr(times_end + 1);
    if (!text.empty()) output_.text()->append(text).back() = ' ';
    return true;
  }

  Output& output_;
  WorkFile& work_;
  const FrameRate rate_;
  ConversionOutcome& outcome_;
  std::string block_;
  std::size_t lines_ = 0;          // in the block, up to two
  std::size_t line_ends_[2] = {};  // where the block's first two lines end
};

// Reads the whole source and writes its cue lines to `work`, counting them into `outcome`. On
// failure, outcome.failed_step says where; outcome.code_page names the legacy code page that
// lines were read with, if any.
Status WriteCueLines(ReadableFile& file, const LegacyEncoding& legacy, const FrameRate& rate,
                     WorkFile& work, ConversionOutcome& outcome) {
  Output output(work, rate);
  outcome.failed_step = Reason::kRead;
  std::optional<LineReader> chosen(std::in_place, file, LineReader::Mode::kEightBit, legacy);
  bool utf16 = false;
  Status s = ChooseMode(file, chosen, legacy, &utf16);
  if (!s.ok()) return s;
  LineReader& reader = *chosen;
  CueBlockWriter blocks(output, work, rate, outcome);

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
  return [legacy = options.legacy, rate = options.rate](ReadableFile& source, WorkFile& work) {
    ConversionOutcome outcome;
    outcome.status = WriteCueLines(source, legacy, rate, work, outcome);
    if (outcome.status.ok()) outcome.failed_step = Reason::kNone;
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
