// The line on standard error that shows a long run is alive: it appears only once the run has
// taken a second, redraws itself in place at most ten times a second, and is wiped before any
// other output.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "cli/console.h"

namespace kestrane {

class Progress {
 public:
  using Clock = std::chrono::steady_clock;

  // With `enabled` false (standard error not a terminal, or a quiet run) it never writes.
  Progress(Console& console, bool enabled, std::function<Clock::time_point()> now = Clock::now);

  // After each file: how many are done, and the path of the last one.
  void Update(std::size_t done, std::string_view current);
  // The same, with the path made only when the line is drawn: most files are never shown.
  void Update(std::size_t done, const std::function<std::string()>& current);
  // Wipes the line, if shown; before other output, and at the end.
  void Clear();

 private:
  Console& console_;
  bool enabled_;
  std::function<Clock::time_point()> now_;
  Clock::time_point start_;
  Clock::time_point last_{};
  std::size_t width_ = 0;  // columns the shown line takes, 0 when none is shown
};

}  // namespace kestrane
