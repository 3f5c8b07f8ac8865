// libFuzzer target of reading the table: any bytes must be refused or read without a fault; what
// is read must write back to a file that reads the same; and the whole start-up path (the table
// built on the fake desk, or the refused file kept aside) must hold for the same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/table.h"
#include "deck/state.h"
#include "deck/state_file.h"
#include "support/fake_desk.h"

namespace {

bool sameCards(const std::vector<StateCard>& a, const std::vector<StateCard>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const StateCard &x = a[i], &y = b[i];
        if (x.suit != y.suit || x.rank != y.rank || x.x != y.x || x.y != y.y || x.faceUp != y.faceUp) return false;
    }
    return true;
}

bool sameSettings(const StateData& a, const StateData& b) {
    return a.overlapRatio == b.overlapRatio && a.judgeRecursively == b.judgeRecursively &&
           a.cardWidth == b.cardWidth && a.cardHeight == b.cardHeight && a.drawIndex == b.drawIndex &&
           a.soundOn == b.soundOn && a.overwriteConflicts == b.overwriteConflicts && a.keys == b.keys;
}

void check(bool ok) {
    if (!ok) std::abort();
}

// The largest input the reader took, told when the run ends.
struct Largest {
    size_t bytes = 0;
    ~Largest() { std::fprintf(stderr, "largest accepted input: %zu bytes\n", bytes); }
} largest;

// Start-up on an empty fake desk with these bytes as the state file.
void startWith(const uint8_t* data, size_t size, bool accepted, const StateData& decoded) {
    fake::reset();
    table = Table{};
    table.panel = fake::addWindow(u"#32770", u"ルポネ", {400, 300, 600, 420});
    table.cardParent = fake::addWindow(u"CardParent", u"カードの親", {0, 0, 0, 0});
    const std::u16string path = stateFilePath(fake::kModulePath);
    fake::files()[path].assign(data, data + size);
    check(loadState() == accepted);
    if (accepted) {
        check(table.deck.count() == decoded.cards.size());
        StateData back = collectState();
        std::vector<StateCard> placed = decoded.cards;  // where the window system can put them
        for (StateCard& c : placed) {
            c.x = std::clamp(c.x, -32768, 32767);
            c.y = std::clamp(c.y, -32768, 32767);
        }
        check(sameCards(back.cards, placed) && sameSettings(back, decoded));
    } else {
        check(table.deck.empty() && !fake::files().count(path));
        auto kept = fake::files().find(path + u".unreadable-" + fake::kTimeStamp);
        check(kept != fake::files().end() && kept->second.size() == size &&
              std::equal(kept->second.begin(), kept->second.end(), data));
    }
    table = Table{};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StateData first;
    const bool accepted = decodeState(data, size, first);
    check(accepted == (checkState(data, size) == StateRefusal::None));
    if (accepted) {
        check(first.cards.size() <= kMaxStateCards && first.overlapRatio <= 100 && first.cardWidth >= 16 &&
              first.cardWidth <= 999 && first.cardHeight >= 16 && first.cardHeight <= 999);
        std::vector<uint8_t> again = encodeState(first);
        StateData second;
        check(again.size() == size && decodeState(again.data(), again.size(), second) &&
              sameCards(first.cards, second.cards) && sameSettings(first, second) && first.panelX == second.panelX &&
              first.panelY == second.panelY);
        if (size > largest.bytes) largest.bytes = size;
    }
    startWith(data, size, accepted, first);
    return 0;
}
