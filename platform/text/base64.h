// Base64 (RFC 4648, the standard alphabet with '=' padding), as vCard photos
// and other inline binary values carry it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The encoded bytes, padded, on one line.
std::string Base64Encode(const std::uint8_t* data, size_t size);
inline std::string Base64Encode(const std::vector<std::uint8_t>& data) { return Base64Encode(data.data(), data.size()); }

// The decoded bytes. White space anywhere is skipped and missing padding is
// accepted; any other character outside the alphabet, a '=' before the end or
// a lone trailing character gives nothing.
std::optional<std::vector<std::uint8_t>> Base64Decode(std::string_view text);

}  // namespace platform
