// The shared table's replica: every card a set of last-writer-wins registers (place, face, order,
// presence), each holding the write with the greatest stamp. Applying the same writes in any order,
// any number of times, gives the same replica: that is why every player's table ends the same.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace share {

// A write's stamp: the writer's Lamport counter, its session id breaking ties.
struct Stamp {
    uint64_t counter = 0;
    uint64_t session = 0;
};
inline bool operator<(const Stamp& a, const Stamp& b) {
    return a.counter != b.counter ? a.counter < b.counter : a.session < b.session;
}
inline bool operator==(const Stamp& a, const Stamp& b) { return a.counter == b.counter && a.session == b.session; }

// A card's table-wide identity: (0, 0, i) for the i-th card of the table it was created with, else
// the taking-out message's session and counter and the card's place in that message.
struct CardId {
    uint64_t session = 0;
    uint64_t counter = 0;
    uint32_t index = 0;
};
inline bool operator<(const CardId& a, const CardId& b) {
    if (a.session != b.session) return a.session < b.session;
    return a.counter != b.counter ? a.counter < b.counter : a.index < b.index;
}
inline bool operator==(const CardId& a, const CardId& b) {
    return a.session == b.session && a.counter == b.counter && a.index == b.index;
}

// Stacking: the cards sorted by these byte strings, compared as bytes (a prefix is lower); the
// highest is on top.
using OrderKey = std::vector<uint8_t>;
constexpr size_t kMostOrderKeyBytes = 32;
constexpr size_t kOrderKeySuffixBytes = 18;  // session, counter, index: no two keys tie
// A key strictly between lo and hi (an empty lo: below everything; an empty hi: above everything),
// ending in the writer's suffix. Empty when lo is not below hi.
OrderKey keyBetween(const OrderKey& lo, const OrderKey& hi, uint64_t session, uint64_t counter, uint16_t index);
// Short keys for n cards, from the bottom up, evenly spread (for a table or pile keyed afresh).
std::vector<OrderKey> freshKeys(size_t n, uint64_t session, uint64_t counter);

// Card centres in table units; every place is kept within what 16 bits hold.
struct Place {
    int32_t x = 0;
    int32_t y = 0;
};
constexpr int32_t kMostUnits = 32767;
inline bool operator==(const Place& a, const Place& b) { return a.x == b.x && a.y == b.y; }

enum class Register : uint8_t { Place = 1, Face = 2, Order = 3, Present = 4 };

struct Write {
    CardId card;
    Register reg = Register::Place;
    Place place;
    bool on = false;  // face up; present
    OrderKey order;
};

// A card made by a message: its suit and rank never change.
struct Creation {
    CardId card;
    char16_t suit = 0;
    int32_t rank = 0;
};

// One message: everything one gesture wrote, under one stamp.
struct Changes {
    Stamp stamp;
    std::vector<Creation> creations;
    std::vector<Write> writes;
};

struct SharedCard {
    char16_t suit = 0;
    int32_t rank = 0;
    Place place;
    Stamp placeStamp;
    bool faceUp = false;
    Stamp faceStamp;
    OrderKey order;
    Stamp orderStamp;
    bool present = false;
    Stamp presentStamp;
};

struct Replica {
    std::map<CardId, SharedCard> cards;
    // Writes to cards whose creation has not arrived yet, with their stamps.
    std::multimap<CardId, std::pair<Stamp, Write>> waiting;
    uint64_t clock = 0;  // the highest counter seen or used
};

// A card with every register and its stamp, as a repair answer or a joining player's state holds it.
struct CardState {
    CardId id;
    SharedCard card;
};

// The table's cards in 64 buckets by identity, a hash of each bucket's registers and stamps: two
// replicas with the same digest hold the same cards (the repair compares these).
constexpr size_t kBuckets = 64;
using Digest = std::array<uint64_t, kBuckets>;
size_t bucketOf(const CardId& id);
Digest digestOf(const Replica& replica);
// Bit b set: bucket b differs.
uint64_t differingBuckets(const Digest& a, const Digest& b);
// The cards of the buckets given, with their registers and stamps.
std::vector<CardState> cardsIn(const Replica& replica, uint64_t buckets);
// Takes each register of each card where its stamp is greater; the cards that changed.
std::vector<CardId> mergeCards(Replica& replica, const std::vector<CardState>& cards);

// Applies a message's creations and writes; the cards whose registers took a value (in id order).
std::vector<CardId> applyChanges(Replica& replica, const Changes& changes);
// The counter of this player's next message: past everything seen.
uint64_t nextCounter(Replica& replica);
// Whether two replicas show the same table: the same cards, and for the present ones the same
// place, face and order.
bool sameTable(const Replica& a, const Replica& b);
// The present cards, top first.
std::vector<CardId> stacking(const Replica& replica);

}  // namespace share
