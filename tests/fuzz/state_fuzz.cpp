// libFuzzer target of the state file reader: any bytes must be refused or read without a fault,
// the reader's reason must agree with its verdict, and what is read must write back to a file that
// reads the same.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "deck/state_file.h"
#include "fuzz/compare.h"

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

// The largest input the reader took, told when the run ends.
struct Largest {
    size_t bytes = 0;
    ~Largest() { std::fprintf(stderr, "largest accepted input: %zu bytes\n", bytes); }
} largest;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StateData first;
    const bool accepted = decodeState(data, size, first);
    check(accepted == (checkState(data, size) == StateRefusal::None));
    if (!accepted) return 0;
    check(first.cards.size() <= kMaxStateCards && first.overlapRatio <= 100 && first.cardWidth >= 16 &&
          first.cardWidth <= 999 && first.cardHeight >= 16 && first.cardHeight <= 999);
    std::vector<uint8_t> again = encodeState(first);
    StateData second;
    check(again.size() == size && decodeState(again.data(), again.size(), second) &&
          sameCards(first.cards, second.cards) && sameSettings(first, second) && first.panelX == second.panelX &&
          first.panelY == second.panelY);
    if (size > largest.bytes) largest.bytes = size;
    return 0;
}
