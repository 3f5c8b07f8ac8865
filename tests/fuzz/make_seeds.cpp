// Writes the fuzzer's seed files into the folder given: whole tables of 0, 1, 53, 1,000 and
// 10,000 cards, and tables with the odd values the reader corrects or takes as they are.
#include <cstdio>
#include <string>

#include "deck/state_file.h"

namespace {

StateData table(uint32_t cards, uint32_t seed) {
    StateData d;
    const char16_t suits[] = {u'j', u'h', u'c', u's', u'd'};
    for (uint32_t i = 0; i < cards; ++i) {
        seed = seed * 1103515245u + 12345u;
        d.cards.push_back({suits[i % 5], static_cast<int32_t>(i % 14), static_cast<int32_t>(seed >> 20) - 300,
                           static_cast<int32_t>(seed >> 21) - 100, (seed >> 7) & 1});
    }
    return d;
}

bool write(const std::string& folder, const std::string& name, const StateData& d) {
    std::vector<uint8_t> bytes = encodeState(d);
    FILE* f = std::fopen((folder + "/" + name).c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::string folder = argv[1];
    bool ok = true;
    for (uint32_t n : {0u, 1u, 53u, 1000u, 10000u}) ok &= write(folder, "cards-" + std::to_string(n), table(n, n));
    StateData odd = table(7, 99);
    odd.panelX = -2147483647 - 1;
    odd.panelY = 2147483647;
    odd.overlapRatio = 0xFFFFFFFFu;
    odd.judgeRecursively = 7;
    odd.cardWidth = -5;
    odd.cardHeight = 100000;
    odd.drawIndex = 2;
    odd.soundOn = 0x80000000u;
    odd.overwriteConflicts = 12345;
    odd.cards[0].rank = -3;
    odd.cards[1].rank = 2000000000;
    odd.cards[2].faceUp = 9;
    for (KeyBinding& k : odd.keys) k = 0xFFFFFFFFu;
    ok &= write(folder, "odd-values", odd);
    return ok ? 0 : 1;
}
