#include "convert/webvtt_source.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "convert/cue_blocks.h"

namespace kestrane {

WebVttSource::WebVttSource(std::unique_ptr<ReadableFile> file, const LegacyEncoding& legacy)
    : file_(std::move(file)), legacy_(legacy) {}

Status WebVttSource::Rewind() {
  Status s = file_->Rewind();
  lines_.reset();
  vtt_.reset();
  started_ = ended_ = false;
  pending_.clear();
  taken_ = 0;
  return s;
}

Status WebVttSource::Read(char* buf, std::size_t n, std::size_t* got) {
  *got = 0;
  if (taken_ == pending_.size()) {
    pending_.clear();
    taken_ = 0;
    Status s = Fill();
    if (!s.ok()) return s;
  }
  *got = std::min(n, pending_.size() - taken_);
  std::memcpy(buf, pending_.data() + taken_, *got);
  taken_ += *got;
  return Status::Ok();
}

Status WebVttSource::Fill() {
  if (!started_) {
    started_ = true;
    lines_.emplace(*file_, LineReader::Mode::kEightBit, legacy_);
    vtt_.emplace();
    bool utf16 = false;
    Status s = ChooseReading(*file_, lines_, legacy_, &utf16);
    if (!s.ok()) return s;
  }
  const WebVttReader::BlockSink sink = [this](std::string_view block) {
    pending_.append(block).push_back('\n');
  };
  std::string_view line;
  while (pending_.empty() && !ended_) {
    if (vtt_->rejected() || !lines_->ReadLine(&line)) {
      if (!lines_->status().ok()) return lines_->status();
      ended_ = true;
      vtt_->Finish(sink);
      break;
    }
    vtt_->ReadLine(line, sink);
  }
  return Status::Ok();
}

}  // namespace kestrane
