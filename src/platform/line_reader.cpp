#include "platform/line_reader.h"

#include <cstring>
#include <memory>

#include "platform/codepage.h"
#include "platform/text.h"

namespace kestrane {

namespace {

constexpr std::size_t kChunk = LineReader::kBufferSize;
// How far the reader looks ahead for more text to detect a code page from. Text that is not
// UTF-8 usually comes every few lines; a file where it is that rare is mostly ASCII anyway.
constexpr std::size_t kLookAhead = 16 << 20;

// The buffer of the last reader a thread closed, for its next: the files of a run are read one
// after another, and a new block of this size for each would cost the allocator a consolidation
// every time one is freed.
thread_local std::unique_ptr<char[]> spare_buffer;

std::unique_ptr<char[]> TakeBuffer() {
  if (spare_buffer) return std::move(spare_buffer);
  // Not zeroed: only bytes read are ever looked at.
  return std::make_unique_for_overwrite<char[]>(kChunk);
}

}  // namespace

LineReader::LineReader(ReadableFile& file, Mode mode, LegacyEncoding legacy)
    : file_(file), mode_(mode), buffer_(TakeBuffer()), legacy_(legacy), chosen_(!legacy.detect) {}

LineReader::~LineReader() {
  if (!spare_buffer) spare_buffer = std::move(buffer_);
}

bool LineReader::Peek(std::string_view* bytes, bool* whole) {
  if (!eof_ && end_ < kChunk && !Fill()) return false;
  *bytes = std::string_view(buffer_.get(), end_);
  *whole = eof_;
  return true;
}

// Keeps the unread bytes and reads more behind them, moving them to the front only when the
// buffer is full: until then it holds the file from its first byte, which a second pass over
// the lines can use again. False on a read error.
bool LineReader::Fill() {
  if (end_ == kChunk && pos_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    dropped_ = true;
  }
  std::size_t got = 0;
  status_ = file_.Read(buffer_.get() + end_, kChunk - end_, &got);
  if (!status_.ok()) return false;
  if (got == 0) eof_ = true;
  end_ += got;
  return true;
}

// Collects the bytes of the next line into raw_, without its line feed. False when the input
// has no further line, or on a read error.
bool LineReader::ReadRawLine() {
  raw_.clear();
  bool consumed = false;
  const std::size_t unit = mode_ == Mode::kUtf16Le ? 2 : 1;
  for (;;) {
    if (end_ - pos_ < unit) {
      if (eof_ || !Fill()) {
        if (!status_.ok()) return false;
      }
      if (end_ - pos_ < unit && eof_) {
        // A last odd byte of 16-bit text stays in the line, to be decoded as U+FFFD.
        raw_.append(buffer_.get() + pos_, end_ - pos_);
        consumed = consumed || end_ > pos_;
        pos_ = end_;
        raw_view_ = raw_;
        return consumed;
      }
      continue;
    }
    const char* begin = buffer_.get() + pos_;
    const std::size_t avail = (end_ - pos_) / unit * unit;
    const char* found = nullptr;
    if (unit == 1) {
      found = static_cast<const char*>(std::memchr(begin, '\n', avail));
    } else {
      // U+000A is the byte pair 0A 00 at an even offset.
      const char* p = begin;
      const char* stop = begin + avail;
      while ((p = static_cast<const char*>(std::memchr(p, '\n', stop - p))) != nullptr) {
        if ((p - begin) % 2 == 0 && p[1] == 0) {
          found = p;
          break;
        }
        ++p;
      }
    }
    if (found != nullptr) {
      if (raw_.empty()) {
        // The whole line is in the buffer: hand it out from there, without a copy.
        raw_view_ = std::string_view(begin, found - begin);
      } else {
        raw_.append(begin, found - begin);
        raw_view_ = raw_;
      }
      pos_ += (found - begin) + unit;
      if (mode_ == Mode::kEightBit && raw_view_.ends_with('\r')) raw_view_.remove_suffix(1);
      return true;
    }
    if (raw_.size() + avail > LineReader::kMaxLine) {
      status_ = Status::Error(Status::Code::kTooLarge, "a line longer than 16 MiB");
      return false;
    }
    raw_.append(begin, avail);
    pos_ += avail;
    consumed = true;
  }
}

bool LineReader::ReadLine(std::string_view* line) {
  if (!ReadRawLine()) return false;
  ++lines_;
  const bool first = first_line_;
  first_line_ = false;
  if (mode_ == Mode::kUtf16Le) {
    decoded_ = Utf16LeToUtf8(raw_view_);
    *line = decoded_;
    return true;
  }
  if (IsValidUtf8(raw_view_)) {
    *line = raw_view_;
    return true;
  }
  // The mark stays U+FEFF even when the rest of the line is in a legacy code page.
  const bool mark = first && raw_view_.starts_with(kUtf8Mark);
  std::string_view body = raw_view_.substr(mark ? kUtf8Mark.size() : 0);
  if (!chosen_) {
    if (!DecideCodePage(body)) return false;
    body = raw_view_.substr(mark ? kUtf8Mark.size() : 0);
  }
  used_ = legacy_.code_page;
  decoded_.assign(mark ? kUtf8Mark : "");
  decoded_ += LegacyToUtf8(legacy_.code_page, body);
  *line = decoded_;
  return true;
}

// Feeds `body`, the current line's text, and the lines after it that are not UTF-8 either to
// the detector, then reads again up to the current line. Lines before it were all UTF-8, so
// nothing handed out so far depends on the choice. False when the file cannot be read again
// to that line.
bool LineReader::DecideCodePage(std::string_view body) {
  chosen_ = true;
  CodePageDetector detector;
  bool more = detector.Feed(body) && detector.Feed("\n");
  std::size_t scanned = 0;
  while (more && scanned < kLookAhead && ReadRawLine()) {
    scanned += raw_view_.size() + 1;
    if (!IsValidUtf8(raw_view_)) more = detector.Feed(raw_view_) && detector.Feed("\n");
  }
  if (!status_.ok()) return false;
  legacy_.code_page = detector.Choose(legacy_.code_page);

  // A file that fits the buffer is still all in it: no need to read it again.
  if (dropped_) {
    status_ = file_.Rewind();
    if (!status_.ok()) return false;
    end_ = 0;
    eof_ = false;
    dropped_ = false;
  }
  pos_ = 0;
  for (std::size_t i = 0; i < lines_; ++i) {
    // Ends early only when the file shrank meanwhile; the converter notices such changes.
    if (!ReadRawLine()) return false;
  }
  return true;
}

bool LineReader::ReadLine(std::string* line) {
  std::string_view view;
  if (!ReadLine(&view)) return false;
  line->assign(view);
  return true;
}

}  // namespace kestrane
