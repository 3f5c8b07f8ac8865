// libFuzzer target of the state file reader: any bytes must be refused or read without a fault,
// and what is read must write back to a file that reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "deck/state_file.h"

namespace {

bool same(const StateData& a, const StateData& b) {
    if (a.panelX != b.panelX || a.panelY != b.panelY || a.overlapRatio != b.overlapRatio ||
        a.judgeRecursively != b.judgeRecursively || a.cardWidth != b.cardWidth || a.cardHeight != b.cardHeight ||
        a.drawIndex != b.drawIndex || a.soundOn != b.soundOn || a.overwriteConflicts != b.overwriteConflicts ||
        a.keys != b.keys || a.cards.size() != b.cards.size())
        return false;
    for (size_t i = 0; i < a.cards.size(); ++i) {
        const StateCard &x = a.cards[i], &y = b.cards[i];
        if (x.suit != y.suit || x.rank != y.rank || x.x != y.x || x.y != y.y || x.faceUp != y.faceUp) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StateData first;
    if (!decodeState(data, size, first)) return 0;
    if (first.cards.size() > kMaxStateCards || first.overlapRatio > 100 || first.cardWidth < 16 ||
        first.cardWidth > 999 || first.cardHeight < 16 || first.cardHeight > 999)
        std::abort();
    std::vector<uint8_t> again = encodeState(first);
    StateData second;
    if (again.size() != size || !decodeState(again.data(), again.size(), second) || !same(first, second)) std::abort();
    return 0;
}
