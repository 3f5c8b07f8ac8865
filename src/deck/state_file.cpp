#include "deck/state_file.h"

#include <algorithm>
#include <cstring>

#include "deck/byte_codec.h"

const std::array<uint8_t, 16> kStateMagic = {0x86, 0xA7, 0xDD, 0x64, 0xA5, 0x86, 0xF6, 0x44,
                                             0xBB, 0x98, 0x15, 0xC1, 0x60, 0x47, 0x44, 0xEB};

namespace {

int32_t clampSide(int32_t v) { return std::clamp(v, kMinCardSide, kMaxCardSide); }

}  // namespace

std::vector<uint8_t> encodeState(const StateData& d) {
    ByteWriter w(kStateHeaderBytes + kStateRecordBytes * d.cards.size() + kStateTrailerBytes);
    w.raw(kStateMagic.data(), kStateMagic.size());
    w.u32(static_cast<uint32_t>(d.cards.size()));
    w.i32(d.panelX);
    w.i32(d.panelY);
    w.u32(d.overlapRatio);
    w.u32(d.judgeRecursively);
    w.i32(d.cardWidth);
    w.i32(d.cardHeight);
    w.u32(d.drawIndex);
    w.u32(d.soundOn);
    for (const StateCard& c : d.cards) {
        w.u32(suitToNumber(c.suit));
        w.i32(c.rank);
        w.i32(c.x);
        w.i32(c.y);
        w.u32(c.faceUp);
    }
    w.u32(d.overwriteConflicts);
    for (KeyBinding k : d.keys) w.u32(k);
    return w.take();
}

StateRefusal checkState(const uint8_t* bytes, size_t size) {
    if (size > kMaxStateFileBytes) return StateRefusal::TooLarge;
    if (!bytes || size < kStateMagic.size()) return StateRefusal::TooShort;
    if (std::memcmp(bytes, kStateMagic.data(), kStateMagic.size()) != 0) return StateRefusal::NotOurs;
    if (size < kStateHeaderBytes + kStateTrailerBytes) return StateRefusal::TooShort;
    ByteReader r(bytes + kStateMagic.size(), size - kStateMagic.size());
    uint32_t n = r.u32();
    if (n > kMaxStateCards) return StateRefusal::TooManyCards;
    if (size != kStateHeaderBytes + kStateRecordBytes * n + kStateTrailerBytes) return StateRefusal::SizeMismatch;
    return StateRefusal::None;
}

bool decodeState(const uint8_t* bytes, size_t size, StateData& out) {
    if (checkState(bytes, size) != StateRefusal::None) return false;
    ByteReader r(bytes + kStateMagic.size() + 4, size - kStateMagic.size() - 4);
    const uint32_t n = static_cast<uint32_t>((size - kStateHeaderBytes - kStateTrailerBytes) / kStateRecordBytes);

    StateData d;
    d.panelX = r.i32();
    d.panelY = r.i32();
    d.overlapRatio = std::min<uint32_t>(r.u32(), 100);
    d.judgeRecursively = r.u32() ? 1 : 0;
    d.cardWidth = clampSide(r.i32());
    d.cardHeight = clampSide(r.i32());
    d.drawIndex = r.u32() ? 1 : 0;
    d.soundOn = r.u32() ? 1 : 0;
    d.cards.resize(n);
    for (StateCard& c : d.cards) {
        c.suit = suitFromNumber(r.u32());
        c.rank = std::min(r.i32(), 13);
        c.x = r.i32();
        c.y = r.i32();
        c.faceUp = r.u32() ? 1 : 0;
    }
    d.overwriteConflicts = r.u32();
    for (KeyBinding& k : d.keys) k = r.u32();
    if (!r.ok()) return false;
    out = std::move(d);
    return true;
}

std::u16string stateFilePath(const std::u16string& modulePath) {
    constexpr size_t kPathBuffer = 260;
    size_t slash = modulePath.find_last_of(u"\\/");
    size_t dot = modulePath.find_last_of(u'.');
    size_t stem = (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) ? modulePath.size()
                                                                                                  : dot;
    if (modulePath.empty()) return {};
    std::u16string path = modulePath.substr(0, stem) + u".dat";
    return path.size() < kPathBuffer ? path : std::u16string();
}
