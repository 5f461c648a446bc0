// What changes the conversion of a file: how a walk schedules its files is the walk's
// (WalkOptions).
#pragma once

#include "convert/frame_rate.h"
#include "platform/codepage.h"

namespace kestrane {

struct ConvertOptions {
  // Read and convert everything, but create, move, remove and claim nothing.
  bool dry_run = false;
  // How 8-bit text that is not UTF-8 is read.
  LegacyEncoding legacy = {};
  // The frame rate of the timecodes written.
  FrameRate rate = {};
};

}  // namespace kestrane
