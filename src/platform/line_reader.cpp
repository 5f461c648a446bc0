#include "platform/line_reader.h"

#include <cstring>

#include "platform/text.h"

namespace kestrane {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

}  // namespace

LineReader::LineReader(ReadableFile& file, Mode mode) : file_(file), mode_(mode) {
  buffer_.resize(kChunk);
}

// Keeps the unread bytes and reads more behind them. False on a read error.
bool LineReader::Fill() {
  if (pos_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  std::size_t got = 0;
  status_ = file_.Read(buffer_.data() + end_, buffer_.size() - end_, &got);
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
        raw_.append(buffer_.data() + pos_, end_ - pos_);
        consumed = consumed || end_ > pos_;
        pos_ = end_;
        return consumed;
      }
      continue;
    }
    const char* begin = buffer_.data() + pos_;
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
      raw_.append(begin, found - begin);
      pos_ += (found - begin) + unit;
      if (mode_ == Mode::kEightBit && !raw_.empty() && raw_.back() == '\r') raw_.pop_back();
      return true;
    }
    raw_.append(begin, avail);
    pos_ += avail;
    consumed = true;
  }
}

bool LineReader::ReadLine(std::string* line) {
  if (!ReadRawLine()) return false;
  if (mode_ == Mode::kUtf16Le) {
    *line = Utf16LeToUtf8(raw_);
  } else if (first_line_ && raw_.starts_with(kUtf8Mark)) {
    // The mark stays U+FEFF even when the rest of the line is in the legacy code page.
    line->assign(kUtf8Mark);
    line->append(EightBitToUtf8(std::string_view(raw_).substr(kUtf8Mark.size())));
  } else {
    *line = EightBitToUtf8(raw_);
  }
  first_line_ = false;
  return true;
}

}  // namespace kestrane
