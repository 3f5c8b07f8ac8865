// What holding a pile-move key costs on the real window system (run under Wine or on Windows):
//   keyboard_bench [N]   N shown cards in one pile (53 by default); the tip of its top card (one
//                        pile collection); the first press of the pile-move key (the pile
//                        collected and restacked) and each auto-repeat step after it, beside one
//                        deferred move of N bare windows of the same size.
#include "desk/windows_win32.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_win32.h"
#include "cards/card_window.h"
#include "cards/tooltips.h"
#include "support/win32_helpers.h"

namespace {

double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

constexpr uint32_t kRepeat = 1u << 30;
constexpr int kSteps = 40;
volatile size_t tipLength = 0;  // keeps the tip from being optimised away

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(2, std::atoi(argv[1])) : 53;
    appInstance = GetModuleHandleW(nullptr);
    registerBareCardClass();
    freshTable();
    std::vector<HWND> bare;
    for (int i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        createCardWindow(i % 13 + 1, card.get(), u'h', i);
        const int offset = i % 20;  // one pile, the first card on top
        SetWindowPos(toHwnd(card->window), HWND_BOTTOM, 200 + offset, 200 + offset, 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        table.deck.append(std::move(card));
        bare.push_back(CreateWindowExW(WS_EX_TOOLWINDOW, L"BareCard", L"", WS_POPUP | WS_VISIBLE, 200 + offset,
                                       500 + offset, 60, 88, nullptr, nullptr, appInstance, nullptr));
    }
    pumpMessages(10);
    Card& top = table.deck.at(0);
    SetForegroundWindow(toHwnd(top.window));
    pumpMessages(3);
    double tip = 1e9;
    for (int i = 0; i < 7; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        const CardTip shown = tipText(top);
        tip = std::min(tip, msSince(t0));
        tipLength = shown.text.size();
    }
    std::printf("tip of the top card of a pile of %d: %.2f ms (best of 7)\n", n, tip);
    auto t = std::chrono::steady_clock::now();
    onKeyDown(top, 'D', 0);
    pumpMessages(1);
    const double first = msSince(t);
    const size_t pile = top.trail.size();
    double best = 1e9, total = 0;
    for (int i = 0; i < kSteps; ++i) {
        t = std::chrono::steady_clock::now();
        onKeyDown(top, i % 10 < 5 ? 'A' : 'D', kRepeat);  // back and forth, clear of the edges
        pumpMessages(1);
        const double step = msSince(t);
        best = std::min(best, step);
        total += step;
    }
    onKeyUp(top, 'D', 0xC0000000u);
    double bareBest = 1e9, bareTotal = 0;
    for (int i = 0; i < kSteps; ++i) {
        const int dx = i % 10 < 5 ? -60 : 60;
        t = std::chrono::steady_clock::now();
        HDWP h = BeginDeferWindowPos(n);
        for (HWND w : bare) {
            RECT r;
            GetWindowRect(w, &r);
            h = DeferWindowPos(h, w, nullptr, r.left + dx, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        EndDeferWindowPos(h);
        pumpMessages(1);
        const double step = msSince(t);
        bareBest = std::min(bareBest, step);
        bareTotal += step;
    }
    std::printf("pile of %zu cards: first press %.1f ms; auto-repeat step %.1f ms (best %.1f); "
                "one batched move of %d bare windows %.1f ms (best %.1f); ratio %.1f\n",
                pile, first, total / kSteps, best, n, bareTotal / kSteps, bareBest, total / bareTotal);
    for (HWND w : bare) DestroyWindow(w);
    clearTable();
    return 0;
}
