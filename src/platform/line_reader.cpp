#include "platform/line_reader.h"

#include <cstring>

#include "platform/text.h"

namespace kestrane {

namespace {

constexpr std::size_t kChunk = 64 * 1024;

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
        raw_view_ = raw_;
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
    raw_.append(begin, avail);
    pos_ += avail;
    consumed = true;
  }
}

bool LineReader::ReadLine(std::string_view* line) {
  if (!ReadRawLine()) return false;
  const bool first = first_line_;
  first_line_ = false;
  if (mode_ == Mode::kUtf16Le) {
    decoded_ = Utf16LeToUtf8(raw_view_);
  } else if (first && raw_view_.starts_with(kUtf8Mark)) {
    // The mark stays U+FEFF even when the rest of the line is in the legacy code page.
    decoded_.assign(kUtf8Mark);
    decoded_.append(EightBitToUtf8(raw_view_.substr(kUtf8Mark.size())));
  } else if (IsValidUtf8(raw_view_)) {
    *line = raw_view_;
    return true;
  } else {
    decoded_ = LegacyToUtf8(raw_view_);
  }
  *line = decoded_;
  return true;
}

bool LineReader::ReadLine(std::string* line) {
  std::string_view view;
  if (!ReadLine(&view)) return false;
  line->assign(view);
  return true;
}

}  // namespace kestrane
