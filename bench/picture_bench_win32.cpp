// What face pictures cost on the real window system (run under Wine or on Windows):
//   picture_bench   writes a 4,000 x 3,000 picture for the hearts (h.bmp) beside itself, makes the
//                   53 cards and reports the process's private memory before and after (the 13
//                   hearts share one decoded copy), and the time to compose all 53 fronts with
//                   pictures beside the time without (minimum of 5 runs each).
#include "desk/windows_win32.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "app/app_win32.h"
#include "deck/deck.h"
#include "faces/face_lookup.h"
#include "faces/picture_win32.h"
#include "faces/render_win32.h"
#include "support/win32_helpers.h"

namespace {

// The process's committed memory, from a walk of its address space (Wine's process memory counters
// answer 0 for private bytes).
double committedMb() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc) &&
        pmc.PrivateUsage)
        return static_cast<double>(pmc.PrivateUsage) / (1024.0 * 1024.0);
    size_t committed = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;
         at = static_cast<const char*>(info.BaseAddress) + info.RegionSize)
        if (info.State == MEM_COMMIT && info.Type != MEM_IMAGE) committed += info.RegionSize;
    return static_cast<double>(committed) / (1024.0 * 1024.0);
}

void writeBigBmp(const std::wstring& path, int w, int h) {
    const uint32_t row = static_cast<uint32_t>(w) * 3, size = 54 + row * static_cast<uint32_t>(h);
    std::vector<uint8_t> header(54, 0);
    auto put32 = [&header](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    header[0] = 'B', header[1] = 'M';
    put32(2, size), put32(10, 54), put32(14, 40), put32(18, static_cast<uint32_t>(w)), put32(22, static_cast<uint32_t>(h));
    header[26] = 1, header[28] = 24;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), 54);
    std::vector<uint8_t> line(row);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) line[x * 3] = uint8_t(x), line[x * 3 + 1] = uint8_t(y), line[x * 3 + 2] = 200;
        out.write(reinterpret_cast<const char*>(line.data()), static_cast<std::streamsize>(row));
    }
}

double composeAll() {
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        // Every front let go first: a card whose look is unchanged keeps its composed front.
        for (auto& c : table.deck.items()) releaseFront(*c);
        auto t = std::chrono::steady_clock::now();
        for (auto& c : table.deck.items()) composeFace(*c, true);
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
    }
    return best;
}

void makeDeck() {
    static const char16_t suits[] = {kHearts, kSpades, kClubs, kDiamonds};
    for (int i = 0; i < 53; ++i) {
        auto card = std::make_unique<Card>();
        createCardWindow(i == 0 ? 0 : (i - 1) % 13 + 1, card.get(), i == 0 ? kJoker : suits[(i - 1) / 13], i);
        card->faceUp = 1;
        table.deck.append(std::move(card));
    }
}

}  // namespace

int main() {
    appInstance = GetModuleHandleW(nullptr);
    HMODULE msimg = loadOptionalEntryPoints();
    const std::u16string folder = pictureFolder();
    const std::wstring hearts = std::wstring(folder.begin(), folder.end()) + L"\\h.bmp";
    DeleteFileW(hearts.c_str());
    freshTable();
    makeDeck();
    const double plain = composeAll();
    clearTable();

    writeBigBmp(hearts, 4000, 3000);
    const double before = committedMb();
    freshTable();
    makeDeck();
    const double after = committedMb();
    int sharing = 0;
    for (auto& c : table.deck.items()) sharing += c->picture && c->picture == table.deck.at(1).picture;
    const double pictured = composeAll();
    std::printf("13 hearts on one 4000 x 3000 picture: %d cards share one copy; committed memory %.0f MB before, "
                "%.0f MB after (%.0f MB more; one decoded copy is %.0f MB)\n",
                sharing, before, after, after - before, 4000.0 * 3000 * 3 / (1024 * 1024));
    std::printf("composing 53 fronts: %.1f ms with the pictures, %.1f ms without\n", pictured, plain);
    clearTable();
    endPictures();
    DeleteFileW(hearts.c_str());
    freeOptionalEntryPoints(msimg);
    return 0;
}
