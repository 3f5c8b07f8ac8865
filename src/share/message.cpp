#include "share/message.h"

#include "deck/byte_codec.h"
#include "deck/suits.h"

namespace share {

namespace {

constexpr uint8_t kChangesKind = static_cast<uint8_t>(MessageKind::Changes);
constexpr uint8_t kDigestKind = static_cast<uint8_t>(MessageKind::Summary);
constexpr uint8_t kCardsKind = static_cast<uint8_t>(MessageKind::Cards);

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

bool cardKind(char16_t suit, int32_t rank) { return suitOf(suit) && rank <= 13 && (suit == kJoker) == (rank == 0); }

void putStamp(ByteWriter& w, const Stamp& s) {
    w.u64(s.counter);
    w.u64(s.session);
}

Stamp getStamp(ByteReader& r) {
    Stamp s;
    s.counter = r.u64();
    s.session = r.u64();
    return s;
}

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
        if (!cardKind(m.suit, m.rank) || !(original || ownTakeOut))
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

MessageKind kindOf(const uint8_t* bytes, size_t size) {
    return bytes && size >= 2 ? static_cast<MessageKind>(bytes[1]) : MessageKind::Changes;
}

std::vector<uint8_t> encodeDigest(uint64_t session, const Digest& digest) {
    ByteWriter w(10 + 8 * kBuckets);
    w.u8(kMessageVersion);
    w.u8(kDigestKind);
    w.u64(session);
    for (uint64_t h : digest) w.u64(h);
    return w.take();
}

bool decodeDigest(const uint8_t* bytes, size_t size, uint64_t& session, Digest& out) {
    ByteReader r(bytes, size);
    if (r.u8() != kMessageVersion || r.u8() != kDigestKind) return false;
    const uint64_t from = r.u64();
    Digest d{};
    for (uint64_t& h : d) h = r.u64();
    if (!r.ok() || r.left() != 0) return false;
    session = from;
    out = d;
    return true;
}

std::vector<uint8_t> encodeCards(uint64_t session, const std::vector<CardState>& cards) {
    ByteWriter w(14 + cards.size() * 140);
    w.u8(kMessageVersion);
    w.u8(kCardsKind);
    w.u64(session);
    w.u32(static_cast<uint32_t>(cards.size()));
    for (const CardState& s : cards) {
        const SharedCard& c = s.card;
        putId(w, s.id);
        w.u16(c.suit);
        w.u8(static_cast<uint8_t>(c.rank));
        w.i32(c.place.x);
        w.i32(c.place.y);
        putStamp(w, c.placeStamp);
        w.u8(c.faceUp ? 1 : 0);
        putStamp(w, c.faceStamp);
        w.u8(static_cast<uint8_t>(c.order.size()));
        w.raw(c.order.data(), c.order.size());
        putStamp(w, c.orderStamp);
        w.u8(c.present ? 1 : 0);
        putStamp(w, c.presentStamp);
    }
    return w.take();
}

bool decodeCards(const uint8_t* bytes, size_t size, uint64_t& session, std::vector<CardState>& out) {
    if (!bytes || size > kMostMessageBytes * 16) return false;
    ByteReader r(bytes, size);
    if (r.u8() != kMessageVersion || r.u8() != kCardsKind) return false;
    const uint64_t from = r.u64();
    const uint32_t n = r.u32();
    if (!r.ok() || n > kMostStateCards || n > r.left() / 91) return false;
    std::vector<CardState> cards(n);
    for (CardState& s : cards) {
        SharedCard& c = s.card;
        s.id = getId(r);
        c.suit = static_cast<char16_t>(r.u16());
        c.rank = r.u8();
        c.place.x = r.i32();
        c.place.y = r.i32();
        c.placeStamp = getStamp(r);
        const bool faceOk = flag(r, c.faceUp);
        c.faceStamp = getStamp(r);
        const uint8_t keyBytes = r.u8();
        if (keyBytes > kMostOrderKeyBytes) return false;
        c.order.resize(keyBytes);
        if (keyBytes && !r.raw(c.order.data(), keyBytes)) return false;
        c.orderStamp = getStamp(r);
        const bool presentOk = flag(r, c.present);
        c.presentStamp = getStamp(r);
        if (!r.ok() || !faceOk || !presentOk || !cardKind(c.suit, c.rank) || !withinUnits(c.place.x) || !withinUnits(c.place.y))
            return false;
    }
    if (!r.ok() || r.left() != 0) return false;
    session = from;
    out = std::move(cards);
    return true;
}

}  // namespace share
