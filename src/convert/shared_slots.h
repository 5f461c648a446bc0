// How a batch's files are shared among its workers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kestrane {

// The slots of a batch, cut into one stretch of neighbouring slots for each worker. The files
// come folder by folder, so each worker mostly creates and renames in a folder of its own: a
// system serialises those within a folder, and two workers in one wait on each other. A worker
// takes its own stretch from the front; one that has run out takes from the back of the stretch
// with the most left. Files of unequal sizes then keep every worker busy to the end, and two
// workers share a folder only where they meet.
class SharedSlots {
 public:
  // A batch holds far fewer than 2^32 slots: each holds files open.
  SharedSlots(std::size_t size, unsigned workers);
  // The stretch of a worker coming to the batch: each its own, in the order they come.
  unsigned Join() { return joined_++; }
  // The next slot for the worker of stretch `self`; false once none is left. Each slot is given
  // once, whatever the threads calling at once.
  bool Next(unsigned self, std::size_t* slot);

 private:
  const unsigned count_;
  std::atomic<unsigned> joined_ = 0;
  // Each stretch's first slot in the high half and its end in the low one, so that a slot is
  // taken from either end by one exchange.
  const std::unique_ptr<std::atomic<std::uint64_t>[]> stretches_;
};

}  // namespace kestrane
