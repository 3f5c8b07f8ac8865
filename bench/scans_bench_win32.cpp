// What the table's whole-table scans cost on the real window system (run under Wine or on Windows):
//   scans_bench [N]   N shown card windows (2,000 by default) laid in rows; the list of card
//                     windows, its parts (all windows, their threads, titles and classes), a pile
//                     search, a mark refresh, a snapshot, and every card's rectangle and visibility;
//                     the cost of restacking 53 windows near the top of the stack;
//                     then the drawing objects of the process with every card face up and painted.
#include "desk/windows_win32.h"
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include "app/app_win32.h"
#include "deck/overlap.h"
#include "cards/card_window.h"
#include "deck/history.h"
#include "support/win32_helpers.h"
double msSince(std::chrono::steady_clock::time_point t) { return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count(); }
int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 2000;
    appInstance = GetModuleHandleW(nullptr);
    freshTable();
    table.keepStateFile = true;
    for (int i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        createCardWindow(i % 13 + 1, card.get(), u'h', i);
        SetWindowPos(toHwnd(card->window), nullptr, (i % 40) * 25, (i / 40 % 30) * 30, 0, 0, SWP_NOSIZE|SWP_NOZORDER|SWP_NOACTIVATE|SWP_SHOWWINDOW);
        table.deck.append(std::move(card));
    }
    pumpMessages(5);
    Card& c = table.deck.at(static_cast<size_t>(n / 2));
    table.currentCard = &c;
    auto t = std::chrono::steady_clock::now();
    auto w = listCardWindows();
    printf("listCardWindows %zu: %.1f ms\n", w.size(), msSince(t));
    t = std::chrono::steady_clock::now();
    auto all = desk::topLevelWindows();
    printf("topLevelWindows %zu: %.1f ms\n", all.size(), msSince(t));
    t = std::chrono::steady_clock::now();
    size_t mine = 0; for (auto x : all) mine += desk::windowThread(x) == desk::currentThread();
    printf("windowThread x%zu: %.1f ms\n", all.size(), msSince(t));
    t = std::chrono::steady_clock::now();
    char16_t text[6]; for (auto x : all) desk::windowText(x, text, 6);
    printf("windowText: %.1f ms\n", msSince(t));
    t = std::chrono::steady_clock::now();
    for (auto x : all) desk::className(x, text, 6);
    printf("className: %.1f ms\n", msSince(t));
    t = std::chrono::steady_clock::now();
    Pile p; collectPile(c, true, p);
    printf("collectPile (%zu): %.1f ms\n", p.size(), msSince(t));
    t = std::chrono::steady_clock::now();
    refreshMarks(c);
    printf("refreshMarks: %.1f ms\n", msSince(t));
    t = std::chrono::steady_clock::now();
    takeSnapshot();
    printf("takeSnapshot: %.1f ms\n", msSince(t));
    t = std::chrono::steady_clock::now();
    desk::Rect r; for (auto& k : table.deck.items()) desk::windowRect(k->window, r);
    printf("windowRect x n: %.1f ms\n", msSince(t));
    t = std::chrono::steady_clock::now();
    for (auto& k : table.deck.items()) desk::isVisible(k->window);
    printf("isVisible x n: %.1f ms\n", msSince(t));
    {
        // Restacking a 53-card pile near the top of the stack: each window raised to the top (as
        // Wine passes raises on to X), the same with the wait for X after each raise that the
        // program makes, and one deferred restack (which Wine does not pass on to X).
        auto& items = table.deck.items();
        const size_t k = std::min<size_t>(53, items.size()), first = items.size() - k;
        auto waitForX = [] {
            HDC s = GetDC(nullptr);
            GetPixel(s, 0, 0);
            ReleaseDC(nullptr, s);
            MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
        };
        const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        for (bool wait : {false, true}) {
            t = std::chrono::steady_clock::now();
            for (size_t i = first; i < items.size(); ++i) {
                SetWindowPos(toHwnd(items[i]->window), HWND_TOP, 0, 0, 0, 0, keep);
                if (wait) waitForX();
            }
            waitForX();
            printf("%zu raises to the top%s: %.1f ms\n", k, wait ? ", each waiting for X" : "", msSince(t));
        }
        t = std::chrono::steady_clock::now();
        HDWP d = BeginDeferWindowPos(static_cast<int>(k));
        HWND above = HWND_TOP;
        for (size_t i = first; i < items.size() && d; ++i) {
            d = DeferWindowPos(d, toHwnd(items[i]->window), above, 0, 0, 0, 0, keep);
            above = toHwnd(items[i]->window);
        }
        if (d) EndDeferWindowPos(d);
        waitForX();
        printf("%zu windows restacked in one deferred batch: %.1f ms\n", k, msSince(t));
    }
    const size_t objectsBefore = liveGdiObjects();
    t = std::chrono::steady_clock::now();
    for (auto& k : table.deck.items()) {
        k->faceUp = 1;
        InvalidateRect(toHwnd(k->window), nullptr, FALSE);
        UpdateWindow(toHwnd(k->window));
    }
    printf("%d cards turned face up and painted: %.1f ms; drawing objects of the process %zu before, %zu after\n", n,
           msSince(t), objectsBefore, liveGdiObjects());
    clearTable();
}
