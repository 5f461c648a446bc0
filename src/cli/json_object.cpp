#include "cli/json_object.h"

#include "cli/shown_name.h"

namespace kestrane {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// A JSON string literal; also tells whether any of `text` had to be replaced.
std::string Quoted(std::string_view text, bool* replaced = nullptr) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const Character c = FirstCharacter(text.substr(i));
    const char32_t v = c.code_point;
    if (!c.utf8()) {
      out += UnicodeEscape(0xFFFD);
      if (replaced) *replaced = true;
    } else if (v == '"' || v == '\\') {
      out += {'\\', static_cast<char>(v)};
    } else if (v < 0x80 && !IsUnsafe(v)) {
      out += static_cast<char>(v);
    } else if (v > 0xFFFF) {
      // JSON knows only 16-bit escapes: a character past them is its UTF-16 surrogate pair.
      out += UnicodeEscape(0xD800 + ((v - 0x10000) >> 10));
      out += UnicodeEscape(0xDC00 + ((v - 0x10000) & 0x3FF));
    } else {
      out += UnicodeEscape(v);
    }
    i += c.length;
  }
  return out + "\"";
}

}  // namespace

JsonObject& JsonObject::Text(std::string_view key, std::string_view text) {
  Key(key);
  fields_ += Quoted(text);
  return *this;
}

JsonObject& JsonObject::Name(std::string_view key, std::string_view name) {
  bool replaced = false;
  Key(key);
  fields_ += Quoted(name, &replaced);
  if (replaced) {
    std::string hex;
    for (unsigned char byte : name)
      hex += {kHex[byte >> 4], kHex[byte & 0xF]};
    Text(std::string(key) + "_bytes", hex);
  }
  return *this;
}

JsonObject& JsonObject::Number(std::string_view key, std::uint64_t value) {
  Key(key);
  fields_ += std::to_string(value);
  return *this;
}

JsonObject& JsonObject::Bool(std::string_view key, bool value) {
  Key(key);
  fields_ += value ? "true" : "false";
  return *this;
}

JsonObject& JsonObject::Object(std::string_view key, const JsonObject& value) {
  Key(key);
  fields_ += value.ToString();
  return *this;
}

std::string JsonObject::ToString() const {
  return "{" + fields_ + "}";
}

void JsonObject::Key(std::string_view key) {
  if (!fields_.empty()) fields_ += ", ";
  fields_ += Quoted(key) + ": ";
}

}  // namespace kestrane
