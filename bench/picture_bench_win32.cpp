// What face pictures cost on the real window system (run under Wine or on Windows):
//   picture_bench   writes a 4,000 x 3,000 picture for the hearts (h.bmp) beside itself, makes the
//                   53 cards and reports the process's private memory before and after (the 13
//                   hearts share one decoded copy), and the time to compose all 53 fronts with
//                   pictures beside the time without (minimum of 5 runs each).
//   picture_bench photos [PNG]
//                   gives each of the 53 cards a photo of its own (4,000 x 3,000 JPEG files) and
//                   reports the time from nothing to all 53 fronts composed, and the memory held
//                   and at its peak; with PNG (a huge picture), the same for the kings' picture.
#include "desk/windows_win32.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <atomic>
#include <fstream>
#include <thread>

#include "app/app_win32.h"
#include "desk/files_win32.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "faces/face_lookup.h"
#include "faces/picture_win32.h"
#include "faces/render_win32.h"

#include <objidl.h>
#include <gdiplus.h>
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

// The highest committed memory seen while it runs, read every 5 ms.
class PeakWatch {
public:
    PeakWatch() : peak_(committedMb()), watcher_([this] {
        while (!done_) {
            peak_ = std::max(peak_.load(), committedMb());
            Sleep(5);
        }
    }) {}
    double stop() {
        done_ = true;
        watcher_.join();
        return std::max(peak_.load(), committedMb());
    }

private:
    std::atomic<double> peak_;
    std::atomic<bool> done_{false};
    std::thread watcher_;
};

bool writeJpeg(const std::wstring& path, int w, int h) {
    using namespace Gdiplus;
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &pixels[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = uint8_t(x * 7), p[1] = uint8_t(y * 3), p[2] = uint8_t((x ^ y) & 0xFF);
        }
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromScan0(w, h, w * 3, PixelFormat24bppRGB, pixels.data(), &bitmap) != Ok) return false;
    const CLSID jpeg = {0x557cf401, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
    bool ok = DllExports::GdipSaveImageToFile(bitmap, path.c_str(), &jpeg, nullptr) == Ok;
    DllExports::GdipDisposeImage(bitmap);
    return ok;
}

// From nothing to 53 fronts composed, each card with a photo of its own; then the kings' picture.
int photos(const wchar_t* hugePng) {
    const std::u16string folder = pictureFolder();
    const std::wstring dir(folder.begin(), folder.end());
    std::vector<std::wstring> made;
    {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        const std::wstring first = dir + L"\\bench-photo.jpg";
        bool ok = writeJpeg(first, 4000, 3000);
        Gdiplus::GdiplusShutdown(token);
        if (!ok) {
            std::printf("could not write a JPEG file\n");
            return 1;
        }
        static const char16_t suits[] = {kHearts, kSpades, kClubs, kDiamonds};
        for (int i = 0; i < 53; ++i) {
            std::u16string base = faceBaseName(i == 0 ? 0 : (i - 1) % 13 + 1, i == 0 ? kJoker : suits[(i - 1) / 13]);
            std::wstring name = std::wstring(base.begin(), base.end()) + L".jpg";
            CopyFileW(first.c_str(), name.c_str(), FALSE);
            made.push_back(name);
        }
        DeleteFileW(first.c_str());
    }
    // The number of cards that got a picture.
    auto layAndCompose = [](const char* what) {
        forgetFolderListing();
        const double before = committedMb();
        PeakWatch peak;
        auto t = std::chrono::steady_clock::now();
        freshTable();
        makeDeck();
        for (auto& c : table.deck.items()) composeFace(*c, true);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
        const double top = peak.stop(), held = committedMb();
        int pictured = 0;
        for (auto& c : table.deck.items()) pictured += c->picture != nullptr;
        std::printf("%s: %d cards with it; %.0f ms to 53 fronts composed; memory held %.0f MB more than before, "
                    "%.0f MB more at the peak\n",
                    what, pictured, ms, held - before, top - before);
        clearTable();
        endPictures();
        return pictured;
    };
    if (layAndCompose("53 photos of 4000 x 3000, one a card") != 53) {
        std::printf("FAILED: not every card got its photo: nothing was measured\n");
        return 1;
    }
    for (const std::wstring& name : made) DeleteFileW(name.c_str());
    if (hugePng) {
        const std::wstring kings = dir + L"\\K.png";
        CopyFileW(hugePng, kings.c_str(), FALSE);
        layAndCompose("the kings on one huge PNG");
        DeleteFileW(kings.c_str());
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && !wcscmp(argv[1], L"photos")) {
        appInstance = GetModuleHandleW(nullptr);
        HMODULE msimg = loadOptionalEntryPoints();
        int result = photos(argc >= 3 ? argv[2] : nullptr);
        freeOptionalEntryPoints(msimg);
        return result;
    }
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
    forgetFolderListing();  // written behind the program's back, within the listing's second
    const double before = committedMb();
    freshTable();
    makeDeck();
    const double after = committedMb();
    int sharing = 0;
    for (auto& c : table.deck.items()) sharing += c->picture && c->picture == table.deck.at(1).picture;
    if (sharing != 13) {
        std::printf("FAILED: %d hearts got the picture, not 13: nothing was measured\n", sharing);
        clearTable();
        DeleteFileW(hearts.c_str());
        return 1;
    }
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
