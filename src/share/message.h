// A shared table's messages as bytes: versioned, little-endian, fixed widths. The reader checks
// everything a message says against what any message may say (never against what the receiver
// holds, so that every player decides alike) before anything is returned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "share/replica.h"

namespace share {

constexpr uint8_t kMessageVersion = 1;
constexpr size_t kMostMessageBytes = 1 << 20;
constexpr uint32_t kMostCreations = 10000;
constexpr uint32_t kMostWrites = 4 * 10000;

std::vector<uint8_t> encodeChanges(const Changes& changes);
// False, and out untouched, for anything but a well-formed message of this version.
bool decodeChanges(const uint8_t* bytes, size_t size, Changes& out);

}  // namespace share
