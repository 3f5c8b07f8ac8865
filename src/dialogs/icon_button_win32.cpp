#include "dialogs/icon_button_win32.h"

#include "app/table.h"
#include "res/ids.h"

const int kIconButtons[12] = {IDC_RP_SEQUENCE, IDC_RP_SHUFFLE, IDC_RP_GATHER,   IDC_RP_SCATTER,
                              IDC_RP_FACEUP,   IDC_RP_FACEDOWN, IDC_RP_UNDO,     IDC_RP_REDO,
                              IDC_RP_TAKEOUT,  IDC_RP_SETTINGS, IDC_RP_SHARE,    IDC_RP_HELP};

int iconForButton(int controlId) {
    switch (controlId) {
    case IDC_RP_SEQUENCE: return IDI_RP_SEQUENCE;
    case IDC_RP_SHUFFLE: return IDI_RP_SHUFFLE;
    case IDC_RP_GATHER: return IDI_RP_GATHER;
    case IDC_RP_SCATTER: return IDI_RP_SCATTER;
    case IDC_RP_FACEUP: return IDI_RP_FACEUP;
    case IDC_RP_FACEDOWN: return IDI_RP_FACEDOWN;
    case IDC_RP_UNDO: return IDI_RP_UNDO;
    case IDC_RP_REDO: return IDI_RP_REDO;
    case IDC_RP_TAKEOUT: return IDI_RP_TAKEOUT;
    case IDC_RP_SETTINGS: return IDI_RP_SETTINGS;
    case IDC_RP_SHARE: return IDI_RP_SHARE;
    case IDC_RP_HELP: return IDI_RP_HELP;
    default: return 0;
    }
}

LRESULT CALLBACK iconButtonProc(HWND button, UINT msg, WPARAM wp, LPARAM lp) {
    auto base = reinterpret_cast<WNDPROC>(table.buttonBaseProc);
    LRESULT result = base ? CallWindowProcW(base, button, msg, wp, lp) : DefWindowProcW(button, msg, wp, lp);
    if (msg != WM_PAINT && msg != WM_ENABLE) return result;
    int icon = iconForButton(GetDlgCtrlID(button));
    if (!icon) return result;
    auto h = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(icon), IMAGE_ICON, 0, 0, LR_SHARED));
    if (!h) return result;
    RECT r;
    GetClientRect(button, &r);
    int x = r.left + (r.right - r.left - 16) / 2;
    int y = r.top + (r.bottom - r.top - 16) / 2;
    if (HDC dc = GetDC(button)) {
        DrawIconEx(dc, x, y, h, 16, 16, 0, nullptr, DI_NORMAL);
        ReleaseDC(button, dc);
    }
    return result;
}
