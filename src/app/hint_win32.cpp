#include "app/hint_win32.h"
#include "desk/dialog_fit_win32.h"
#include "desk/ui_font_win32.h"

#include <algorithm>

#include "app/app_win32.h"
#include "deck/state_file.h"
#include "desk/desk.h"
#include "res/ids.h"

namespace hint {

namespace {

HWND shown = nullptr;

INT_PTR CALLBACK hintProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        // Named for the taskbar and for finding it, but without a caption bar: a caption is drawn
        // with the system's font, which in a Wine prefix without Japanese fonts shows boxes.
        SetWindowTextW(dlg, L"ルポネ - はじめに");
        dialogfit::fitTexts(dlg);
        return FALSE;  // the focus stays where it is
    case WM_COMMAND:
        if (LOWORD(wp) != IDCANCEL) return FALSE;
        // Closed by the player: remembered, so that it never comes again.
        if (const std::wstring marker = markerPath(); !marker.empty()) {
            HANDLE h = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                static const char kText[] = "closed\r\n";
                DWORD written = 0;
                WriteFile(h, kText, sizeof kText - 1, &written, nullptr);
                CloseHandle(h);
            }
        }
        DestroyWindow(dlg);
        return TRUE;
    case WM_DESTROY:
        shown = nullptr;
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

HWND window() { return shown; }

std::wstring markerPath() {
    const std::u16string state = stateFilePath(desk::modulePath());
    if (state.size() < 4) return {};
    const std::u16string marker = state.substr(0, state.size() - 4) + u".hint";
    return std::wstring(marker.begin(), marker.end());
}

void showIfFirstStart(HWND panel, bool freshTable) {
    const std::wstring marker = markerPath();
    if (!freshTable || marker.empty() || GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    HWND active = GetActiveWindow();  // the current card stays current
    HWND note = CreateDialogIndirectParamW(appInstance, uifont::dialogTemplate(IDD_RP_HINT), panel, hintProc, 0);
    if (!note) return;
    shown = note;
    // Above the panel, or below it where there is no room above; inside the work area.
    RECT p{}, n{}, work{};
    GetWindowRect(panel, &p);
    GetWindowRect(note, &n);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int w = n.right - n.left, h = n.bottom - n.top;
    int x = p.left, y = p.top - h - 8;
    if (y < work.top) y = p.bottom + 8;
    x = std::max<int>(work.left, std::min<int>(x, work.right - w));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - h));
    SetWindowPos(note, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (active && GetActiveWindow() != active) SetActiveWindow(active);
}

}  // namespace hint
