// What the take-out and put-away dialog costs with a full table (run under Wine or on Windows):
//   takeout_bench [N]   N hidden card windows (10,000 by default); the dialog opened (every card
//                       listed, shown and painted), then every other card put away, beside the bare
//                       cost of destroying as many plain hidden windows.
#include "desk/windows_win32.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/app_win32.h"
#include "cards/card_window.h"
#include "dialogs/takeout_win32.h"
#include "res/ids.h"
#include "support/win32_helpers.h"

namespace {

double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::max(2, std::atoi(argv[1])) : 10000;
    appInstance = GetModuleHandleW(nullptr);
    freshTable();
    table.keepStateFile = true;
    auto t = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        createCardWindow(i % 13 + 1, card.get(), u"hscd"[i % 4], i);
        table.deck.append(std::move(card));
    }
    std::printf("%d card windows made in %.0f ms\n", n, msSince(t));
    t = std::chrono::steady_clock::now();
    HWND dlg = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(IDD_RP_TAKEOUT), nullptr, takeOutDialogProc,
                                  reinterpret_cast<LPARAM>(&table.takeOutBlock));
    ShowWindow(dlg, SW_SHOW);
    UpdateWindow(dlg);
    std::printf("dialog opened with %ld cards listed in %.1f ms\n",
                static_cast<long>(SendDlgItemMessageW(dlg, IDC_RP_CARDS, LB_GETCOUNT, 0, 0)), msSince(t));
    for (int i = 0; i < n; i += 2) SendDlgItemMessageW(dlg, IDC_RP_CARDS, LB_SETSEL, TRUE, i);
    const int chosen = (n + 1) / 2;
    t = std::chrono::steady_clock::now();
    SendMessageW(dlg, WM_COMMAND, IDC_RP_PUTAWAY, 0);
    pumpMessages(1);
    const double program = msSince(t);
    std::vector<HWND> bare;
    for (int i = 0; i < chosen; ++i)
        bare.push_back(CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP, 0, 0, 60, 88, nullptr, nullptr,
                                       appInstance, nullptr));
    t = std::chrono::steady_clock::now();
    for (HWND w : bare) DestroyWindow(w);
    const double plain = msSince(t);
    std::printf("%d cards put away in %.0f ms (%zu left); %d bare windows destroyed in %.0f ms; ratio %.1f\n", chosen,
                program, table.deck.count(), chosen, plain, program / plain);
    DestroyWindow(dlg);
    clearTable();
    return 0;
}
