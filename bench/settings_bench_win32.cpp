// What the settings dialog costs on the real window system (run under Wine or on Windows):
//   settings_bench [N...]   the dialog's first and later openings (shown and painted) beside the
//                           same template opened empty, then a new card size applied to N shown,
//                           overlapping cards beside one deferred resize of N bare windows at the
//                           same places (the save is left out: save_bench measures it).
#include "desk/windows_win32.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_win32.h"
#include "cards/card_window.h"
#include "app/commands.h"
#include "dialogs/settings_win32.h"
#include "res/ids.h"
#include "support/win32_helpers.h"

namespace {

double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

template <class F>
double fastest(int runs, F work) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        auto t = std::chrono::steady_clock::now();
        work();
        best = std::min(best, msSince(t));
    }
    return best;
}

INT_PTR CALLBACK emptyProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

// The template made, shown, painted and destroyed, as a dialog box made at every opening costs.
double makeEmpty() {
    auto t = std::chrono::steady_clock::now();
    HWND dlg = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(IDD_RP_SETTINGS), nullptr, emptyProc, 0);
    ShowWindow(dlg, SW_SHOW);
    UpdateWindow(dlg);
    const double made = msSince(t);
    DestroyWindow(dlg);
    return made;
}

// The real opening: from the panel's command until the dialog is shown and painted. A message
// posted beforehand is taken by the dialog's loop once the dialog shows; it paints the dialog,
// reads the clock and cancels.
std::chrono::steady_clock::time_point started;
double opened = 0;

LRESULT CALLBACK probeProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_APP) return DefWindowProcW(h, msg, wp, lp);
    HWND dlg = toHwnd(table.settingsBlock.dialog);
    UpdateWindow(dlg);
    opened = msSince(started);
    PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

double openSettingsOnce(HWND probe) {
    PostMessageW(probe, WM_APP, 0, 0);
    started = std::chrono::steady_clock::now();
    openSettings();
    return opened;
}

void benchResize(int n) {
    freshTable();
    table.keepStateFile = true;
    std::vector<HWND> bare;
    for (int i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        createCardWindow(i % 13 + 1, card.get(), u'h', i);
        const int x = 100 + (i % 40) * 12, y = 100 + (i / 40 % 25) * 20;
        SetWindowPos(toHwnd(card->window), HWND_BOTTOM, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        table.deck.append(std::move(card));
        bare.push_back(CreateWindowExW(WS_EX_TOOLWINDOW, L"BareCard", L"", WS_POPUP | WS_VISIBLE, x + 600, y, 60, 88,
                                       nullptr, nullptr, appInstance, nullptr));
    }
    pumpMessages(10);
    bool big = false;
    const double program = fastest(5, [&] {
        big = !big;
        table.settingsBlock.width = big ? 70 : 60;
        table.settingsBlock.height = big ? 100 : 88;
        table.settingsBlock.drawIndex = table.drawIndex;
        applySettings();
        pumpMessages(1);
    });
    const double plain = fastest(5, [&] {
        big = !big;
        HDWP h = BeginDeferWindowPos(n);
        for (HWND w : bare)
            h = DeferWindowPos(h, w, nullptr, 0, 0, big ? 70 : 60, big ? 100 : 88,
                               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EndDeferWindowPos(h);
        pumpMessages(1);
    });
    std::printf("new card size on %5d cards: %8.1f ms   bare resize of the same windows: %7.1f ms   ratio %.1f\n", n,
                program, plain, program / plain);
    for (HWND w : bare) DestroyWindow(w);
    clearTable();
}

}  // namespace

int main(int argc, char** argv) {
    appInstance = GetModuleHandleW(nullptr);
    registerBareCardClass();
    WNDCLASSW wc{};
    wc.hInstance = appInstance;
    wc.lpfnWndProc = probeProc;
    wc.lpszClassName = L"Probe";
    RegisterClassW(&wc);
    HWND probe = CreateWindowExW(0, L"Probe", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, appInstance, nullptr);
    freshTable();
    table.keepStateFile = true;
    table.panel = toWindow(CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"ルポネ", WS_POPUP | WS_VISIBLE, 300, 200, 200,
                                           100, nullptr, nullptr, appInstance, nullptr));
    const double first = openSettingsOnce(probe);
    const double later = fastest(7, [&] { openSettingsOnce(probe); });
    const double remade = fastest(7, makeEmpty);
    std::printf("settings dialog: first opening %.1f ms, later openings %.1f ms; the bare template made and shown "
                "(no lists filled) %.1f ms\n",
                first, later, remade);
    DestroyWindow(toHwnd(table.panel));
    clearTable();
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {53, 1000};
    for (int n : sizes) benchResize(n);
    return 0;
}
