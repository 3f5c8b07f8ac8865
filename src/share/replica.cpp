#include "share/replica.h"

#include <algorithm>

namespace share {

namespace {

constexpr uint64_t kMostClockJump = uint64_t{1} << 32;

void putSuffix(OrderKey& key, uint64_t session, uint64_t counter, uint16_t index) {
    for (int i = 7; i >= 0; --i) key.push_back(static_cast<uint8_t>(session >> (8 * i)));
    for (int i = 7; i >= 0; --i) key.push_back(static_cast<uint8_t>(counter >> (8 * i)));
    key.push_back(static_cast<uint8_t>(index >> 8));
    key.push_back(static_cast<uint8_t>(index));
}

// Takes a write when its stamp is greater than the register's; whether it did.
template <typename T>
bool take(T& value, Stamp& held, const T& written, const Stamp& stamp) {
    if (!(held < stamp)) return false;
    held = stamp;
    value = written;
    return true;
}

bool applyWrite(SharedCard& c, const Write& w, const Stamp& stamp) {
    switch (w.reg) {
    case Register::Place: return take(c.place, c.placeStamp, w.place, stamp);
    case Register::Face: return take(c.faceUp, c.faceStamp, w.on, stamp);
    case Register::Order: return take(c.order, c.orderStamp, w.order, stamp);
    case Register::Present: return take(c.present, c.presentStamp, w.on, stamp);
    }
    return false;
}

}  // namespace

OrderKey keyBetween(const OrderKey& lo, const OrderKey& hi, uint64_t session, uint64_t counter, uint16_t index) {
    if (!hi.empty() && !(lo < hi)) return {};
    // Digits in base 256, read as fractions: the first digit where lo and hi leave room gets the
    // middle of it; before it the key follows lo. Once it is below hi's digit, hi no longer bounds.
    OrderKey key;
    bool bounded = !hi.empty();
    for (size_t i = 0;; ++i) {
        const int a = i < lo.size() ? lo[i] : 0;
        const int b = !bounded ? 256 : (i < hi.size() ? hi[i] : 0);
        if (b - a > 1) {
            key.push_back(static_cast<uint8_t>((a + b) / 2));
            break;
        }
        key.push_back(static_cast<uint8_t>(a));
        if (b > a) bounded = false;
    }
    putSuffix(key, session, counter, index);
    return key;
}

std::vector<OrderKey> freshKeys(size_t n, uint64_t session, uint64_t counter) {
    std::vector<OrderKey> keys;
    keys.reserve(n);
    // Two digits hold 65,535 places: far more cards than a table takes.
    const uint64_t step = 65536 / (n + 1);
    for (size_t i = 0; i < n; ++i) {
        const uint64_t at = step ? (i + 1) * step : i + 1;
        OrderKey key{static_cast<uint8_t>(at >> 8), static_cast<uint8_t>(at)};
        putSuffix(key, session, counter, static_cast<uint16_t>(i));
        keys.push_back(std::move(key));
    }
    return keys;
}

std::vector<CardId> applyChanges(Replica& replica, const Changes& changes) {
    const Stamp& stamp = changes.stamp;
    // The clock passes what it sees, but never by more than 2^32 at once: a stamp far ahead is
    // still taken, it just does not carry everyone's counters to the end of the range.
    replica.clock = std::max(replica.clock, std::min(stamp.counter, replica.clock + kMostClockJump));
    std::vector<CardId> touched;
    for (const Creation& made : changes.creations) {
        auto [it, isNew] = replica.cards.try_emplace(made.card);
        if (!isNew) continue;
        it->second.suit = made.suit;
        it->second.rank = made.rank;
        // What was written to it before it arrived.
        auto waiting = replica.waiting.equal_range(made.card);
        for (auto w = waiting.first; w != waiting.second; ++w) applyWrite(it->second, w->second.second, w->second.first);
        replica.waiting.erase(waiting.first, waiting.second);
        touched.push_back(made.card);
    }
    for (const Write& w : changes.writes) {
        auto it = replica.cards.find(w.card);
        if (it == replica.cards.end())
            replica.waiting.emplace(w.card, std::make_pair(stamp, w));
        else if (applyWrite(it->second, w, stamp))
            touched.push_back(w.card);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    return touched;
}

uint64_t nextCounter(Replica& replica) { return ++replica.clock; }

size_t bucketOf(const CardId& id) {
    uint64_t h = id.session * 0x9E3779B97F4A7C15ull ^ id.counter * 0xC2B2AE3D27D4EB4Full ^ id.index * 0x165667B19E3779F9ull;
    h ^= h >> 29;
    return static_cast<size_t>(h % kBuckets);
}

namespace {

// FNV-1a over the fields, one after another.
struct Fnv {
    uint64_t h = 14695981039346656037ull;
    void add(uint64_t v, int bytes = 8) {
        for (int i = 0; i < bytes; ++i) {
            h ^= (v >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    }
    void add(const Stamp& s) {
        add(s.counter);
        add(s.session);
    }
};

}  // namespace

Digest digestOf(const Replica& replica) {
    Digest d{};
    for (const auto& [id, c] : replica.cards) {
        Fnv f;
        f.add(id.session);
        f.add(id.counter);
        f.add(id.index, 4);
        f.add(c.suit, 2);
        f.add(static_cast<uint32_t>(c.rank), 4);
        f.add(static_cast<uint32_t>(c.place.x), 4);
        f.add(static_cast<uint32_t>(c.place.y), 4);
        f.add(c.placeStamp);
        f.add(c.faceUp, 1);
        f.add(c.faceStamp);
        f.add(c.order.size(), 1);
        for (uint8_t b : c.order) f.add(b, 1);
        f.add(c.orderStamp);
        f.add(c.present, 1);
        f.add(c.presentStamp);
        // Summed, so that the order the cards are visited in does not matter.
        d[bucketOf(id)] += f.h;
    }
    return d;
}

uint64_t differingBuckets(const Digest& a, const Digest& b) {
    uint64_t bits = 0;
    for (size_t i = 0; i < kBuckets; ++i)
        if (a[i] != b[i]) bits |= uint64_t{1} << i;
    return bits;
}

std::vector<CardState> cardsIn(const Replica& replica, uint64_t buckets) {
    std::vector<CardState> out;
    for (const auto& [id, c] : replica.cards)
        if (buckets >> bucketOf(id) & 1) out.push_back({id, c});
    return out;
}

std::vector<CardId> mergeCards(Replica& replica, const std::vector<CardState>& cards) {
    std::vector<CardId> touched;
    for (const CardState& in : cards) {
        auto [it, isNew] = replica.cards.try_emplace(in.id);
        SharedCard& c = it->second;
        bool changed = isNew;
        if (isNew) {
            c.suit = in.card.suit;
            c.rank = in.card.rank;
        }
        changed |= take(c.place, c.placeStamp, in.card.place, in.card.placeStamp);
        changed |= take(c.faceUp, c.faceStamp, in.card.faceUp, in.card.faceStamp);
        changed |= take(c.order, c.orderStamp, in.card.order, in.card.orderStamp);
        changed |= take(c.present, c.presentStamp, in.card.present, in.card.presentStamp);
        for (const Stamp* s : {&in.card.placeStamp, &in.card.faceStamp, &in.card.orderStamp, &in.card.presentStamp})
            replica.clock = std::max(replica.clock, std::min(s->counter, replica.clock + kMostClockJump));
        if (isNew) {
            auto waiting = replica.waiting.equal_range(in.id);
            for (auto w = waiting.first; w != waiting.second; ++w) applyWrite(c, w->second.second, w->second.first);
            replica.waiting.erase(waiting.first, waiting.second);
        }
        if (changed) touched.push_back(in.id);
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    return touched;
}

bool sameTable(const Replica& a, const Replica& b) {
    if (a.cards.size() != b.cards.size()) return false;
    for (auto x = a.cards.begin(), y = b.cards.begin(); x != a.cards.end(); ++x, ++y) {
        const SharedCard &p = x->second, &q = y->second;
        if (!(x->first == y->first) || p.suit != q.suit || p.rank != q.rank || p.present != q.present) return false;
        if (p.present && (!(p.place == q.place) || p.faceUp != q.faceUp || p.order != q.order)) return false;
    }
    return true;
}

std::vector<CardId> stacking(const Replica& replica) {
    std::vector<std::pair<const OrderKey*, CardId>> present;
    for (const auto& [id, c] : replica.cards)
        if (c.present) present.emplace_back(&c.order, id);
    std::sort(present.begin(), present.end(), [](const auto& p, const auto& q) {
        return *q.first < *p.first || (*q.first == *p.first && q.second < p.second);
    });
    std::vector<CardId> out;
    out.reserve(present.size());
    for (const auto& p : present) out.push_back(p.second);
    return out;
}

}  // namespace share
