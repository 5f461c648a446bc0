// The walk's threads, and how a batch's files are shared among them.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/file_system.h"

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

// How many workers a walk asked for `jobs` runs: 0 means one per core.
inline unsigned WorkersFor(unsigned jobs) {
  return jobs != 0 ? jobs : std::max(1u, std::thread::hardware_concurrency());
}

// Threads that live for the whole walk: each batch runs its slots on them and on the calling
// thread, rather than starting threads of its own.
class Workers {
 public:
  // `jobs` workers in all, the calling thread among them; the others start at the first Run
  // that can use them.
  Workers(FileSystem& fs, unsigned jobs) : fs_(fs), jobs_(jobs) {}
  ~Workers();
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;

  // Calls `each` once for every slot below `count`, and returns once every call has returned.
  // Each worker keeps to its stretch of neighbouring slots (SharedSlots) and holds the folders
  // it works in (FileSystem::HoldFolders) meanwhile. On the calling thread alone when `alone`: a
  // batch of one file has nothing to share.
  void Run(std::size_t count, const std::function<void(std::size_t slot)>& each,
           bool alone = false);

 private:
  // Runs `work` on every worker and returns once each has returned.
  void RunOnAll(const std::function<void()>& work, bool alone);
  void Serve();

  FileSystem& fs_;
  const unsigned jobs_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void()>* work_ = nullptr;
  std::uint64_t round_ = 0;
  unsigned busy_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace kestrane
