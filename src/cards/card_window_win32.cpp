#include "cards/card_window_win32.h"
#include "desk/ui_font_win32.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "app/table.h"
#include "cards/card_window.h"
#include "cards/spoken.h"
#include "cards/tooltips.h"
#include "desk/gdi_win32.h"
#include "faces/drop.h"
#include "faces/render_win32.h"

const wchar_t kCardClassName[] = L"Card";

namespace {
bool allDetached = false;  // every card window's tie is cut (shutdown)
void showCardTip(desk::Window card);
void holdTipControl(bool hold);
void detachAllCardWindows();
}  // namespace

Card* cardOf(HWND hwnd) {
    return allDetached ? nullptr : reinterpret_cast<Card*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HRGN createCardRegion(int width, int height) {
    return CreateRoundRectRgn(0, 0, width + 1, height + 1, width / 10, height / 10);
}

// Compares the areas: Wine's EqualRgn compares the band lists, which differ between a region as
// built and the same region as a window keeps it.
bool sameRegion(HRGN a, HRGN b) {
    HRGN diff = CreateRectRgn(0, 0, 0, 0);
    if (!diff) return false;
    bool same = CombineRgn(diff, a, b, RGN_XOR) == NULLREGION;
    DeleteObject(diff);
    return same;
}

void registerCardClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_NOCLOSE | CS_SAVEBITS;
    wc.lpfnWndProc = cardWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = static_cast<HCURSOR>(LoadImageW(nullptr, MAKEINTRESOURCEW(32512), IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
    wc.lpszClassName = kCardClassName;
    RegisterClassExW(&wc);
    desk::CardShell shell;
    shell.showTip = showCardTip;
    shell.holdTips = holdTipControl;
    shell.detachAll = detachAllCardWindows;
    shell.recompose = recomposeFace;
    desk::registerCardShell(shell);
}

namespace {

TTTOOLINFOW toolOf(HWND hwnd) {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = hwnd;
    ti.uId = reinterpret_cast<UINT_PTR>(hwnd);
    ti.lpszText = LPSTR_TEXTCALLBACKW;
    return ti;
}

// The card's tip: its text, and the colours of the shared control set for this card.
void answerTip(Card& card, NMTTDISPINFOW& info) {
    const CardTip tip = tipText(card);
    const size_t n = std::min(tip.text.size(), std::size(info.szText) - 1);
    std::copy(tip.text.begin(), tip.text.begin() + static_cast<std::ptrdiff_t>(n), info.szText);
    info.szText[n] = 0;
    info.lpszText = info.szText;
    HWND control = info.hdr.hwndFrom;
    if (SendMessageW(control, TTM_GETTIPBKCOLOR, 0, 0) != RGB(255, 255, 255))
        SendMessageW(control, TTM_SETTIPBKCOLOR, RGB(255, 255, 255), 0);
    if (static_cast<uint32_t>(SendMessageW(control, TTM_GETTIPTEXTCOLOR, 0, 0)) != tip.colour)
        SendMessageW(control, TTM_SETTIPTEXTCOLOR, tip.colour, 0);
}

// Tells the card where its window now lies and whether it shows.
void notePlace(HWND hwnd, Card& card, UINT flags) {
    RECT r;
    if (!GetWindowRect(hwnd, &r)) return;
    const bool shown = (flags & SWP_SHOWWINDOW) ? true : (flags & SWP_HIDEWINDOW) ? false : IsWindowVisible(hwnd) != FALSE;
    onCardPlaced(card, {r.left, r.top, r.right, r.bottom}, shown);
}

// A mouse message of the card window, as the tooltip control takes it in.
MSG mouseMessage(HWND hwnd, UINT msg, WPARAM wp, POINT client) {
    POINT screen = client;
    ClientToScreen(hwnd, &screen);
    return MSG{hwnd, msg, wp, MAKELPARAM(client.x, client.y), static_cast<DWORD>(GetMessageTime()), screen};
}

// A card becomes a tool of the shared tooltip control when the pointer first comes over it (or
// its tip is first asked for), not when it is made: adding a tool costs the control more the more
// tools it has, and a table of thousands would pay it for every card at start-up. The message that
// brought the pointer is passed on, since the control's watch over the window starts after it.
void becomeTool(HWND hwnd, Card& card, const MSG* first) {
    if (card.shell.tooltip || !table.cardTip) return;
    TTTOOLINFOW ti = toolOf(hwnd);
    if (!SendMessageW(toHwnd(table.cardTip), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti))) return;
    card.shell.tooltip = table.cardTip;
    if (first) SendMessageW(toHwnd(table.cardTip), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(first));
}

void onCreate(HWND hwnd, Card& card) {
    onCardCreated(card, toWindow(hwnd));
    notePlace(hwnd, card, 0);
    if (HRGN rgn = createCardRegion(table.cardWidth, table.cardHeight))
        if (!SetWindowRgn(hwnd, rgn, FALSE)) DeleteObject(rgn);
    card.shell.savedImeContext = ImmAssociateContext(hwnd, nullptr);
}

void onDestroy(HWND hwnd, Card& card) {
    onCardDestroyed(card);
    if (card.shell.tooltip && IsWindow(toHwnd(card.shell.tooltip))) {
        TTTOOLINFOW ti = toolOf(hwnd);
        SendMessageW(toHwnd(card.shell.tooltip), TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    card.shell.tooltip = nullptr;
    if (card.shell.savedImeContext) {
        ImmAssociateContext(hwnd, static_cast<HIMC>(card.shell.savedImeContext));
        card.shell.savedImeContext = nullptr;
    }
    releaseFront(card);
}

// A card is always exactly the card size, whatever a caller asks for.
void forceSize(WINDOWPOS& pos) {
    if (pos.cx != table.cardWidth) pos.cx = table.cardWidth;
    if (pos.cy != table.cardHeight) pos.cy = table.cardHeight;
}

// The region follows the size; a move that keeps the size leaves it alone.
void keepRegion(HWND hwnd, const WINDOWPOS& pos) {
    if (pos.flags & (SWP_NOSIZE | SWP_HIDEWINDOW)) return;
    GdiObject present(CreateRectRgn(0, 0, 0, 0));
    GdiObject wanted(createCardRegion(pos.cx, pos.cy));
    if (!present.get() || !wanted.get()) return;
    HRGN have = static_cast<HRGN>(present.get()), want = static_cast<HRGN>(wanted.get());
    if (GetWindowRgn(hwnd, have) != ERROR && sameRegion(have, want)) return;
    if (SetWindowRgn(hwnd, want, TRUE)) wanted.release();  // the window owns it now
}

}  // namespace

// The first dropped file; a path that does not fit a path buffer is refused, never cut short.
void onDropFiles(HWND hwnd, Card& card, HDROP drop) {
    desk::WaitCursor wait;
    UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    wchar_t path[MAX_PATH] = {};
    bool fits = length > 0 && length < MAX_PATH && DragQueryFileW(drop, 0, path, MAX_PATH) == length;
    DragFinish(drop);
    if (length == 0) return;
    if (!fits) {
        desk::warn(toWindow(hwnd), kDroppedPathTooLong);
        return;
    }
    std::wstring dropped(path, length);
    dropPicture(card, std::u16string(dropped.begin(), dropped.end()));
}

a11y::Facts cardFacts(const Card& card) {
    const std::u16string name = spokenName(card), pile = spokenPile(card);
    const SpokenState s = spokenState(card);
    a11y::Facts f;
    f.name.assign(name.begin(), name.end());
    f.description.assign(pile.begin(), pile.end());
    f.role = ROLE_SYSTEM_LISTITEM;
    f.state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_MOVEABLE;
    if (s.current) f.state |= STATE_SYSTEM_FOCUSED;
    if (s.marked) f.state |= STATE_SYSTEM_SELECTED;
    if (s.carried) f.state |= STATE_SYSTEM_PRESSED;  // held, following the pointer
    return f;
}

LRESULT CALLBACK cardWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) {
        if (allDetached) {
            // Cards are made again after all were let go (tests do): the windows of that time
            // are cut from their freed records for good before the flag goes.
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND h, LPARAM) -> BOOL {
                    wchar_t cls[8];
                    if (GetClassNameW(h, cls, 8) && !wcscmp(cls, kCardClassName)) SetWindowLongPtrW(h, GWLP_USERDATA, 0);
                    return TRUE;
                },
                0);
            allDetached = false;
        }
        auto* card = static_cast<Card*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (!card) return DefWindowProcW(hwnd, msg, wp, lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(card));
        onCreate(hwnd, *card);
        return 0;
    }
    Card* card = cardOf(hwnd);
    if (!card) return DefWindowProcW(hwnd, msg, wp, lp);
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    switch (msg) {
    case WM_DESTROY: onDestroy(hwnd, *card); return 0;
    case WM_MOVE: onCardMoved(*card); return 0;
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE) desk::raiseActivated(hwnd);
        onCardActivated(*card, LOWORD(wp));
        return 0;
    case WM_SETFOCUS: onCardFocusGained(*card, toWindow(reinterpret_cast<HWND>(wp))); return 0;
    case WM_KILLFOCUS: onCardFocusLost(*card, toWindow(reinterpret_cast<HWND>(wp))); return 0;
    case WM_PAINT: paintCard(*card); return 0;
    case WM_WINDOWPOSCHANGING:
        forceSize(*reinterpret_cast<WINDOWPOS*>(lp));
        return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_WINDOWPOSCHANGED:
        notePlace(hwnd, *card, reinterpret_cast<WINDOWPOS*>(lp)->flags);
        keepRegion(hwnd, *reinterpret_cast<WINDOWPOS*>(lp));
        return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_NOTIFY:
        if (reinterpret_cast<const NMHDR*>(lp)->code == TTN_GETDISPINFOW) answerTip(*card, *reinterpret_cast<NMTTDISPINFOW*>(lp));
        return 0;
    case WM_NCHITTEST: return HTCLIENT;
    case WM_KEYDOWN: onKeyDown(*card, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp)); return 0;
    case WM_KEYUP: onKeyUp(*card, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp)); return 0;
    case WM_TIMER: onTimer(*card, wp); return 0;
    case WM_MOUSEMOVE:
        if (!card->shell.tooltip) {
            const MSG first = mouseMessage(hwnd, msg, wp, {x, y});
            becomeTool(hwnd, *card, &first);
        }
        onMouseMove(*card, x, y);
        return 0;
    case WM_LBUTTONDOWN: onLeftPress(*card, x, y); return 0;
    case WM_LBUTTONUP: onLeftRelease(*card, x, y); return 0;
    case WM_LBUTTONDBLCLK: onLeftDoubleClick(*card, x, y); return 0;
    case WM_RBUTTONDOWN: onRightPress(*card, x, y); return 0;
    case WM_RBUTTONUP: onRightRelease(*card, x, y); return 0;
    case WM_RBUTTONDBLCLK: onRightDoubleClick(*card, x, y); return 0;
    case WM_MBUTTONDOWN: onMiddlePress(*card, x, y); return 0;
    case WM_MBUTTONUP: onMiddleRelease(*card, x, y); return 0;
    case WM_CAPTURECHANGED: onCaptureChanged(*card); return 0;
    case WM_DROPFILES: onDropFiles(hwnd, *card, reinterpret_cast<HDROP>(wp)); return 0;
    case WM_MEASUREITEM:
    case WM_DRAWITEM: return uifont::menuItemMessage(msg, lp) ? TRUE : DefWindowProcW(hwnd, msg, wp, lp);
    case WM_GETOBJECT: {
        // Looked up at each question: a reader may keep the object after the card has gone.
        bool handled = false;
        const LRESULT answer = a11y::answerGetObject(
            hwnd, wp, lp, [hwnd] { return cardOf(hwnd) ? cardFacts(*cardOf(hwnd)) : a11y::Facts{}; }, handled);
        return handled ? answer : DefWindowProcW(hwnd, msg, wp, lp);
    }
    default: return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void createCardTooltip() {
    HWND tip = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, toHwnd(table.cardParent),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    table.cardTip = toWindow(tip);
    if (!tip) return;
    uifont::fitJapanese(tip);
    desk::putTipAway(tip);
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 65535);
    SendMessageW(tip, TTM_SETDELAYTIME, TTDT_RESHOW, 0);
}

namespace {

void detachAllCardWindows() { allDetached = true; }

// The shared control shows the tip of the tool that last had a mouse message: the card is made
// that tool with a pointer move relayed for it, then the tip pops up at the pointer.
void showCardTip(desk::Window card) {
    HWND hwnd = toHwnd(card);
    HWND tip = toHwnd(table.cardTip);
    if (!tip || !IsWindow(hwnd)) return;
    if (Card* c = cardOf(hwnd)) becomeTool(hwnd, *c, nullptr);
    POINT p;
    if (!GetCursorPos(&p)) return;
    ScreenToClient(hwnd, &p);
    const MSG msg = mouseMessage(hwnd, WM_MOUSEMOVE, 0, p);
    SendMessageW(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    SendMessageW(tip, TTM_POPUP, 0, 0);
}

void holdTipControl(bool hold) {
    HWND tip = toHwnd(table.cardTip);
    if (!tip) return;
    if (hold) SendMessageW(tip, TTM_POP, 0, 0);
    SendMessageW(tip, TTM_ACTIVATE, hold ? FALSE : TRUE, 0);
}

}  // namespace
