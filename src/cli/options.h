// kestrane-cli's command line: its options and their help, read into the settings of a run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/console.h"
#include "convert/source_names.h"

namespace kestrane {

// The program's name, as its messages and --version give it.
inline constexpr char kCliName[] = "kestrane-cli";

// What the command line asks for, as it was typed; the run checks the names in it.
struct Settings {
  std::vector<std::string> paths;
  bool dry_run = false;
  bool restore = false;
  bool verbose = false;
  bool quiet = false;
  bool json = false;
  std::string encoding = "auto";
  std::optional<std::string> fps;     // none: the classic frame
  std::optional<std::string> offset;  // none: lists start at zero
  bool strip_tags = false;
  unsigned jobs = 0;         // one per core
  SourceKinds sources = {};  // --sources, read and checked: none but .txt by default
};

// Reads `args` (program name first) into *settings. The exit status when that ends the run: the
// help or the version, written to standard output, or a usage error (an unknown option, a bad
// value, no path), said on standard error. Nothing when the run goes on, with at least one path.
std::optional<int> ParseOptions(const std::vector<std::string>& args, Console& console,
                                Settings* settings);

}  // namespace kestrane
