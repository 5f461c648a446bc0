// The conversion behind LegacyToUtf8 on Windows, for any code page and chunk size, so that
// tests can split an input the way a huge one would be split.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrane::win32 {

// MultiByteToWideChar counts in int; larger inputs go in pieces of at most max_chunk bytes (at
// least 4), never cut inside a character.
std::string CodePageToUtf8(std::uint32_t code_page, std::string_view bytes,
                           std::size_t max_chunk = std::size_t{1} << 28);

}  // namespace kestrane::win32
