// The JSON objects kestrane-cli writes with --json, one per line (JSON Lines). Every line is
// ASCII: each character past it is a \uXXXX escape (a surrogate pair past U+FFFF), so a line
// reaches a program intact whatever code page it is read in (PowerShell reads piped output in
// the OEM one), and no control or bidirectional character reaches a terminal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane {

class JsonObject {
 public:
  // UTF-8 text; a byte that is not UTF-8, and a surrogate, become U+FFFD (\ufffd).
  JsonObject& Text(std::string_view key, std::string_view text);
  // A name as PathText gives it (bytes on POSIX, WTF-8 on Windows): as Text, and, when the two
  // differ, its bytes too, as lowercase hexadecimal under key + "_bytes", so no name is lost.
  JsonObject& Name(std::string_view key, std::string_view name);
  JsonObject& Number(std::string_view key, std::uint64_t value);
  JsonObject& Bool(std::string_view key, bool value);
  JsonObject& Object(std::string_view key, const JsonObject& value);

  // {"key": value, ...}, without a line end.
  std::string ToString() const;

 private:
  void Key(std::string_view key);

  std::string fields_;
};

}  // namespace kestrane
