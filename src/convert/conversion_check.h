// Whether a file is exactly what converting another gives: the proof a restore, or a conversion
// finishing one, needs before it removes a converted file, so that it never removes one the user
// wrote.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "convert/work_file.h"
#include "platform/file_system.h"

namespace kestrane {

// Whether `actual` is the cue line `expected` (both with their line ends) as some frame rate
// writes it: the same index and text, and two well-formed timecodes (digits in four fields, each
// field any value) where `expected` has its own. A timecode `expected` could not read keeps its
// characters at every rate but for its frame.
bool SameCueLine(std::string_view expected, std::string_view actual);

// Follows a conversion's text, handed over in pieces as it is made, line by line through `file`,
// read alongside. Memory stays bounded by the longest line, whatever the file's size.
class ConversionCheck {
 public:
  explicit ConversionCheck(ReadableFile& file) : file_(file) {}

  // The next piece of the conversion. Fails at the first line that is not the same (then
  // differs() says so) or when reading the file fails, so that the conversion stops there.
  Status Expect(std::string_view text);
  bool differs() const { return differs_; }
  // After the last piece: *same when the file held those lines and nothing more.
  Status Finish(bool* same);

 private:
  // The file's next line with its line feed, if it has one; empty at its end.
  Status ReadLine(std::string* line);

  ReadableFile& file_;
  std::string expected_;  // a line of the conversion not yet complete
  std::string buffer_;    // bytes of the file read, compared up to start_
  std::size_t start_ = 0;
  bool at_end_ = false;
  bool differs_ = false;
};

// The proof itself, for the file at `path`: opens it and checks it line by line against what
// `convert` makes of `original`, then looks at the name again. *proven holds the file open when
// it is that conversion and still the file at `path`, unchanged; else it is left empty. A source
// without a cue was never converted, so nothing is its conversion. Nothing at `path`, or no
// regular file, is no failure. `original` is read from its start, and left there again.
Status OpenIfConversionOf(FileSystem& fs, const std::filesystem::path& path, ReadableFile& original,
                          const Converter& convert, std::unique_ptr<ReadableFile>* proven);

// Removes the file OpenIfConversionOf proved, unless another file has taken its name since: that
// one stays, and it is no failure.
Status RemoveIfStillProven(FileSystem& fs, const std::filesystem::path& path,
                           const ReadableFile& proven);

}  // namespace kestrane
