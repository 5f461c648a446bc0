// A WebVTT file read as SubRip text, so that the converter and the proof (cue_blocks.h), which
// read SubRip, read a .vtt source exactly alike without knowing it is one.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "convert/webvtt.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "platform/line_reader.h"

namespace kestrane {

// The open .vtt file `file`, its bytes read as text (its encoding chosen as for SubRip: UTF-16
// by its mark, UTF-8, else `legacy`) and handed out as the cue blocks WebVttReader gives, each
// followed by a blank line: UTF-8 SubRip text. The claim and the identity are the file's own,
// so that a claim on this source is a claim on the .vtt file. Holds one cue at a time.
class WebVttSource : public ReadableFile {
 public:
  WebVttSource(std::unique_ptr<ReadableFile> file, const LegacyEncoding& legacy);

  Status Read(char* buf, std::size_t n, std::size_t* got) override;
  Status Rewind() override;
  Status TryLock() override { return file_->TryLock(); }
  const FileInfo& info() const override { return file_->info(); }
  // The legacy code page the text was read in; none for UTF-8 or UTF-16, or before a read.
  std::optional<CodePage> legacy_code_page() const {
    return lines_ ? lines_->legacy_code_page() : std::nullopt;
  }

 private:
  // Reads lines until some text waits or the file ends.
  Status Fill();

  std::unique_ptr<ReadableFile> file_;
  const LegacyEncoding legacy_;
  std::optional<LineReader> lines_;
  std::optional<WebVttReader> vtt_;
  bool started_ = false, ended_ = false;
  std::string pending_;  // text made but not read yet, from `taken_` on
  std::size_t taken_ = 0;
};

}  // namespace kestrane
