#include "convert/convert_file.h"

#include <algorithm>
#include <cstring>
#include <optional>

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
// read again from its start.
Status ChooseMode(ReadableFile& file, std::optional<LineReader>& reader,
                  const LegacyEncoding& legacy) {
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
  if (utf16.value_or(false)) reader->set_mode(LineReader::Mode::kUtf16Le);
  return Status::Ok();
}

// The converted text on its way to the work file: the byte-order mark, then the cue lines, handed
// over in pieces.
class Output {
 public:
  Output(WorkFile& work, const FrameRate& rate) : work_(work), rate_(rate), text_(kUtf8Mark) {}

  // Appends the cue line of a block, its line feed as CR LF; *added says whether there was one.
  Status AddCue(std::string_view block, bool* added) {
    *added = AppendCueLine(block, rate_, &text_);
    if (!*added) return Status::Ok();
    // A block's only line feed is its last character (lines never hold one), and so is the cue
    // line's.
    text_.back() = '\r';
    text_.push_back('\n');
    return text_.size() >= kFlushSize ? Flush() : Status::Ok();
  }

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

// Reads the whole source and writes its cue lines to `work`. On failure, *step says where;
// *code_page names the legacy code page that lines were read with, if any.
Status Gather(ReadableFile& file, const LegacyEncoding& legacy, const FrameRate& rate,
              WorkFile& work, std::size_t* cues, Reason* step, std::string_view* code_page) {
  Output output(work, rate);
  *cues = 0;
  *step = Reason::kRead;
  std::optional<LineReader> chosen(std::in_place, file, LineReader::Mode::kEightBit, legacy);
  Status s = ChooseMode(file, chosen, legacy);
  if (!s.ok()) return s;
  LineReader& reader = *chosen;
  std::string block;
  auto complete_cue = [&]() -> Status {
    block.back() = '\n';  // the space after the cue's last line
    bool added = false;
    Status s = output.AddCue(block, &added);
    block.clear();
    if (added) ++*cues;
    if (!s.ok()) *step = work.failed_step();
    return s;
  };
  std::string_view line;
  while (reader.ReadLine(&line)) {
    // Every CR goes; a line that had nothing else is blank.
    const std::size_t before = block.size();
    for (std::size_t cr; (cr = line.find('\r')) != std::string_view::npos;) {
      block.append(line.substr(0, cr));
      line.remove_prefix(cr + 1);
    }
    block.append(line);
    if (block.size() != before) {
      block.push_back(' ');
    } else if (!block.empty()) {
      s = complete_cue();
      if (!s.ok()) return s;
    }
  }
  if (!reader.status().ok()) return reader.status();
  if (reader.legacy_code_page()) *code_page = CodePageName(*reader.legacy_code_page());
  // Most files in the wild end their last cue without a blank line.
  if (!block.empty()) {
    s = complete_cue();
    if (!s.ok()) return s;
  }
  if (*cues == 0) return Status::Ok();
  s = output.Flush();
  if (!s.ok()) *step = work.failed_step();
  return s;
}

}  // namespace

Converter SubtitleConverter(const ConvertOptions& options) {
  return [legacy = options.legacy, rate = options.rate](ReadableFile& source, WorkFile& work,
                                                        std::size_t* cues, Reason* step,
                                                        std::string_view* code_page) {
    return Gather(source, legacy, rate, work, cues, step, code_page);
  };
}

FileResult ConvertFile(FileSystem& fs, const std::filesystem::path& input,
                       const ConvertOptions& options) {
  return ConvertInPlace(fs, input, options, SubtitleConverter(options));
}

std::optional<FileResult> RecoverFile(FileSystem& fs, const std::filesystem::path& input,
                                      const ConvertOptions& options) {
  return FinishInterrupted(fs, input, options, SubtitleConverter(options));
}

}  // namespace kestrane
