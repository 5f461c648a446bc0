// For the tests of a trio's states (side_file_names.h): its files written and shown by a letter
// each, and what a run says of it.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "convert/convert_file.h"
#include "convert/file_result.h"
#include "convert/restore_in_place.h"
#include "testing/memory_file_system.h"

namespace kestrane::trio {

// The bytes a trio holds, by a letter each: S the SubRip original, C its conversion, N a
// text without cues, O some other original, T a work file a run left, its conversion of S cut,
// V a WebVTT source whose conversion is C too.
inline const std::map<char, std::string> kBytes = {
    {'S', "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n"},
    {'C',
     "\xEF\xBB\xBF"
     "1 00;00;01;00 00;00;04;00 Hello \r\n"},
    {'N', "no cues\r\n"},
    {'O', "2\r\n00:00:05,000 --> 00:00:06,000\r\nBye\r\n\r\n"},
    {'T',
     "\xEF\xBB\xBF"
     "1 00;00;0"},
    {'V', "WEBVTT\n\nNOTE made by hand\n\n00:01.000 --> 00:04.000 line:90%\n<v Ann>Hello</v>\n"},
};

// "a.txt=S a.txt_original=O" into /d.
inline void Put(testing::MemoryFileSystem& fs, const std::string& files) {
  fs.AddDir("/d");
  std::istringstream in(files);
  for (std::string entry; in >> entry;) {
    fs.AddFile("/d/" + entry.substr(0, entry.size() - 2), kBytes.at(entry.back()));
  }
}

// The files of /d in the same form; "?" for bytes that are none of the above.
inline std::string Show(const testing::MemoryFileSystem& fs) {
  std::string shown;
  for (const std::string& path : fs.Paths()) {
    if (path == "/d/") continue;
    char letter = '?';
    for (const auto& [l, bytes] : kBytes) {
      if (fs.Contents(path) == bytes) letter = l;
    }
    if (!shown.empty()) shown += ' ';
    shown.append(path, 3);
    shown += '=';
    shown += letter;
  }
  return shown;
}

inline FileResult Restore(FileSystem& fs, const std::filesystem::path& backup,
                          bool dry_run = false) {
  return RestoreInPlace(fs, backup, {.dry_run = dry_run});
}

inline std::string Said(const FileResult& result) {
  return std::string(Describe(result.reason)) + (result.recovered ? ", recovered" : "");
}

inline std::string Said(const std::optional<FileResult>& result) {
  return result ? Said(*result) : "-";
}

}  // namespace kestrane::trio
