#include "convert/cue_blocks.h"

#include "platform/text.h"

namespace kestrane {
namespace {

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

}  // namespace

Status TooLong() {
  return Status::Error(Status::Code::kTooLarge, "a cue longer than 16 MiB");
}

Status ChooseReading(ReadableFile& file, std::optional<LineReader>& reader,
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

CueBlockReader::CueBlockReader(ReadableFile& source, const LegacyEncoding& legacy)
    : source_(source),
      legacy_(legacy),
      lines_(std::in_place, source, LineReader::Mode::kEightBit, legacy) {}

const CueBlock* CueBlockReader::Next() {
  if (!started_ && !Start()) return nullptr;
  if (whole_ && NextPlain()) return &block_;
  block_.Clear();
  std::string_view line;
  bool without_cr = false;
  while (NextLine(&line, &without_cr)) {
    const bool blank = without_cr ? block_.AddLineWithoutCr(line) : block_.AddLine(line);
    if (block_.too_long()) {
      status_ = TooLong();
      return nullptr;
    }
    if (blank && !block_.empty()) {
      block_.Close();
      return &block_;
    }
  }
  if (!status_.ok() || block_.empty()) return nullptr;
  // Most files in the wild end their last cue without a blank line.
  block_.Close();
  return &block_;
}

// Nearly every block of a text held whole: its lines plain, its first two as UsualCueStart reads
// them, taken from the text as they stand (CueBlock::SetPlain) and not copied. False, and nothing
// read, for any other, which the lines then give as they give every block.
bool CueBlockReader::NextPlain() {
  const char* p = whole_->data();
  const char* end = p + whole_->size();
  SourceLine index = SourceLineAt(p, end);
  // The blank lines before it.
  while (index.plain && index.text.empty() && index.next != end)
    index = SourceLineAt(index.next, end);
  if (!index.plain || index.text.empty()) return false;
  const SourceLine times = SourceLineAt(index.next, end);
  if (!times.plain || times.text.empty()) return false;
  const std::optional<UsualCueStart> start = UsualCueStart::Read(index.text, times.text);
  if (!start) return false;
  // The further lines, up to the blank one that ends the block or the end of the text.
  const char* text_end = times.next;
  for (p = times.next; p != end;) {
    const SourceLine line = SourceLineAt(p, end);
    if (!line.plain) return false;
    p = line.next;
    if (line.text.empty()) break;
    text_end = line.text.data() + line.text.size();
  }
  block_.SetPlain(*start, std::string_view(times.next, text_end - times.next));
  *whole_ = std::string_view(p, end - p);
  return true;
}

bool CueBlockReader::Start() {
  started_ = true;
  bool utf16 = false;
  status_ = ChooseReading(source_, lines_, legacy_, &utf16);
  if (!status_.ok()) return false;
  std::string_view head;
  bool whole = false;
  if (utf16) return true;
  if (!lines_->Peek(&head, &whole)) {
    status_ = lines_->status();
    return false;
  }
  // An LF never sits inside a multi-byte sequence, so the whole text is valid exactly when each
  // of its lines is.
  if (whole && IsValidUtf8(head)) whole_ = head;
  return true;
}

// Lines as LineReader gives them: split at LF, the last one without it, none after a final LF.
bool CueBlockReader::NextLine(std::string_view* line, bool* without_cr) {
  *without_cr = false;
  if (!whole_) {
    if (lines_->ReadLine(line)) return true;
    status_ = lines_->status();
    return false;
  }
  std::string_view& rest = *whole_;
  if (rest.empty()) return false;
  // Nearly every line: found in one pass, its CR LF or LF left out.
  const char* end = rest.data() + rest.size();
  const SourceLine plain = SourceLineAt(rest.data(), end);
  if (plain.plain) {
    *line = plain.text;
    *without_cr = true;
    rest = std::string_view(plain.next, end - plain.next);
    return true;
  }
  const std::size_t feed = rest.find('\n');
  *line = rest.substr(0, feed);
  rest.remove_prefix(feed == std::string_view::npos ? rest.size() : feed + 1);
  return true;
}

}  // namespace kestrane
