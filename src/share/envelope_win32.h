// What goes over the broker: a table's topics, and each payload sealed in an envelope that names
// the table's instance in the clear and binds everything else: the sealed payload opens only with
// the table's key, on the topic it was sealed for, in the instance it was sealed for, and from the
// session whose nonce it carries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "share/seal_win32.h"

namespace share {

enum class Topic : uint8_t { Moves = 'm', Digests = 'd', State = 's', Presence = 'p' };

// A table's instance: when it was created and 64 random bits. The older one wins when two players
// created the same table at once; it also keeps last week's messages out of this week's table.
struct Instance {
    uint64_t createdAt = 0;
    uint64_t random = 0;
};
inline bool operator==(const Instance& a, const Instance& b) { return a.createdAt == b.createdAt && a.random == b.random; }
// Of two tables made under one name at about the same moment, the older one wins (the random part
// decides a tie).
inline bool operator<(const Instance& a, const Instance& b) {
    return a.createdAt != b.createdAt ? a.createdAt < b.createdAt : a.random < b.random;
}

// "rupone/1/<table id in hex>", the root of the table's topics.
std::string topicRoot(const TableKey& key);
// The topic of a kind: ".../m", ".../d", ".../s/<part>", ".../p/<session in hex>".
std::string topicOf(const TableKey& key, Topic kind, uint64_t part = 0);

std::vector<uint8_t> sealEnvelope(const TableKey& key, const Instance& instance, Topic kind, uint64_t session,
                                  uint32_t count, const std::vector<uint8_t>& payload);
// False for anything that is not an envelope of this table sealed for this kind of topic; the
// instance and the sender's session are read from it.
bool openEnvelope(const TableKey& key, Topic kind, const uint8_t* bytes, size_t size, Instance& instance,
                  uint64_t& session, std::vector<uint8_t>& payload);

}  // namespace share
