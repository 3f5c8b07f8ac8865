#include "share/message.h"

#include "deck/byte_codec.h"
#include "deck/suits.h"

namespace share {

namespace {

constexpr uint8_t kChangesKind = 1;

void putId(ByteWriter& w, const CardId& id) {
    w.u64(id.session);
    w.u64(id.counter);
    w.u32(id.index);
}

CardId getId(ByteReader& r) {
    CardId id;
    id.session = r.u64();
    id.counter = r.u64();
    id.index = r.u32();
    return id;
}

bool flag(ByteReader& r, bool& out) {
    const uint8_t v = r.u8();
    out = v == 1;
    return v <= 1;
}

bool withinUnits(int32_t v) { return v >= -kMostUnits && v <= kMostUnits; }

}  // namespace

std::vector<uint8_t> encodeChanges(const Changes& c) {
    ByteWriter w(32 + c.creations.size() * 23 + c.writes.size() * 30);
    w.u8(kMessageVersion);
    w.u8(kChangesKind);
    w.u64(c.stamp.session);
    w.u64(c.stamp.counter);
    w.u32(static_cast<uint32_t>(c.creations.size()));
    for (const Creation& made : c.creations) {
        putId(w, made.card);
        w.u16(made.suit);
        w.u8(static_cast<uint8_t>(made.rank));
    }
    w.u32(static_cast<uint32_t>(c.writes.size()));
    for (const Write& x : c.writes) {
        putId(w, x.card);
        w.u8(static_cast<uint8_t>(x.reg));
        switch (x.reg) {
        case Register::Place:
            w.i32(x.place.x);
            w.i32(x.place.y);
            break;
        case Register::Face:
        case Register::Present: w.u8(x.on ? 1 : 0); break;
        case Register::Order:
            w.u8(static_cast<uint8_t>(x.order.size()));
            w.raw(x.order.data(), x.order.size());
            break;
        }
    }
    return w.take();
}

bool decodeChanges(const uint8_t* bytes, size_t size, Changes& out) {
    if (!bytes || size > kMostMessageBytes) return false;
    ByteReader r(bytes, size);
    if (r.u8() != kMessageVersion || r.u8() != kChangesKind) return false;
    Changes c;
    c.stamp.session = r.u64();
    c.stamp.counter = r.u64();
    const uint32_t made = r.u32();
    if (!r.ok() || made > kMostCreations) return false;
    c.creations.resize(made);
    for (Creation& m : c.creations) {
        m.card = getId(r);
        m.suit = static_cast<char16_t>(r.u16());
        m.rank = r.u8();
        // A card is either one the table was created with or one this message takes out.
        const bool original = m.card.session == 0 && m.card.counter == 0;
        const bool ownTakeOut = m.card.session == c.stamp.session && m.card.counter == c.stamp.counter;
        if (!suitOf(m.suit) || m.rank > 13 || (m.suit == kJoker) != (m.rank == 0) || !(original || ownTakeOut))
            return false;
    }
    const uint32_t written = r.u32();
    if (!r.ok() || written > kMostWrites || written > r.left() / 21) return false;
    c.writes.resize(written);
    for (Write& x : c.writes) {
        x.card = getId(r);
        x.reg = static_cast<Register>(r.u8());
        switch (x.reg) {
        case Register::Place:
            x.place.x = r.i32();
            x.place.y = r.i32();
            if (!withinUnits(x.place.x) || !withinUnits(x.place.y)) return false;
            break;
        case Register::Face:
        case Register::Present:
            if (!flag(r, x.on)) return false;
            break;
        case Register::Order: {
            const uint8_t n = r.u8();
            if (n == 0 || n > kMostOrderKeyBytes) return false;
            x.order.resize(n);
            if (!r.raw(x.order.data(), n)) return false;
            break;
        }
        default: return false;
        }
    }
    if (!r.ok() || r.left() != 0) return false;
    out = std::move(c);
    return true;
}

}  // namespace share
