// What one save of the table costs on the real window system (run under Wine or on Windows):
//   save_bench N   creates N hidden card windows and times saveState, beside the bare cost of the
//                  same work done directly (list the windows, read their places, write and replace
//                  a file of the same size), minimum of 7 runs each.
#include "desk/windows_win32.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_win32.h"
#include "cards/card_window.h"
#include "app/keeping.h"
#include "support/win32_helpers.h"

namespace {

double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

template <class F>
double fastest(F work) {
    double best = 1e9;
    for (int i = 0; i < 7; ++i) {
        auto t = std::chrono::steady_clock::now();
        work();
        best = std::min(best, msSince(t));
    }
    return best;
}

// The same work without the table: every window of this thread of the card class with its place,
// 20 bytes each, written beside the file and moved over it.
void bareSave(const std::wstring& path) {
    struct Found {
        std::vector<uint8_t> bytes;
    } found;
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            wchar_t cls[8];
            if (GetWindowThreadProcessId(h, nullptr) != GetCurrentThreadId() || !GetClassNameW(h, cls, 8) ||
                wcscmp(cls, L"Card"))
                return TRUE;
            RECT r;
            GetWindowRect(h, &r);
            auto* f = reinterpret_cast<Found*>(lp);
            f->bytes.insert(f->bytes.end(), reinterpret_cast<uint8_t*>(&r), reinterpret_cast<uint8_t*>(&r) + 16);
            f->bytes.resize(f->bytes.size() + 4);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    found.bytes.resize(found.bytes.size() + 128);
    std::wstring temp = path + L".new";
    HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    WriteFile(f, found.bytes.data(), static_cast<DWORD>(found.bytes.size()), &put, nullptr);
    FlushFileBuffers(f);
    CloseHandle(f);
    MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
    appInstance = GetModuleHandleW(nullptr);
    freshTable();
    auto t = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        createCardWindow(i % 13 + 1, card.get(), u'h', i);
        table.deck.append(std::move(card));
    }
    std::printf("%d card windows made in %.0f ms\n", n, msSince(t));
    std::u16string module = desk::modulePath();
    std::wstring bare(module.begin(), module.end());
    bare += L".bare.dat";
    double program = fastest([] { saveState(); });
    double floor = fastest([&] { bareSave(bare); });
    std::printf("save of %d cards: %.2f ms; bare: %.2f ms; ratio %.2f\n", n, program, floor, program / floor);
    DeleteFileW(bare.c_str());
    DeleteFileW(reinterpret_cast<const wchar_t*>(stateFilePath(module).c_str()));
    clearTable();
    return 0;
}
