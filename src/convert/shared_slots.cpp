#include "convert/shared_slots.h"

#include <algorithm>

namespace kestrane {
namespace {

std::uint64_t Stretch(std::uint64_t begin, std::uint64_t end) {
  return begin << 32 | end;
}
std::size_t Begin(std::uint64_t stretch) {
  return static_cast<std::size_t>(stretch >> 32);
}
std::size_t End(std::uint64_t stretch) {
  return static_cast<std::size_t>(stretch & 0xffffffffu);
}
std::size_t Left(std::uint64_t stretch) {
  return End(stretch) - Begin(stretch);
}

}  // namespace

SharedSlots::SharedSlots(std::size_t size, unsigned workers)
    : count_(std::max(1u, workers)), stretches_(new std::atomic<std::uint64_t>[count_]) {
  for (std::size_t i = 0; i < count_; ++i)
    stretches_[i] = Stretch(size * i / count_, size * (i + 1) / count_);
}

bool SharedSlots::Next(unsigned self, std::size_t* slot) {
  std::atomic<std::uint64_t>& own = stretches_[self % count_];
  for (std::uint64_t seen = own.load(); Left(seen) != 0;) {
    if (own.compare_exchange_weak(seen, Stretch(Begin(seen) + 1, End(seen)))) {
      *slot = Begin(seen);
      return true;
    }
  }
  for (;;) {
    std::atomic<std::uint64_t>* most = nullptr;
    std::uint64_t seen = 0;
    for (std::size_t i = 0; i < count_; ++i) {
      const std::uint64_t stretch = stretches_[i].load();
      if (Left(stretch) > Left(seen)) {
        most = &stretches_[i];
        seen = stretch;
      }
    }
    if (!most) return false;
    // Lost to another taker: look again.
    if (most->compare_exchange_strong(seen, Stretch(Begin(seen), End(seen) - 1))) {
      *slot = End(seen) - 1;
      return true;
    }
  }
}

}  // namespace kestrane
