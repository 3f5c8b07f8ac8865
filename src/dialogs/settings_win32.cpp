#include "dialogs/settings_win32.h"
#include "desk/dialog_fit_win32.h"
#include "desk/ui_font_win32.h"

#include <objbase.h>  // before commdlg.h, for the print dialog of Windows 2000 and later
#include <commdlg.h>

#include <algorithm>
#include <memory>

#include "app/app_win32.h"
#include "app/help_win32.h"
#include "app/commands.h"
#include "app/table.h"
#include "desk/gdi_win32.h"
#include "dialogs/settings.h"
#include "res/ids.h"

namespace {

const wchar_t kSettingsCaption[] = L"ルポネ - 設定";
const wchar_t kFolderText[] = L"ルポネ フォルダを開く";

const wchar_t* wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// The primary display's work area; 16 x 16 when it cannot be read.
bool primaryWorkArea(desk::Rect& out) {
    RECT r{0, 0, 16, 16};
    const bool ok = SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0) != FALSE;
    out = {r.left, r.top, r.right, r.bottom};
    return ok;
}

// The dialog opens with no control focused: the dialog keeps the focus itself until the user
// moves it (Wine would otherwise hand it to the first control when the dialog first gets it).
bool focusStaysOnDialog = false;

// The dialog window is made at the first opening and hidden, not destroyed, when it closes: under
// Wine every drop-down list costs a window of its own on the X server, and making the 18 of them
// again took most of each opening. It goes with the panel, its owner.
HWND keptDialog = nullptr;
bool dialogEnded = false;

void endSettings() { dialogEnded = true; }

SettingsBlock* blockOf(HWND dlg) { return reinterpret_cast<SettingsBlock*>(GetWindowLongPtrW(dlg, GWLP_USERDATA)); }

// What every opening shows: the live values, the work area's limits, the key rows.
void showLiveValues(HWND dlg, SettingsBlock& block) {
    setDialogCaption(dlg, L" - 設定");
    block.dialog = toWindow(dlg);
    block.width = table.cardWidth;
    block.height = table.cardHeight;
    block.drawIndex = table.drawIndex;
    block.soundOn = table.soundOn;
    SetDlgItemInt(dlg, IDC_RP_CARD_WIDTH, static_cast<UINT>(block.width), FALSE);
    SetDlgItemInt(dlg, IDC_RP_CARD_HEIGHT, static_cast<UINT>(block.height), FALSE);
    desk::Rect work;
    const bool known = primaryWorkArea(work);
    SetDlgItemTextW(dlg, IDC_RP_WIDTH_LIMIT, known ? wide(workAreaLimitText(work.width())) : L"≦ 999");
    SetDlgItemTextW(dlg, IDC_RP_HEIGHT_LIMIT, known ? wide(workAreaLimitText(work.height())) : L"≦ 999");
    CheckDlgButton(dlg, IDC_RP_DRAW_INDEX, block.drawIndex ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_RP_OVERWRITE, table.overwriteConflicts ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_RP_SOUND, block.soundOn ? BST_CHECKED : BST_UNCHECKED);
    for (KeyAction row : kKeyRowFillOrder)
        selectKeyRow(dlg, row, table.keys[static_cast<size_t>(row)], !block.keyNames.empty());
    focusStaysOnDialog = true;
}

// Once per dialog window: the limits of the size fields and the lists of keys, which never change
// while the program runs.
void initDialog(HWND dlg, SettingsBlock& block) {
    SendDlgItemMessageW(dlg, IDC_RP_CARD_WIDTH, EM_LIMITTEXT, 3, 0);
    SendDlgItemMessageW(dlg, IDC_RP_CARD_HEIGHT, EM_LIMITTEXT, 3, 0);
    if (block.keyNames.empty()) {
        try {
            block.keyNames = buildKeyNames();
        } catch (const std::bad_alloc&) {
            block.keyNames.clear();
        }
    }
    for (KeyAction row : kKeyRowFillOrder) fillKeyRow(dlg, kKeyRows[static_cast<size_t>(row)].combo, block.keyNames);
    showLiveValues(dlg, block);
}

bool checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

void applyDialog(HWND dlg, SettingsBlock& block) {
    const UINT height = GetDlgItemInt(dlg, IDC_RP_CARD_HEIGHT, nullptr, FALSE);
    const UINT width = GetDlgItemInt(dlg, IDC_RP_CARD_WIDTH, nullptr, FALSE);
    desk::Rect work;
    primaryWorkArea(work);
    const SizeCheck check = checkCardSize(width, height, work);
    if (!check.ok) {
        desk::messageBox(dlg, wide(check.message), kSettingsCaption, MB_OK | MB_ICONWARNING);
        if (check.field) SetDlgItemInt(dlg, check.field, check.resetTo, FALSE);
        return;
    }
    block.width = static_cast<int32_t>(width);
    block.height = static_cast<int32_t>(height);
    block.drawIndex = checked(dlg, IDC_RP_DRAW_INDEX) ? 1 : 0;
    block.soundOn = checked(dlg, IDC_RP_SOUND) ? 1 : 0;
    table.overwriteConflicts = checked(dlg, IDC_RP_OVERWRITE) ? 1 : 0;
    for (int row = 0; row < kKeyActions; ++row) table.keys[static_cast<size_t>(row)] = readKeyRow(dlg, KeyAction(row));
    endSettings();
}

// The folder of the executable, where face pictures go.
void openProgramFolder(HWND dlg) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    wchar_t* last = wcsrchr(path, L'\\');
    if (!last) return;
    *last = 0;
    ShellExecuteW(dlg, L"open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void openHelpFile(HWND dlg) {
    std::wstring found;
    if (help::find(found)) help::open(dlg, found);
}

// The folder button's face: icon 166 and its text, centred together over the button.
void paintFolderButton(const NMCUSTOMDRAW& draw) {
    HDC dc = draw.hdc;
    const RECT& r = draw.rc;
    HICON icon = static_cast<HICON>(LoadImageW(appInstance, MAKEINTRESOURCEW(IDI_RP_FOLDER), IMAGE_ICON, 16, 16, LR_SHARED));
    RECT measure{0, 0, 0, 0};
    DrawTextW(dc, kFolderText, -1, &measure, DT_SINGLELINE | DT_CALCRECT);
    const int width = r.right - r.left, height = r.bottom - r.top;
    int x = r.left + (width - (measure.right - measure.left) - 26) / 2;
    if (x < r.left) x = r.left;
    if (icon) DrawIconEx(dc, x, r.top + (height - 16) / 2, icon, 16, 16, 0, nullptr, DI_NORMAL);
    RECT text{x + 21, r.top, r.right, r.bottom};
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, kFolderText, -1, &text, DT_SINGLELINE | DT_VCENTER);
    SetBkMode(dc, oldMode);
}

INT_PTR onColour(HDC dc) {
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    if (GetTextColor(dc) != text) SetTextColor(dc, text);
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
}

}  // namespace

std::u16string productVersionText() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (!size) return {};
    std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[size]);
    if (!data || !GetFileVersionInfoW(path, 0, size, data.get())) return {};
    wchar_t* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.get(), L"\\StringFileInfo\\041104b0\\ProductVersion", reinterpret_cast<void**>(&value),
                        &length) ||
        !value || !length)
        return {};
    return versionText(std::u16string(reinterpret_cast<const char16_t*>(value)));
}

void setDialogCaption(HWND dialog, const wchar_t* suffix) {
    const std::u16string version = productVersionText();
    if (version.empty()) return;
    std::wstring caption = L"ルポネ " + std::wstring(version.begin(), version.end()) + suffix;
    SetWindowTextW(dialog, caption.c_str());
}

std::vector<std::u16string> buildKeyNames() {
    std::vector<std::u16string> names;
    names.reserve(kSelectableKeys);
    for (const SelectableKey& key : kSelectableKeyList) {
        const UINT scan = MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC);
        LONG param = static_cast<LONG>(scan << 16);
        if (key.extended) param |= 1 << 24;
        wchar_t name[16] = {};
        const int length = GetKeyNameTextW(param, name, 16);
        names.emplace_back(reinterpret_cast<const char16_t*>(name), static_cast<size_t>(length > 0 ? length : 0));
    }
    return names;
}

void fillKeyRow(HWND dlg, int comboId, const std::vector<std::u16string>& names) {
    HWND combo = GetDlgItem(dlg, comboId);
    if (!combo) return;
    SendMessageW(combo, WM_SETREDRAW, FALSE, 0);
    SendMessageW(combo, CB_INITSTORAGE, 100, 100 * 16);
    auto add = [combo](const wchar_t* text, LPARAM key) {
        const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), key);
    };
    add(L"なし", 0);
    if (names.size() == kSelectableKeyList.size())
        for (size_t i = 0; i < names.size(); ++i) add(wide(displayKeyName(names[i])), kSelectableKeyList[i].vk);
    SendMessageW(combo, WM_SETREDRAW, TRUE, 0);
}

void selectKeyRow(HWND dlg, KeyAction row, KeyBinding binding, bool withKeys) {
    const KeyRowControls& ids = kKeyRows[static_cast<size_t>(row)];
    SendDlgItemMessageW(dlg, ids.combo, CB_SETCURSEL, static_cast<WPARAM>(keyRowItem(binding, withKeys)), 0);
    CheckDlgButton(dlg, ids.shift, (bindingMods(binding) & kModShift) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, ids.ctrl, (bindingMods(binding) & kModCtrl) ? BST_CHECKED : BST_UNCHECKED);
}

KeyBinding readKeyRow(HWND dlg, KeyAction row) {
    const KeyRowControls& ids = kKeyRows[static_cast<size_t>(row)];
    const LRESULT at = SendDlgItemMessageW(dlg, ids.combo, CB_GETCURSEL, 0, 0);
    const LRESULT key = at == CB_ERR ? CB_ERR : SendDlgItemMessageW(dlg, ids.combo, CB_GETITEMDATA, static_cast<WPARAM>(at), 0);
    return ::readKeyRow(key != CB_ERR, key == CB_ERR ? 0 : static_cast<uint32_t>(key), checked(dlg, ids.shift),
                        checked(dlg, ids.ctrl));
}

namespace {

// Where a dialog box without a place of its own goes: at the owner's client origin, kept on the
// owner's work area.
void placeOverOwner(HWND dlg, HWND owner) {
    RECT r;
    GetWindowRect(dlg, &r);
    POINT at{0, 0};
    ClientToScreen(owner, &at);
    desk::Rect work;
    if (desk::workAreaNear(toWindow(owner), work)) {
        at.x = std::max(std::min(at.x, static_cast<LONG>(work.right) - (r.right - r.left)), static_cast<LONG>(work.left));
        at.y = std::max(std::min(at.y, static_cast<LONG>(work.bottom) - (r.bottom - r.top)), static_cast<LONG>(work.top));
    }
    SetWindowPos(dlg, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// As a modal dialog box: the owner disabled until the dialog ends. False when the dialog went
// with its owner or the program was asked to quit meanwhile.
bool runModal(HWND dlg, HWND owner) {
    dialogEnded = false;
    EnableWindow(owner, FALSE);
    placeOverOwner(dlg, owner);
    ShowWindow(dlg, SW_SHOW);
    SetForegroundWindow(dlg);
    bool ended = true;
    MSG msg;
    while (!dialogEnded) {
        if (!IsWindow(dlg)) {
            ended = false;
            break;
        }
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            ended = false;
            break;
        }
        if (IsDialogMessageW(dlg, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (IsWindow(owner)) EnableWindow(owner, TRUE);
    if (IsWindow(dlg)) {
        // The focus goes back to the dialog itself, so that no control has it at the next opening.
        focusStaysOnDialog = true;
        SetFocus(dlg);
        ShowWindow(dlg, SW_HIDE);
    }
    return ended && IsWindow(dlg);
}

}  // namespace

void openSettings() {
    SettingsBlock& block = table.settingsBlock;
    HWND panel = toHwnd(table.panel);
    if (keptDialog && IsWindow(keptDialog)) {
        showLiveValues(keptDialog, block);
    } else {
        keptDialog = CreateDialogIndirectParamW(appInstance, uifont::dialogTemplate(IDD_RP_SETTINGS), panel, settingsDialogProc,
                                        reinterpret_cast<LPARAM>(&block));
        if (!keptDialog) return;
    }
    const bool ended = runModal(keptDialog, panel);
    block.dialog = nullptr;
    if (ended) applySettings();
}

INT_PTR CALLBACK settingsDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(dlg, GWLP_USERDATA, lp);
        if (auto* block = reinterpret_cast<SettingsBlock*>(lp)) initDialog(dlg, *block);
        dialogfit::fitTexts(dlg);
        focusStaysOnDialog = true;
        return FALSE;  // the focus is placed: nowhere
    }
    SettingsBlock* block = blockOf(dlg);
    if (!block) return FALSE;
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK: applyDialog(dlg, *block); return TRUE;
        case IDCANCEL: endSettings(); return TRUE;
        case IDC_RP_FOLDER: openProgramFolder(dlg); return TRUE;
        case IDC_RP_PRINT: printSettingsWindow(dlg); return TRUE;
        default: return FALSE;
        }
    case WM_NOTIFY: {
        const auto* draw = reinterpret_cast<const NMCUSTOMDRAW*>(lp);
        if (draw->hdr.idFrom == IDC_RP_FOLDER && draw->hdr.code == NM_CUSTOMDRAW && draw->dwDrawStage == CDDS_PREPAINT)
            paintFolderButton(*draw);
        return FALSE;
    }
    case WM_SETCURSOR: {
        HWND under = reinterpret_cast<HWND>(wp);
        const int id = under ? GetDlgCtrlID(under) : 0;
        if ((id == IDC_RP_CARD_WIDTH || id == IDC_RP_CARD_HEIGHT) && GetFocus() != under) SetFocus(under);
        return FALSE;
    }
    case WM_SETFOCUS:
        if (!focusStaysOnDialog) return FALSE;
        focusStaysOnDialog = false;
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) != SC_CONTEXTHELP) return FALSE;
        openHelpFile(dlg);
        return TRUE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: return onColour(reinterpret_cast<HDC>(wp));
    case WM_DESTROY: return TRUE;
    default: return FALSE;
    }
}

// ---- printing ----

namespace {

// A picture of a window, frame and caption included, in a bitmap compatible with a device.
class Capture {
public:
    Capture(HWND window, HDC device, int width, int height) : canvas_(device, width, height) {
        if (!canvas_.ok()) return;
        // Wine's PrintWindow draws neither the frame nor the controls; the dialog being printed is
        // shown in front, so there the screen holds the same picture.
        HDC shown = desk::runningUnderWine() ? GetWindowDC(window) : nullptr;
        if (shown) {
            BitBlt(canvas_.dc(), 0, 0, width, height, shown, 0, 0, SRCCOPY);
            ReleaseDC(window, shown);
        } else {
            PrintWindow(window, canvas_.dc(), 0);
        }
    }
    bool ok() const { return canvas_.ok(); }
    HDC dc() const { return canvas_.dc(); }

private:
    Scratch canvas_;
};

void stretchOnto(HDC page, int pageWidth, int pageHeight, const Capture& capture, int width, int height) {
    SetMapMode(page, MM_TEXT);
    SetStretchBltMode(page, COLORONCOLOR);
    const PrintPlacement at = placePrint(pageWidth, pageHeight, width, height);
    StretchBlt(page, at.x, at.y, at.width, at.height, capture.dc(), 0, 0, width, height, SRCCOPY);
}

}  // namespace

bool drawWindowOnPage(HWND window, HDC page, int pageWidth, int pageHeight) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    const int width = r.right - r.left, height = r.bottom - r.top;
    Capture capture(window, page, width, height);
    if (!capture.ok()) return false;
    stretchOnto(page, pageWidth, pageHeight, capture, width, height);
    return true;
}

void showPrintError(HWND dialog, HRESULT result) {
    desk::messageBox(dialog, wide(printErrorText(static_cast<uint32_t>(result))), L"OnPrint() のエラー",
                MB_OK | MB_ICONWARNING);
}

void printSettingsWindow(HWND dialog) {
    RECT r;
    if (!GetWindowRect(dialog, &r)) return;
    const int width = r.right - r.left, height = r.bottom - r.top;
    PRINTDLGEXW pd{};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = dialog;
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_NOCURRENTPAGE | PD_HIDEPRINTTOFILE;
    pd.nStartPage = START_PAGE_GENERAL;
    const HRESULT result = PrintDlgExW(&pd);
    if (pd.hDevMode) GlobalFree(pd.hDevMode);
    if (pd.hDevNames) GlobalFree(pd.hDevNames);
    OwnedDC printerDC(pd.hDC);
    if (FAILED(result)) {
        showPrintError(dialog, result);
        return;
    }
    HDC printer = printerDC.get();
    if (pd.dwResultAction != PD_RESULT_PRINT || !printer) return;
    {
        Capture capture(dialog, printer, width, height);
        DOCINFOW doc{};
        doc.cbSize = sizeof doc;
        doc.lpszDocName = kSettingsCaption;
        if (capture.ok() && StartDocW(printer, &doc) > 0) {
            if (StartPage(printer) > 0) {
                stretchOnto(printer, GetDeviceCaps(printer, HORZRES), GetDeviceCaps(printer, VERTRES), capture, width,
                            height);
                EndPage(printer);
            }
            EndDoc(printer);
        }
    }
    InvalidateRect(dialog, nullptr, TRUE);
}
