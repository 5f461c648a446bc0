// The bytes of a file the proof (conversion_proof.h) is shown, read ahead only as far as its
// comparisons need them, and whether they agree with a line the proof expects.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "convert/conversion_proof.h"
#include "platform/file_system.h"

namespace kestrane {

// The candidate's bytes, read ahead as far as a comparison needs them.
class CandidateBytes {
 public:
  explicit CandidateBytes(ReadableFile& file) : file_(file), left_(file.info().size) {}

  // `n` bytes from the read position, fewer only where the file ends.
  Status Peek(std::size_t n, std::string_view* bytes) {
    // Nearly always: a small file is read whole by the first look.
    if (end_ - start_ >= n || at_end_) {
      *bytes = std::string_view(buffer_.get() + start_, std::min(n, end_ - start_));
      return Status::Ok();
    }
    return ReadAndPeek(n, bytes);
  }

  void Skip(std::size_t n) { start_ += n; }

 private:
  static constexpr std::uint64_t kLeast = 4 * 1024, kMost = 64 * 1024;

  Status ReadAndPeek(std::size_t n, std::string_view* bytes);

  ReadableFile& file_;
  std::uint64_t left_;  // of the size the file had when opened
  // Bytes read into [0, end_) of its size_, those before start_ compared already.
  std::unique_ptr<char[]> buffer_;
  std::size_t size_ = 0;
  std::size_t start_ = 0;  // the read position
  std::size_t end_ = 0;
  bool at_end_ = false;
};

// Whether `held`, the candidate's bytes where a line is expected, agree with the line as
// `mode` reads them: all of it in the whole mode; in the prefix mode as much of it as the
// candidate still holds, a zero there standing for any byte.
bool LineAgrees(std::string_view expected, std::string_view held, ProofMode mode);

}  // namespace kestrane
