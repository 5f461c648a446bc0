// A subtitle source read as every conversion reads it: its encoding chosen from its first bytes,
// its lines gathered into cue blocks at the blank lines between them, and each block's cue line.
// The converter (convert_file.h) writes what it reads this way, and the proof
// (conversion_proof.h) reads an original this way to know what its conversion holds.
#pragma once

#include <bit>
#include <cstddef>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// The first CR or LF in [p, end), or end. Lines are short: sixteen bytes a step and no call
// where the processor allows.
inline const char* FindLineBreak(const char* p, const char* end) {
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
// text, an LF or a CR LF. The way nearly every line of a source is read.
struct SourceLine {
  std::string_view text;
  const char* next;
  bool plain;
};
inline SourceLine SourceLineAt(const char* p, const char* end) {
  const char* stop = FindLineBreak(p, end);
  const std::string_view text(p, stop - p);
  if (stop == end) return {text, end, true};
  if (*stop == '\n') return {text, stop + 1, true};
  if (stop + 1 != end && stop[1] == '\n') return {text, stop + 2, true};
  return {text, stop, false};
}

// What reading says of a cue past LineReader::kMaxLine.
Status TooLong();

// The lines of one cue block: every CR goes, a line that had nothing else is blank and ends the
// block, the others join it with a space after each.
class CueBlock {
 public:
  CueBlock() = default;
  // Once closed, it holds views of its own text.
  CueBlock(const CueBlock&) = delete;
  CueBlock& operator=(const CueBlock&) = delete;

  // Adds a line of the source; true when it was blank, which completes the block, if any.
  bool AddLine(std::string_view line) {
    const std::size_t before = text_.size();
    for (std::size_t cr; (cr = line.find('\r')) != std::string_view::npos;) {
      text_.append(line.substr(0, cr));
      line.remove_prefix(cr + 1);
    }
    text_.append(line);
    return EndLine(before);
  }
  // AddLine for a line that holds no CR.
  bool AddLineWithoutCr(std::string_view line) {
    const std::size_t before = text_.size();
    text_.append(line);
    return EndLine(before);
  }

  // A closed block whose lines are all plain (SourceLine) in a text that outlives it, taken from
  // there as they stand: `start` its first two, `text` the text from its third line to the end
  // of its last.
  void SetPlain(const UsualCueStart& start, std::string_view text) {
    Clear();
    usual_ = start;
    plain_text_ = text;
  }

  bool empty() const { return text_.empty() && !plain_text_; }
  // Whether removing formatting tags may change the block's line.
  bool may_hold_tags() const {
    return MayHoldFormattingTags(plain_text_ ? *plain_text_ : std::string_view(text_));
  }
  // Past LineReader::kMaxLine, the limit on a line, which a cue's lines together keep as well.
  bool too_long() const { return text_.size() > LineReader::kMaxLine; }

  // Once the last line is in: the space after it becomes the line feed that ends the block
  // ("1 00:00:01,000 --> 00:00:04,000 Hello world\n", as ConvertCue takes it).
  void Close() {
    text_.back() = '\n';
    if (lines_ >= 2) usual_ = UsualCueStart::Read(index(), times());
  }

  // The closed block's cue line as `making` writes it but for its line end, appended to *out;
  // *out as it was unless it is written. Whether the block holds a cue does not depend on the
  // making.
  CueLineResult AppendCueLine(const ListMaking& making, std::string* out) const {
    if (!usual_) {
      const CueLineResult result = kestrane::AppendCueLine(text_, making, out);
      // The line feed: a block's only one is its last character.
      if (result == CueLineResult::kWritten) out->pop_back();
      return result;
    }
    // Where UsualCueStart reads the first two lines, without taking the times apart; in place,
    // sized once, as this runs for every cue a proof reads.
    const std::size_t at = out->size();
    out->resize(at + LineRoom(making));
    char* text = nullptr;
    const char* end = PutUsualLine(making, out->data() + at, &text);
    if (end == nullptr) {
      out->resize(at);
      return CueLineResult::kBeforeZero;
    }
    const std::size_t text_at = text - out->data();
    out->resize(end - out->data());
    StripCueText(making, text_at, out);
    return CueLineResult::kWritten;
  }

  // Whether UsualCueStart reads the closed block's first two lines, for LineRoom and
  // PutUsualLine.
  bool usual() const { return usual_.has_value(); }
  // The room PutUsualLine needs.
  std::size_t LineRoom(const ListMaking& making) const {
    return usual_->Room(making) + FurtherRoom();
  }
  // AppendCueLine at `out`, which has LineRoom(making) bytes, but for the tags that `making`
  // removes: the position after the line, and *text where its text starts. Null, for times the
  // offset puts before zero.
  char* PutUsualLine(const ListMaking& making, char* out, char** text) const {
    *text = usual_->Put(making, out);
    return *text != nullptr ? PutFurtherLines(*text) : nullptr;
  }

  // The start of the closed block's cue line as `making` writes it, its index and times each
  // followed by a space, appended to *out, where the block's first two lines are as
  // AppendUsualCueStart takes them: every cue line `making` writes for the block begins with it.
  // False, and *out as it was, otherwise.
  bool AppendCueStart(const ListMaking& making, std::string* out) const {
    return usual_ && usual_->Append(making, out) == CueLineResult::kWritten;
  }

  // Whether the closed block's cue line is written alike by `rate` without an offset and by
  // `rate` placed at offset zero, as UsualCueStart::PlacesAlikeAtZero tells from its first two
  // lines; false where it cannot tell.
  bool PlacesAlikeAtZero(const FrameRate& rate) const {
    return usual_ && usual_->PlacesAlikeAtZero(rate);
  }

  void Clear() {
    text_.clear();
    lines_ = 0;
    usual_.reset();
    plain_text_.reset();
  }

 private:
  // Room enough for the lines after the first two, each followed by a space: a plain block's
  // line ends, CR LF or LF, each give way to a space, and its last line gains one; the space
  // after a block's last line is its line feed.
  std::size_t FurtherRoom() const {
    return plain_text_ ? plain_text_->size() + 1 : text_.size() - line_ends_[1] - 1;
  }
  // The lines after the first two, each followed by a space, at `p`; the position after them.
  char* PutFurtherLines(char* p) const {
    if (!plain_text_) {
      const std::string_view text = std::string_view(text_).substr(line_ends_[1] + 1);
      if (text.empty()) return p;
      std::memcpy(p, text.data(), text.size());
      p[text.size() - 1] = ' ';
      return p + text.size();
    }
    // Its lines hold no CR but the one of a CR LF, and the last one ends with the text.
    const char* end = plain_text_->data() + plain_text_->size();
    for (const char* line = plain_text_->data(); line != end;) {
      const void* lf = std::memchr(line, '\n', end - line);
      const char* stop = lf != nullptr ? static_cast<const char*>(lf) : end;
      const char* next = lf != nullptr ? stop + 1 : end;
      if (lf != nullptr && stop != line && stop[-1] == '\r') --stop;
      std::memcpy(p, line, stop - line);
      p += stop - line;
      *p++ = ' ';
      line = next;
    }
    return p;
  }

  // The end of a line whose text is in since `before`.
  bool EndLine(std::size_t before) {
    if (text_.size() == before) return true;
    if (lines_ < 2) line_ends_[lines_++] = text_.size();
    text_.push_back(' ');
    return false;
  }

  // The block's first two lines, once it has them.
  std::string_view index() const { return std::string_view(text_).substr(0, line_ends_[0]); }
  std::string_view times() const {
    return std::string_view(text_).substr(line_ends_[0] + 1, line_ends_[1] - line_ends_[0] - 1);
  }

  std::string text_;
  std::size_t lines_ = 0;          // in the block, up to two
  std::size_t line_ends_[2] = {};  // where the block's first two lines end
  // Its first two lines as UsualCueStart reads them, once it is closed; views of text_, or of
  // the text that holds the lines of a plain block.
  std::optional<UsualCueStart> usual_;
  std::optional<std::string_view> plain_text_;  // a plain block's (SetPlain)
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
  bool NextPlain();
  // *without_cr: the line holds no CR.
  bool NextLine(std::string_view* line, bool* without_cr);

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
