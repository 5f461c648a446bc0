#include "convert/candidate_bytes.h"

#include <algorithm>
#include <cstring>

namespace kestrane {

Status CandidateBytes::ReadAndPeek(std::size_t n, std::string_view* bytes) {
  while (end_ - start_ < n && !at_end_) {
    if (start_ != 0) {
      std::memmove(buffer_.get(), buffer_.get() + start_, end_ - start_);
      end_ -= start_;
      start_ = 0;
    }
    // As much as the file holds, for a small one, rather than a whole piece of zeros first.
    const std::size_t want =
        std::max(n - end_, static_cast<std::size_t>(std::clamp(left_, kLeast, kMost)));
    if (size_ < end_ + want) {
      // Not zeroed: only bytes read are ever looked at.
      auto larger = std::make_unique_for_overwrite<char[]>(end_ + want);
      if (end_ != 0) std::memcpy(larger.get(), buffer_.get(), end_);
      buffer_ = std::move(larger);
      size_ = end_ + want;
    }
    std::size_t got = 0;
    Status s = file_.Read(buffer_.get() + end_, want, &got);
    if (!s.ok()) return s;
    end_ += got;
    at_end_ = got == 0;
    left_ -= std::min<std::uint64_t>(left_, got);
  }
  *bytes = std::string_view(buffer_.get() + start_, std::min(n, end_ - start_));
  return Status::Ok();
}

bool LineAgrees(std::string_view expected, std::string_view held, ProofMode mode) {
  if (mode == ProofMode::kWhole) {
    return held.size() >= expected.size() &&
           std::memcmp(expected.data(), held.data(), expected.size()) == 0;
  }
  const std::size_t n = std::min(expected.size(), held.size());
  if (std::memcmp(expected.data(), held.data(), n) == 0) return true;
  for (std::size_t i = 0; i < n; ++i) {
    if (held[i] != expected[i] && held[i] != '\0') return false;
  }
  return true;
}

}  // namespace kestrane
