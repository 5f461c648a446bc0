// Properties every cue line must have, shared by the fuzz targets.
#pragma once

#include <cstdlib>
#include <string_view>

namespace kestrane::fuzz {

inline void Check(bool condition) {
  if (!condition) std::abort();
}

// A cue line: index, start and end timecodes, text, then " \n" (or " \r\n" once in a file).
// Index and time fields hold no space, so the second and third space-separated fields are the
// two timecodes, and each ends with ";FF", a frame from 00 to 29.
// The frames' tens go up to 2 at the classic frame, up to 5 at 60 fps.
inline void CheckCueLine(std::string_view line, std::string_view ending, char max_tens = '2') {
  Check(line.size() >= ending.size() + 1 && line.ends_with(ending));
  Check(line[line.size() - ending.size() - 1] == ' ');
  std::size_t first = line.find(' ');
  Check(first != std::string_view::npos);
  for (int field = 0; field < 2; ++field) {
    std::size_t next = line.find(' ', first + 1);
    Check(next != std::string_view::npos);
    std::string_view time = line.substr(first + 1, next - first - 1);
    Check(time.size() >= 7);  // at least h;m;s;FF, each field one character or more
    std::string_view frame = time.substr(time.size() - 3);
    Check(frame[0] == ';' && frame[1] >= '0' && frame[1] <= max_tens && frame[2] >= '0' &&
          frame[2] <= '9');
    first = next;
  }
}

}  // namespace kestrane::fuzz
