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
