// Reads an input line by line, whatever the length of its lines, and hands out each line as
// UTF-8 without its line feed. A last line without a line feed is delivered; a line feed at the
// very end of the input gives no further, empty line.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_system.h"

namespace kestrane {

class LineReader {
 public:
  enum class Mode {
    // 16-bit little-endian units; a line ends at U+000A and keeps its CR characters.
    kUtf16Le,
    // Bytes; CR LF arrives as LF. Each line is taken as UTF-8 when it is valid UTF-8 and decoded
    // from a legacy code page otherwise (see `legacy`).
    kEightBit,
  };

  // What the reader holds of the file at once: Peek can show a smaller file whole.
  static constexpr std::size_t kBufferSize = 64 * 1024;
  // The longest line read: past it, reading fails with kTooLarge. A line is held whole, decoded
  // and joined into its cue, several copies at once, so without a limit one line as long as the
  // file (300 MB of text without a line feed) took gigabytes. No subtitle's line comes near it.
  static constexpr std::size_t kMaxLine = 16 << 20;

  // The file must outlive the reader; reading starts at the file's current position. With
  // `legacy.detect`, the first line that is not UTF-8 makes the reader look ahead at the rest of
  // the file's such lines to choose the code page for all of them, then rewind the file and
  // come back to that line: the file must then have been at its first byte.
  LineReader(ReadableFile& file, Mode mode, LegacyEncoding legacy = {});
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Before the first line: the bytes read so far, from the file's first, after reading more
  // when there is room for them; *whole when they are all the file holds. They stay valid
  // until the next call. False on a read error, which status() then holds.
  bool Peek(std::string_view* bytes, bool* whole);
  // Before the first line: how to read the bytes, as Peek showed them.
  void set_mode(Mode mode) { mode_ = mode; }

  // False at the end of the input, and on a read error, which status() then holds.
  bool ReadLine(std::string* line);
  // The same without a copy where it can: the line stays valid until the next call.
  bool ReadLine(std::string_view* line);
  const Status& status() const { return status_; }
  // The code page that the lines which were not UTF-8 were read with; nothing while every line
  // was UTF-8 (or UTF-16).
  std::optional<CodePage> legacy_code_page() const { return used_; }

 private:
  bool Fill();
  bool ReadRawLine();
  bool DecideCodePage(std::string_view body);

  ReadableFile& file_;
  Mode mode_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool eof_ = false;
  bool dropped_ = false;  // bytes read have left the buffer: a second pass must read again
  bool first_line_ = true;
  LegacyEncoding legacy_;
  bool chosen_ = false;  // legacy_.code_page is final
  std::optional<CodePage> used_;
  std::size_t lines_ = 0;      // handed out, the current one included
  std::string raw_;            // the undecoded bytes of a line that spans reads
  std::string_view raw_view_;  // the undecoded bytes of the current line, wherever they are
  std::string decoded_;        // the current line, where it had to be decoded
  Status status_;
};

}  // namespace kestrane
