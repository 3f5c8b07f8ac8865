#include "app/app_win32.h"
#include "desk/ui_font_win32.h"
#include "app/help_win32.h"
#include "app/hint_win32.h"

#include <commdlg.h>
#include <shlobj.h>

#include <cwchar>
#include <deque>
#include <unordered_set>

#include "app/commands.h"
#include "app/panel.h"
#include "app/startup.h"
#include "app/table.h"
#include "cards/card_window_win32.h"
#include "cards/gestures.h"
#include "deck/deck.h"
#include "deck/marks.h"
#include "deck/state_file.h"
#include "deck/history.h"
#include "app/keeping.h"
#include "desk/gdi_win32.h"
#include "dialogs/icon_button_win32.h"
#include "dialogs/settings_win32.h"
#include "dialogs/share_win32.h"
#include "dialogs/takeout_win32.h"
#include "faces/face_lookup.h"
#include "faces/picture_win32.h"
#include "res/ids.h"

namespace {

struct PanelTip {
    int id;
    const wchar_t* text;
};

constexpr PanelTip kPanelTips[] = {
    {IDC_RP_SEQUENCE, L"すべてシーケンス"},
    {IDC_RP_SHUFFLE, L"重なっているカードをシャッフル"},
    {IDC_RP_GATHER, L"まとめる （右クリックで山分け）"},
    {IDC_RP_SCATTER, L"ばらまく"},
    {IDC_RP_FACEUP, L"表にする"},
    {IDC_RP_FACEDOWN, L"裏にする"},
    {IDC_RP_UNDO, L"元に戻す"},
    {IDC_RP_REDO, L"やり直し"},
    {IDC_RP_TAKEOUT, L"カードの出し入れ ..."},
    {IDC_RP_SETTINGS, L"設定 ..."},
    {IDC_RP_SHARE, L"テーブルを共有 ..."},
    {IDC_RP_HELP, L"ヘルプ"},
    {IDC_RP_RATIO, L"重なり判定の割合"},
    {IDC_RP_RECURSIVE, L"重なりを再帰的に判定"},
};

HWND panelHwnd() { return toHwnd(table.panel); }

// The panel's controls answer screen readers with their tooltip texts (their own texts are a space).
LRESULT CALLBACK speakingControlProc(HWND control, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_GETOBJECT) {
        bool handled = false;
        const LRESULT answer = a11y::answerGetObject(control, wp, lp, [control] { return panelControlFacts(control); }, handled);
        if (handled) return answer;
    }
    return DefSubclassProc(control, msg, wp, lp);
}


HICON loadAppIcon(int cx, int cy) {
    return static_cast<HICON>(LoadImageW(appInstance, MAKEINTRESOURCEW(IDI_RP_APP), IMAGE_ICON, cx, cy, LR_SHARED));
}

void setPanelIcons(HWND dlg) {
    HICON big = loadAppIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    HICON small = loadAppIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    SetClassLongPtrW(dlg, GCLP_HICON, reinterpret_cast<LONG_PTR>(big));
    SetClassLongPtrW(dlg, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(small));
    SendMessageW(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    SendMessageW(dlg, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

// Centred on the pointer inside the work area; left where it is when anything cannot be read.
void placePanelAtPointer(HWND dlg) {
    POINT p;
    RECT r;
    desk::Rect work;
    if (!GetCursorPos(&p) || !GetWindowRect(dlg, &r) || !workArea(work)) return;
    desk::Point at = placePanel({p.x, p.y}, r.right - r.left, r.bottom - r.top, work);
    SetWindowPos(dlg, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void installIconButtons(HWND dlg) {
    for (int id : kIconButtons) {
        HWND b = GetDlgItem(dlg, id);
        if (!b) continue;
        LONG_PTR old = SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(iconButtonProc));
        if (id == kIconButtons[0]) table.buttonBaseProc = reinterpret_cast<void*>(old);
    }
}

void removeIconButtons(HWND dlg) {
    if (!table.buttonBaseProc) return;
    for (int id : kIconButtons)
        if (HWND b = GetDlgItem(dlg, id))
            SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(table.buttonBaseProc));
    table.buttonBaseProc = nullptr;
}

void createPanelTooltips(HWND dlg) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    HWND tip = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dlg, nullptr, appInstance,
                               nullptr);
    table.panelTooltip = toWindow(tip);
    for (const PanelTip& t : kPanelTips) SetWindowSubclass(GetDlgItem(dlg, t.id), speakingControlProc, 1, 0);
    if (!tip) return;
    uifont::fitJapanese(tip);
    desk::putTipAway(tip);
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(65535, 0));
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, 0);
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_RESHOW, 0);
    for (const PanelTip& t : kPanelTips) {
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = dlg;
        info.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dlg, t.id));
        info.lpszText = const_cast<wchar_t*>(t.text);
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
}

void setIconStatic(HWND dlg, int id, int icon) {
    HWND s = GetDlgItem(dlg, id);
    if (!s) return;
    LONG_PTR style = GetWindowLongPtrW(s, GWL_STYLE);
    SetWindowLongPtrW(s, GWL_STYLE, (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | SS_ICON);
    auto h = LoadImageW(appInstance, MAKEINTRESOURCEW(icon), IMAGE_ICON, 16, 16, LR_SHARED);
    SendMessageW(s, STM_SETICON, reinterpret_cast<WPARAM>(h), 0);
}

void setUpOverlapControls(HWND dlg) {
    setIconStatic(dlg, IDC_RP_RATIO_ICON, IDI_RP_RATIO);
    HWND bar = GetDlgItem(dlg, IDC_RP_RATIO);
    SendMessageW(bar, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageW(bar, TBM_SETTICFREQ, 1, 0);
    setIconStatic(dlg, IDC_RP_RECURSIVE_ICON, IDI_RP_RECURSIVE);
    CheckDlgButton(dlg, IDC_RP_RECURSIVE, table.judgeRecursively ? BST_CHECKED : BST_UNCHECKED);
}

LRESULT CALLBACK cardParentProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(h, msg, wp, lp); }

void createCardParent() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = cardParentProc;
    wc.hInstance = appInstance;
    wc.lpszClassName = L"CardParent";
    RegisterClassExW(&wc);
    // A popup: a visible overlapped window would be grown to the smallest captioned size and
    // show as a stray title bar in the corner of the screen.
    HWND h = CreateWindowExW(WS_EX_TOOLWINDOW, L"CardParent", L"カードの親", WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr,
                             nullptr, appInstance, nullptr);
    table.cardParent = toWindow(h);
}

// The background bitmaps, loaded at the first paint and freed at shutdown: a bitmap resource
// loads as a new bitmap every time, shared or not.
struct PanelTiles {
    HBITMAP alpha = nullptr, mask = nullptr, image = nullptr;
} tiles;

HBITMAP panelTile(HBITMAP& held, int id) {
    if (!held)
        held = static_cast<HBITMAP>(
            LoadImageW(appInstance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    return held;
}

void freePanelTiles() {
    for (HBITMAP* held : {&tiles.alpha, &tiles.mask, &tiles.image}) {
        if (*held) DeleteObject(*held);
        *held = nullptr;
    }
}

// ---- tables under names (the panel's window menu) ----

constexpr UINT kNewTable = 0x1010, kOpenTable = 0x1020, kSaveTableAs = 0x1030;  // (system command ids)

void addTableMenu(HWND dlg) {
    HMENU menu = GetSystemMenu(dlg, FALSE);
    if (!menu) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kNewTable, L"新しいテーブル");
    AppendMenuW(menu, MF_STRING, kOpenTable, L"テーブルを開く ...");
    AppendMenuW(menu, MF_STRING, kSaveTableAs, L"テーブルに名前を付けて保存 ...");
    static std::deque<std::wstring> kept;  // as long as the panel's menu
    uifont::drawMenuInJapanese(menu, kept);
}

// A shared table is not the player's to file away: the items wait until sharing stops.
void enableTableMenu(HWND dlg) {
    HMENU menu = GetSystemMenu(dlg, FALSE);
    for (UINT id : {kNewTable, kOpenTable, kSaveTableAs})
        EnableMenuItem(menu, id, MF_BYCOMMAND | (table.sharing ? MF_GRAYED : MF_ENABLED));
}

// A table file from the standard dialog, starting in the user's documents; false when cancelled.
bool chooseTableFile(HWND dlg, bool save, const wchar_t* title, std::u16string& chosen) {
    std::wstring file(32768, L'\0');
    if (save) wcscpy(file.data(), L"テーブル.dat");
    wchar_t documents[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents);
    OPENFILENAMEW o{};
    o.lStructSize = sizeof o;
    o.hwndOwner = dlg;
    o.lpstrFilter = L"ルポネのテーブル (*.dat)\0*.dat\0すべてのファイル (*.*)\0*.*\0";
    o.lpstrFile = file.data();
    o.nMaxFile = static_cast<DWORD>(file.size());
    o.lpstrInitialDir = documents[0] ? documents : nullptr;
    o.lpstrTitle = title;
    o.lpstrDefExt = L"dat";
    o.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
              (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    if (!(save ? GetSaveFileNameW(&o) : GetOpenFileNameW(&o))) return false;
    const std::wstring path = file.c_str();
    chosen.assign(path.begin(), path.end());
    return true;
}

// The table is saved before it closes or makes way for another, as an editor does: when the save
// fails the user may try again, go on without saving, or stay. True when it is to go on.
bool saveOrStay(HWND dlg, SaveBefore what) {
    for (;;) {
        const std::u16string failure = saveOrAsk(what);
        if (failure.empty()) return true;
        const int answer = desk::messageBox(dlg, reinterpret_cast<const wchar_t*>(failure.c_str()), kProgramName,
                                            MB_YESNOCANCEL | MB_ICONERROR | MB_DEFBUTTON1);
        if (answer == IDNO) return true;
        if (answer != IDYES) return false;
    }
}

void tableCommand(HWND dlg, UINT id) {
    if (table.sharing) return;
    std::u16string path;
    if (id == kSaveTableAs) {
        if (!chooseTableFile(dlg, true, L"テーブルに名前を付けて保存", path)) return;
        desk::WaitCursor wait;
        const std::u16string failure = saveTableAs(path);
        if (!failure.empty())
            desk::messageBox(dlg, reinterpret_cast<const wchar_t*>(failure.c_str()), kProgramName, MB_OK | MB_ICONERROR);
        return;
    }
    if (!chooseTableFile(dlg, id == kNewTable, id == kNewTable ? L"新しいテーブルの保存先" : L"テーブルを開く", path) ||
        !saveOrStay(dlg, SaveBefore::Switching))
        return;
    desk::WaitCursor wait;
    if (id == kNewTable) {
        replaceTable(path, nullptr);
        return;
    }
    StateData data;
    const std::u16string why = readTableFile(path, data);
    if (!why.empty()) {
        const std::u16string name = path.substr(path.find_last_of(u"\\/") + 1);
        const std::u16string text = u"テーブル「" + name + u"」を開けませんでした（" + why + u"）。\r\n今のテーブルはそのままです。";
        desk::messageBox(dlg, reinterpret_cast<const wchar_t*>(text.c_str()), kProgramName, MB_OK | MB_ICONWARNING);
        return;
    }
    replaceTable(path, &data);
}

bool closeDecided = false;  // the closing save worked, or the user chose to end without it

void startUp(HWND dlg) {
    closeDecided = false;
    table.random.seed(GetTickCount());
    setPanelIcons(dlg);
    placePanelAtPointer(dlg);
    installIconButtons(dlg);
    createPanelTooltips(dlg);
    setUpOverlapControls(dlg);
    createCardParent();
    createCardTooltip();
    loadTablePictures();
    registerCardClass();
    table.keyboardHook = SetWindowsHookExW(WH_KEYBOARD, keyboardHookProc, nullptr, GetCurrentThreadId());
    installTableListeners();
    addTableMenu(dlg);
    takeUpLastTable();
    const std::u16string state = tableFilePath();
    const bool firstStart = !state.empty() && GetFileAttributesW(reinterpret_cast<const wchar_t*>(state.c_str())) == INVALID_FILE_ATTRIBUTES;
    buildTable(loadState());
    hint::showIfFirstStart(dlg, firstStart);
}

// Closing saves the table before anything is taken down, as an editor does: when the save fails
// the user may try again, end without saving, or keep the table open.
void closeTable(HWND dlg) {
    leaveSharingForClose();
    KillTimer(dlg, kSaveTimer);  // no autosave (nor its message) while the user is asked
    table.savePending = false;
    if (!saveOrStay(dlg, SaveBefore::Closing)) {
        table.saveFailureTold = true;  // the user knows; the autosave keeps trying quietly
        scheduleSave();
        return;
    }
    closeDecided = true;
    DestroyWindow(dlg);
}

void shutDown(HWND dlg) {
    removeIconButtons(dlg);
    if (table.keyboardHook) {
        UnhookWindowsHookEx(static_cast<HHOOK>(table.keyboardHook));
        table.keyboardHook = nullptr;
    }
    if (table.backDC) {
        freeCanvas(static_cast<HDC>(table.backDC), static_cast<HGDIOBJ>(table.backOldBitmap));
        table.backDC = nullptr;
        table.backOldBitmap = nullptr;
    }
    KillTimer(dlg, kSaveTimer);
    if (!closeDecided) {  // destroyed without being closed: save what can be saved, and tell
        std::u16string failure = saveOrAsk(SaveBefore::Closing);
        if (!failure.empty())
            MessageBoxW(dlg, reinterpret_cast<const wchar_t*>(failure.c_str()), kProgramName, MB_OK | MB_ICONERROR);
    }
    releaseAllCards();
    table.frontPicture.reset();
    table.backPicture.reset();
    endPictures();
    freePanelTiles();
    PostQuitMessage(0);
}

// Deals the cards into the number of piles chosen from menu 148 under the gather button.
void showDivideMenu(HWND dlg) {
    HWND button = GetDlgItem(dlg, IDC_RP_GATHER);
    HMENU menu = LoadMenuW(appInstance, MAKEINTRESOURCEW(IDM_RP_DIVIDE));
    if (!menu) return;
    RECT r;
    GetWindowRect(button, &r);
    TPMPARAMS keepClear{sizeof keepClear, r};
    std::deque<std::wstring> kept;
    uifont::drawMenuInJapanese(GetSubMenu(menu, 0), kept);
    int chosen = TrackPopupMenuEx(GetSubMenu(menu, 0), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left,
                                  r.bottom + 1, dlg, &keepClear);
    DestroyMenu(menu);
    constexpr int32_t kFewestPiles = 2;
    if (chosen >= IDM_RP_PILES_FIRST && chosen <= IDM_RP_PILES_LAST) divide(chosen - IDM_RP_PILES_FIRST + kFewestPiles);
}

void openHelp() {
    HWND dlg = panelHwnd();
    std::wstring found;
    if (help::find(found)) {
        if (!help::open(dlg, found))
            desk::messageBox(dlg, L"ヘルプ 「ルポネ.chm」 を開けませんでした。", L"ルポネ", MB_OK | MB_ICONWARNING);
        return;
    }
    desk::messageBox(dlg, L"ファイル 「ルポネ.chm」 が見つかりませんでした。", L"ルポネ", MB_OK | MB_ICONINFORMATION);
    std::u16string module = desk::modulePath();
    std::wstring folder(module.begin(), module.end());
    folder = folder.substr(0, folder.find_last_of(L"\\/"));
    ShellExecuteW(dlg, nullptr, L"explorer.exe", folder.c_str(), nullptr, SW_SHOWNORMAL);
}

// The panel's background: a tile repeated from the client origin, blended where the display can.
void paintPanel(HWND dlg) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    if (!dc) return;
    const bool alpha = GetDeviceCaps(dc, BITSPIXEL) == 32 &&
                       (GetDeviceCaps(dc, SHADEBLENDCAPS) & (SB_CONST_ALPHA | SB_PIXEL_ALPHA)) ==
                           (SB_CONST_ALPHA | SB_PIXEL_ALPHA) &&
                       alphaBlendFn;
    HBITMAP first = alpha ? panelTile(tiles.alpha, IDB_RP_PANEL_ALPHA) : panelTile(tiles.mask, IDB_RP_PANEL_MASK);
    BITMAP bm{};
    if (first && GetObjectW(first, sizeof bm, &bm)) {
        GdiObject tileBitmap(CreateCompatibleBitmap(dc, bm.bmWidth, bm.bmHeight));
        OwnedDC tile(CreateCompatibleDC(dc)), src(CreateCompatibleDC(dc));
        if (tile.get() && src.get() && tileBitmap.get()) {
            {
                Selected drawnOn(tile.get(), tileBitmap.get());
                RECT all{0, 0, bm.bmWidth, bm.bmHeight};
                FillRect(tile.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
                Selected from(src.get(), first);
                if (alpha) {
                    BLENDFUNCTION blend{AC_SRC_OVER, 0, 16, AC_SRC_ALPHA};
                    alphaBlendFn(tile.get(), 0, 0, bm.bmWidth, bm.bmHeight, src.get(), 0, 0, bm.bmWidth, bm.bmHeight,
                                 blend);
                } else if (HBITMAP image = panelTile(tiles.image, IDB_RP_PANEL_IMAGE)) {
                    BitBlt(tile.get(), 0, 0, bm.bmWidth, bm.bmHeight, tile.get(), 0, 0, NOTSRCCOPY);
                    BitBlt(tile.get(), 0, 0, bm.bmWidth, bm.bmHeight, src.get(), 0, 0, SRCPAINT);
                    BitBlt(tile.get(), 0, 0, bm.bmWidth, bm.bmHeight, tile.get(), 0, 0, NOTSRCCOPY);
                    Selected imageFrom(src.get(), image);
                    BitBlt(tile.get(), 0, 0, bm.bmWidth, bm.bmHeight, src.get(), 0, 0, SRCPAINT);
                }
            }
            // The tile is out of its context before it becomes a brush's pattern.
            GdiObject brush(CreatePatternBrush(static_cast<HBITMAP>(tileBitmap.get())));
            if (brush.get()) {
                RECT client;
                GetClientRect(dlg, &client);
                SetBrushOrgEx(dc, 0, 0, nullptr);
                FillRect(dc, &client, static_cast<HBRUSH>(brush.get()));
            }
        }
    }
    EndPaint(dlg, &ps);
}

constexpr UINT kShowStartNotices = WM_APP + 1;

// What start-up found out about the state file and the cards, told once the table shows.
void showStartNotices(HWND dlg) {
    std::u16string text;
    for (const std::u16string& n : table.startNotices) text += (text.empty() ? u"" : u"\r\n\r\n") + n;
    table.startNotices.clear();
    if (!text.empty())
        desk::messageBox(dlg, reinterpret_cast<const wchar_t*>(text.c_str()), kProgramName, MB_OK | MB_ICONWARNING);
}

BOOL dispatchCommand(int id) {
    switch (id) {
    case IDC_RP_RECURSIVE:
        recursiveChanged(IsDlgButtonChecked(panelHwnd(), IDC_RP_RECURSIVE) == BST_CHECKED);
        return TRUE;
    case IDC_RP_UNDO:
        undo();
        return TRUE;
    case IDC_RP_REDO:
        redo();
        return TRUE;
    case IDC_RP_GATHER: gather(); return TRUE;
    case IDC_RP_SCATTER: scatter(); return TRUE;
    case IDC_RP_FACEUP: turnAllFaceUp(); return TRUE;
    case IDC_RP_FACEDOWN: turnAllFaceDown(); return TRUE;
    case IDC_RP_SHUFFLE: shufflePile(); return TRUE;
    case IDC_RP_SEQUENCE: sequenceAll(); return TRUE;
    case IDC_RP_HELP:
    case IDM_RP_HELP_COMMAND: openHelp(); return TRUE;
    case IDC_RP_SETTINGS: openSettings(); return TRUE;
    case IDC_RP_TAKEOUT: openTakeOut(); return TRUE;
    case IDC_RP_SHARE: openSharing(); return TRUE;
    default:
        return FALSE;  // 1 and 2 (Enter, Esc) among them: they never close the panel
    }
}

// Whether the cards' owner already lies below the panel with only its own windows (the cards and
// their tip) between them. Owned windows stay above their owner, so putting the owner directly
// below the panel would then change nothing; but Wine moves each owned window in between on the
// way, with a pass over all windows each time (1,000 cards: 0.6 s at every activation or
// deactivation of the panel).
bool ownerBelowPanel(HWND dlg) {
    std::unordered_set<desk::Window> cards;
    for (const auto& c : table.deck.items())
        if (c->window) cards.insert(c->window);
    cards.insert(table.cardTip);
    bool below = false;
    for (desk::Window w : desk::topLevelWindows()) {
        if (w == table.cardParent) return below;
        if (toHwnd(w) == dlg)
            below = true;
        else if (below && !cards.count(w))
            return false;
    }
    return false;
}

}  // namespace

LRESULT CALLBACK keyboardHookProc(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION) {
        uint32_t mods = ((GetAsyncKeyState(VK_SHIFT) & 0x8000) ? kModShift : 0) |
                        ((GetAsyncKeyState(VK_CONTROL) & 0x8000) ? kModCtrl : 0);
        HWND focused = GetFocus();
        HWND panel = panelHwnd();
        bool onPanel = focused && panel && (focused == panel || IsChild(panel, focused));
        if (hookSwitchesToCard(code, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp), mods, onPanel))
            SetFocus(table.currentCard ? toHwnd(table.currentCard->window) : nullptr);
    }
    return CallNextHookEx(static_cast<HHOOK>(table.keyboardHook), code, wp, lp);
}

INT_PTR CALLBACK panelDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (!table.panel) table.panel = toWindow(dlg);
    switch (msg) {
    case WM_INITDIALOG: startUp(dlg); return TRUE;
    case WM_INITMENU: enableTableMenu(dlg); return FALSE;
    case WM_MEASUREITEM:
    case WM_DRAWITEM: return uifont::menuItemMessage(msg, lp) ? TRUE : FALSE;
    case WM_SYSCOMMAND:
        if ((wp & 0xFFF0) != kNewTable && (wp & 0xFFF0) != kOpenTable && (wp & 0xFFF0) != kSaveTableAs) return FALSE;
        tableCommand(dlg, static_cast<UINT>(wp & 0xFFF0));
        return TRUE;
    case WM_COMMAND: return dispatchCommand(LOWORD(wp));
    case WM_HSCROLL:
        overlapRatioChanged(static_cast<uint32_t>(SendDlgItemMessageW(dlg, IDC_RP_RATIO, TBM_GETPOS, 0, 0)));
        return TRUE;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lp);
        if (hdr->idFrom == IDC_RP_RATIO && hdr->code == static_cast<UINT>(NM_CUSTOMDRAW) &&
            trackbarNeedsRatio(static_cast<int32_t>(SendMessageW(hdr->hwndFrom, TBM_GETPOS, 0, 0))))
            PostMessageW(hdr->hwndFrom, TBM_SETPOS, TRUE, static_cast<LPARAM>(table.overlapRatio));
        return FALSE;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wp) == GetDlgItem(dlg, IDC_RP_GATHER)) showDivideMenu(dlg);
        return TRUE;
    case WM_PAINT: paintPanel(dlg); return TRUE;
    case WM_ACTIVATE:
        if (!ownerBelowPanel(dlg))
            SetWindowPos(toHwnd(table.cardParent), dlg, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return TRUE;
    case WM_ACTIVATEAPP:
        if (!wp && table.currentCard) endGatherSpread(*table.currentCard);
        return TRUE;
    case WM_WINDOWPOSCHANGED:
        if (table.firstShowPending && (reinterpret_cast<WINDOWPOS*>(lp)->flags & SWP_SHOWWINDOW)) {
            if (table.currentCard) SetForegroundWindow(toHwnd(table.currentCard->window));
            table.firstShowPending = 0;
            if (!table.startNotices.empty()) PostMessageW(dlg, kShowStartNotices, 0, 0);
        }
        return TRUE;
    case WM_GETICON: {
        bool big = wp == ICON_BIG;
        HICON icon = loadAppIcon(GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON),
                                 GetSystemMetrics(big ? SM_CYICON : SM_CYSMICON));
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, reinterpret_cast<LONG_PTR>(icon));
        return reinterpret_cast<INT_PTR>(icon);
    }
    case WM_LBUTTONDOWN: SendMessageW(dlg, WM_SYSCOMMAND, 0xF012, 0); return TRUE;
    case WM_CLOSE: closeTable(dlg); return TRUE;
    case WM_QUERYENDSESSION:
        SetWindowLongPtrW(dlg, DWLP_MSGRESULT, saveBeforeLogOff() ? TRUE : FALSE);
        return TRUE;
    case WM_ENDSESSION:
        if (wp) saveAtLogOff();
        return TRUE;
    case WM_TIMER:
        if (wp == kSaveTimer) onSaveTimer();
        return TRUE;
    case kShowStartNotices: showStartNotices(dlg); return TRUE;
    case WM_DESTROY: shutDown(dlg); return TRUE;
    default: return FALSE;
    }
}

a11y::Facts panelControlFacts(HWND control) {
    a11y::Facts f;
    const int id = GetDlgCtrlID(control);
    for (const PanelTip& t : kPanelTips)
        if (t.id == id) f.name = t.text;
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 32);
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    if (!_wcsicmp(cls, TRACKBAR_CLASSW)) {
        f.role = ROLE_SYSTEM_SLIDER;
        f.value = std::to_wstring(SendMessageW(control, TBM_GETPOS, 0, 0));
    } else if (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX) {
        f.role = ROLE_SYSTEM_CHECKBUTTON;
        if (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED) f.state |= STATE_SYSTEM_CHECKED;
    } else {
        f.role = ROLE_SYSTEM_PUSHBUTTON;
    }
    f.state |= IsWindowEnabled(control) ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
    if (GetFocus() == control) f.state |= STATE_SYSTEM_FOCUSED;
    return f;
}
