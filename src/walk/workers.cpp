#include "walk/workers.h"

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

Workers::~Workers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  for (std::thread& thread : threads_)
    thread.join();
}

void Workers::Run(std::size_t count, const std::function<void(std::size_t slot)>& each,
                  bool alone) {
  SharedSlots shared(count, jobs_);
  RunOnAll(
      [&] {
        const unsigned self = shared.Join();
        const std::unique_ptr<FolderHandles> held = fs_.HoldFolders();
        for (std::size_t slot; shared.Next(self, &slot);)
          each(slot);
      },
      alone);
}

void Workers::RunOnAll(const std::function<void()>& work, bool alone) {
  if (alone || jobs_ <= 1) {
    work();
    return;
  }
  if (threads_.empty()) {
    for (unsigned i = 1; i < jobs_; ++i)
      threads_.emplace_back([this] { Serve(); });
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    work_ = &work;
    busy_ = jobs_ - 1;
    ++round_;
  }
  wake_.notify_all();
  work();
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return busy_ == 0; });
  work_ = nullptr;
}

void Workers::Serve() {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || round_ != seen; });
    if (stop_) return;
    seen = round_;
    const std::function<void()>* work = work_;
    lock.unlock();
    (*work)();
    lock.lock();
    if (--busy_ == 0) done_.notify_one();
  }
}

}  // namespace kestrane
