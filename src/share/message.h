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

enum class MessageKind : uint8_t { Changes = 1, Summary = 2, Cards = 3 };  // writes; a digest; cards whole
// The kind a message says it is (without reading the rest); Changes for anything too short.
MessageKind kindOf(const uint8_t* bytes, size_t size);

std::vector<uint8_t> encodeChanges(const Changes& changes);
// False, and out untouched, for anything but a well-formed message of this version.
bool decodeChanges(const uint8_t* bytes, size_t size, Changes& out);
// A player's digest of its replica.
std::vector<uint8_t> encodeDigest(uint64_t session, const Digest& digest);
bool decodeDigest(const uint8_t* bytes, size_t size, uint64_t& session, Digest& out);
// Cards with all their registers and stamps: a repair answer, or a chunk of the state a joining
// player starts from.
constexpr uint32_t kMostStateCards = 65536;
std::vector<uint8_t> encodeCards(uint64_t session, const std::vector<CardState>& cards);
bool decodeCards(const uint8_t* bytes, size_t size, uint64_t& session, std::vector<CardState>& out);

}  // namespace share
