// MD5, for the one place that needs it: the thumbnail cache names each file
// after the MD5 of its frame's URI, so that every program sharing the cache
// finds the same file. Not for anything that must resist an attacker.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vantorel {

using Md5Digest = std::array<std::uint8_t, 16>;

Md5Digest Md5(std::span<const std::uint8_t> bytes);
// The digest of text's bytes as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view text);

}  // namespace vantorel
