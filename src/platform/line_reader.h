// Reads an input line by line, whatever the length of its lines, and hands out each line as
// UTF-8 without its line feed. A last line without a line feed is delivered; a line feed at the
// very end of the input gives no further, empty line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace kestrane {

class LineReader {
 public:
  enum class Mode {
    // 16-bit little-endian units; a line ends at U+000A and keeps its CR characters.
    kUtf16Le,
    // Bytes; CR LF arrives as LF. Each line is decoded as UTF-8 when it is valid UTF-8 and from
    // the legacy code page otherwise.
    kEightBit,
  };

  // The file must outlive the reader; reading starts at the file's current position.
  LineReader(ReadableFile& file, Mode mode);

  // False at the end of the input, and on a read error, which status() then holds.
  bool ReadLine(std::string* line);
  // The same without a copy where it can: the line stays valid until the next call.
  bool ReadLine(std::string_view* line);
  const Status& status() const { return status_; }

 private:
  bool Fill();
  bool ReadRawLine();

  ReadableFile& file_;
  Mode mode_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool first_line_ = true;
  std::string raw_;            // the undecoded bytes of a line that spans reads
  std::string_view raw_view_;  // the undecoded bytes of the current line, wherever they are
  std::string decoded_;        // the current line, where it had to be decoded
  Status status_;
};

}  // namespace kestrane
