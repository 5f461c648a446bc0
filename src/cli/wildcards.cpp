#include "cli/wildcards.h"

#include <algorithm>
#include <utility>

#include "cli/console.h"
#include "platform/text.h"

namespace kestrane {
namespace {

bool HasWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

std::string_view::size_type NextCharacter(std::string_view text, std::string_view::size_type at) {
  return at + FirstWtf8Character(text.substr(at)).length;
}

// The argument's folder part, separator included ("sub\", "D:", ""), and its last name.
std::pair<std::string, std::string> SplitLastName(const std::string& arg) {
  std::string::size_type cut = arg.find_last_of("\\/");
  if (cut == std::string::npos && arg.size() >= 2 && arg[1] == ':') cut = 1;  // D:*.txt
  if (cut == std::string::npos) return {"", arg};
  return {arg.substr(0, cut + 1), arg.substr(cut + 1)};
}

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  // Greedy, going back to the last * on a mismatch: linear in practice, never exponential.
  std::string_view::size_type n = 0, p = 0;
  std::string_view::size_type star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    const auto name_length = NextCharacter(name, n) - n;
    const auto pattern_length = p < pattern.size() ? NextCharacter(pattern, p) - p : 0;
    if (p < pattern.size() && pattern[p] == '*') {
      star = ++p;
      star_n = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || name.substr(n, name_length) ==
                                                               pattern.substr(p, pattern_length))) {
      p += pattern_length;
      n += name_length;
    } else if (star != std::string_view::npos) {
      // The last * takes one more character, and the rest is tried again after it.
      p = star;
      n = star_n = NextCharacter(name, star_n);
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

std::vector<std::string> ExpandWildcards(std::vector<std::string> args, FileSystem& fs,
                                         std::string (*fold)(std::string_view)) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string& arg = args[i];
    FileInfo info;
    if (i == 0 || arg.empty() || arg[0] == '-' || !HasWildcard(arg) ||
        fs.Stat(PathFromArg(arg), &info).ok()) {
      out.push_back(std::move(arg));
      continue;
    }
    const auto [folder, pattern] = SplitLastName(arg);
    std::vector<DirEntry> entries;
    if (HasWildcard(folder) ||
        !fs.ListDir(PathFromArg(folder.empty() ? std::string(".") : folder), &entries).ok()) {
      out.push_back(std::move(arg));
      continue;
    }
    const std::string folded_pattern = fold(pattern);
    std::vector<std::pair<std::string, std::string>> matches;  // folded name, name
    for (const DirEntry& entry : entries) {
      std::string name = PathText(entry.name);
      std::string folded = fold(name);
      if (name != "." && name != ".." && MatchesWildcard(folded, folded_pattern))
        matches.emplace_back(std::move(folded), std::move(name));
    }
    if (matches.empty()) {
      out.push_back(std::move(arg));  // reported as not there, with the name the user typed
      continue;
    }
    std::sort(matches.begin(), matches.end());
    for (const auto& match : matches)
      out.push_back(folder + match.second);
  }
  return out;
}

}  // namespace kestrane
