#include "dialogs/takeout_win32.h"
#include "desk/dialog_fit_win32.h"
#include "desk/ui_font_win32.h"

#include <iterator>
#include <vector>

#include "app/app_win32.h"
#include "app/table.h"
#include "dialogs/settings_win32.h"
#include "deck/suits.h"
#include "dialogs/takeout.h"
#include "res/ids.h"

namespace {

const wchar_t kCaption[] = L"ルポネ - カードの出し入れ";
const wchar_t* const kRankItems[] = {L"A", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"J", L"Q", L"K"};

TakeOutBlock* blockOf(HWND dlg) { return reinterpret_cast<TakeOutBlock*>(GetWindowLongPtrW(dlg, GWLP_USERDATA)); }

HWND list(HWND dlg, int id) { return GetDlgItem(dlg, id); }

// A font for a list, and the list's item height to match.
HFONT listFont(HWND dlg, int id, const wchar_t* face, int points, int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = points * dpi / 72;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = CLEARTYPE_QUALITY;
    wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&lf);
    SendDlgItemMessageW(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendDlgItemMessageW(dlg, id, LB_SETITEMHEIGHT, 0, lf.lfHeight);
    return font;
}

// The card list as the take-out and put-away see it.
CardListSeam cardList(HWND dlg) {
    HWND cards = list(dlg, IDC_RP_CARDS);
    CardListSeam seam;
    seam.append = [cards](uint32_t data) {
        const LRESULT at = SendMessageW(cards, LB_ADDSTRING, 0, static_cast<LPARAM>(data));
        return at != LB_ERR && at != LB_ERRSPACE;
    };
    seam.remove = [cards](size_t i) { SendMessageW(cards, LB_DELETESTRING, static_cast<WPARAM>(i), 0); };
    return seam;
}

void initDialog(HWND dlg, TakeOutBlock& block) {
    setDialogCaption(dlg, L" - カードの出し入れ");
    HDC screen = GetDC(GetDesktopWindow());
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(GetDesktopWindow(), screen);
    block.suitFont = listFont(dlg, IDC_RP_SUITS, L"Arial", 33, dpi);
    block.rankFont = listFont(dlg, IDC_RP_RANKS, L"Verdana", 12, dpi);
    block.cardFont = listFont(dlg, IDC_RP_CARDS, L"ＭＳ ゴシック", 12, dpi);
    for (char16_t code : kDealtSuits) {
        const wchar_t glyph[] = {static_cast<wchar_t>(suitOf(code)->glyph), 0};
        SendDlgItemMessageW(dlg, IDC_RP_SUITS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(glyph));
    }
    for (const wchar_t* r : kRankItems) SendDlgItemMessageW(dlg, IDC_RP_RANKS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(r));
    HWND cards = list(dlg, IDC_RP_CARDS);
    SendMessageW(cards, WM_SETREDRAW, FALSE, 0);
    SendMessageW(cards, LB_INITSTORAGE, table.deck.count(), 0);
    CardListSeam seam = cardList(dlg);
    for (const auto& c : table.deck.items())
        if (c && !seam.append(cardItemData(*c))) break;
    SendMessageW(cards, WM_SETREDRAW, TRUE, 0);
}

void releaseFonts(HWND dlg, TakeOutBlock& block) {
    HGDIOBJ standard = GetStockObject(DEFAULT_GUI_FONT);
    for (int id : {IDC_RP_SUITS, IDC_RP_RANKS, IDC_RP_CARDS})
        SendDlgItemMessageW(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(standard), FALSE);
    for (Handle* font : {&block.suitFont, &block.rankFont, &block.cardFont}) {
        if (*font) DeleteObject(static_cast<HGDIOBJ>(*font));
        *font = nullptr;
    }
}

// The selected item indices of a list, ascending.
std::vector<int> selection(HWND dlg, int id) {
    const LRESULT n = SendDlgItemMessageW(dlg, id, LB_GETSELCOUNT, 0, 0);
    std::vector<int> items(n > 0 ? static_cast<size_t>(n) : 0);
    if (!items.empty())
        items.resize(static_cast<size_t>(std::max<LRESULT>(
            0, SendDlgItemMessageW(dlg, id, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(items.data())))));
    return items;
}

void tellIfLimited(HWND dlg, const TakeOutResult& result) {
    if (!result.limited) return;
    const std::u16string text = takeOutLimitText(result.made);
    desk::messageBox(dlg, reinterpret_cast<const wchar_t*>(text.c_str()), kCaption, MB_OK | MB_ICONWARNING);
}

void takeOutChosen(HWND dlg) {
    CardListSeam seam = cardList(dlg);
    tellIfLimited(dlg, takeOut(selection(dlg, IDC_RP_SUITS), selection(dlg, IDC_RP_RANKS), seam));
}

void takeOutOneJoker(HWND dlg) {
    CardListSeam seam = cardList(dlg);
    tellIfLimited(dlg, takeOutJoker(seam));
}

void putAwayChosen(HWND dlg) {
    const std::vector<int> chosen = selection(dlg, IDC_RP_CARDS);
    if (chosen.empty()) return;
    HWND cards = list(dlg, IDC_RP_CARDS);
    SendMessageW(cards, WM_SETREDRAW, FALSE, 0);
    CardListSeam seam = cardList(dlg);
    putAway(std::vector<size_t>(chosen.begin(), chosen.end()), seam);
    SendMessageW(cards, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(cards, nullptr, TRUE);
}

void selectionChanged(HWND dlg, int id) {
    if (id == IDC_RP_CARDS) {
        const bool any = SendDlgItemMessageW(dlg, IDC_RP_CARDS, LB_GETSELCOUNT, 0, 0) > 0;
        EnableWindow(GetDlgItem(dlg, IDC_RP_PUTAWAY), any);
        if (!any) SetFocus(GetDlgItem(dlg, IDCANCEL));
        return;
    }
    const bool both = SendDlgItemMessageW(dlg, IDC_RP_SUITS, LB_GETSELCOUNT, 0, 0) > 0 &&
                      SendDlgItemMessageW(dlg, IDC_RP_RANKS, LB_GETSELCOUNT, 0, 0) > 0;
    EnableWindow(GetDlgItem(dlg, IDC_RP_TAKE), both);
}

void drawCentred(HDC dc, const wchar_t* text, RECT r, COLORREF colour) {
    SetTextColor(dc, colour);
    DrawTextW(dc, text, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

void drawItem(const DRAWITEMSTRUCT& d, const TakeOutBlock& block) {
    if (d.itemID == static_cast<UINT>(-1)) return;  // an empty list draws nothing
    HDC dc = d.hDC;
    RECT r = d.rcItem;
    HBRUSH fill = CreateSolidBrush((d.itemState & ODS_SELECTED) ? RGB(160, 160, 240) : RGB(240, 240, 240));
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    if (GetBkMode(dc) != TRANSPARENT) SetBkMode(dc, TRANSPARENT);
    const Handle font = d.CtlID == IDC_RP_SUITS ? block.suitFont : d.CtlID == IDC_RP_RANKS ? block.rankFont : block.cardFont;
    HGDIOBJ oldFont = font ? SelectObject(dc, static_cast<HGDIOBJ>(font)) : nullptr;
    if (d.CtlID == IDC_RP_SUITS || d.CtlID == IDC_RP_RANKS) {
        wchar_t text[8] = {};
        if (SendMessageW(d.hwndItem, LB_GETTEXTLEN, d.itemID, 0) < 8)
            SendMessageW(d.hwndItem, LB_GETTEXT, d.itemID, reinterpret_cast<LPARAM>(text));
        COLORREF colour = RGB(16, 16, 16);
        if (d.CtlID == IDC_RP_SUITS)
            colour = d.itemID < std::size(kDealtSuits) && suitIsRed(kDealtSuits[d.itemID]) ? RGB(255, 52, 0) : RGB(0, 0, 105);
        drawCentred(dc, text, r, colour);
    } else {
        const CardItemText t = cardItemText(static_cast<uint32_t>(d.itemData));
        const auto* symbol = reinterpret_cast<const wchar_t*>(t.symbol.c_str());
        const auto* rank = reinterpret_cast<const wchar_t*>(t.rank.c_str());
        if (t.joker) {
            drawCentred(dc, symbol, r, RGB(0, 0, 0));
        } else {
            SetTextColor(dc, t.red ? RGB(255, 0, 0) : RGB(0, 0, 0));
            SIZE s{}, k{};
            GetTextExtentPoint32W(dc, symbol, static_cast<int>(t.symbol.size()), &s);
            GetTextExtentPoint32W(dc, rank, static_cast<int>(t.rank.size()), &k);
            const int dx = (r.right - r.left - s.cx - k.cx) / 2, dy = (r.bottom - r.top - s.cy) / 2;
            TextOutW(dc, r.left + dx, r.top + dy, symbol, static_cast<int>(t.symbol.size()));
            TextOutW(dc, r.left + dx + s.cx, r.top + dy, rank, static_cast<int>(t.rank.size()));
        }
    }
    if (oldFont) SelectObject(dc, oldFont);
    if (d.itemState & ODS_FOCUS) DrawFocusRect(dc, &r);
}

}  // namespace

void openTakeOut() {
    TakeOutBlock& block = table.takeOutBlock;
    if (block.dialog) return;
    // Its list names the cards by their place in the Deck: another player's take-out or put-away
    // meanwhile would make it point at other cards, so those wait until it closes.
    table.outsideChangesWait = true;
    DialogBoxIndirectParamW(appInstance, uifont::dialogTemplate(IDD_RP_TAKEOUT), toHwnd(table.panel), takeOutDialogProc,
                    reinterpret_cast<LPARAM>(&block));
    table.outsideChangesWait = false;
    block.dialog = nullptr;
}

INT_PTR CALLBACK takeOutDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrW(dlg, GWLP_USERDATA, lp);
        if (auto* block = reinterpret_cast<TakeOutBlock*>(lp)) {
            block->dialog = toWindow(dlg);
            initDialog(dlg, *block);
        }
        dialogfit::fitTexts(dlg);
        return FALSE;
    }
    TakeOutBlock* block = blockOf(dlg);
    if (!block) return FALSE;
    switch (msg) {
    case WM_DRAWITEM: drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp), *block); return TRUE;
    case WM_DELETEITEM:
        if (wp != IDC_RP_CARDS) return FALSE;
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_RP_CARDS, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list(dlg, IDC_RP_CARDS)));
        return TRUE;
    case WM_DESTROY:
        releaseFonts(dlg, *block);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        case IDC_RP_TAKE: takeOutChosen(dlg); return TRUE;
        case IDC_RP_JOKER: takeOutOneJoker(dlg); return TRUE;
        case IDC_RP_PUTAWAY: putAwayChosen(dlg); return TRUE;
        case IDC_RP_SUITS:
        case IDC_RP_RANKS:
        case IDC_RP_CARDS:
            if (HIWORD(wp) == LBN_SELCHANGE) selectionChanged(dlg, LOWORD(wp));
            return TRUE;
        default: return FALSE;
        }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    default: return FALSE;
    }
}
