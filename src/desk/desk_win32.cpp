#include "desk/windows_win32.h"

#include <algorithm>
#include <cwchar>
#include <list>
#include <memory>
#include <unordered_map>

#include "desk/desk.h"
#include "desk/winconst.h"

#define WINCONST(name, value) static_assert((name) == (value), #name);
#include "desk/winconst.inc"
#undef WINCONST

namespace desk {

Window const kBottom = toWindow(HWND_BOTTOM);

std::vector<Window> topLevelWindows() {
    std::vector<Window> all;
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<Window>*>(lp)->push_back(toWindow(h));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

ThreadId currentThread() { return GetCurrentThreadId(); }
ThreadId windowThread(Window w) { return GetWindowThreadProcessId(toHwnd(w), nullptr); }

// The title as the window system keeps it: GetWindowText would send each window of this thread a
// message, which under Wine costs about a tenth of a millisecond per window.
size_t windowText(Window w, char16_t* buf, size_t cap) {
    if (cap == 0) return 0;
    int n = InternalGetWindowText(toHwnd(w), reinterpret_cast<wchar_t*>(buf), static_cast<int>(cap));
    buf[n > 0 ? n : 0] = 0;
    return n > 0 ? static_cast<size_t>(n) : 0;
}

size_t className(Window w, char16_t* buf, size_t cap) {
    if (cap == 0) return 0;
    int n = GetClassNameW(toHwnd(w), reinterpret_cast<wchar_t*>(buf), static_cast<int>(cap));
    buf[n > 0 ? n : 0] = 0;
    return n > 0 ? static_cast<size_t>(n) : 0;
}

bool windowRect(Window w, Rect& out) {
    RECT r;
    if (!GetWindowRect(toHwnd(w), &r)) return false;
    out = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool isVisible(Window w) { return IsWindowVisible(toHwnd(w)) != FALSE; }
bool isAlive(Window w) { return w && IsWindow(toHwnd(w)) != FALSE; }

Window createCardWindow(Card* card, int32_t x, int32_t y, int32_t width, int32_t height, Window owner) {
    HWND h = CreateWindowExW(WS_EX_ACCEPTFILES, L"Card", L"カード", WS_POPUP, x, y, width, height, toHwnd(owner),
                             nullptr, GetModuleHandleW(nullptr), card);
    return toWindow(h);
}

void detachCard(Window w) { SetWindowLongPtrW(toHwnd(w), GWLP_USERDATA, 0); }
void closeWindow(Window w) { DestroyWindow(toHwnd(w)); }
void showWindow(Window w) {
    SetWindowPos(toHwnd(w), nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A batch is collected here and applied at its end. Moves that keep the stacking go through one
// DeferWindowPos batch. Restacks are carried out by raising windows to the top, bottom-most first:
// Wine tells the X server about a change of stacking only when a window becomes the top-most one,
// so "insert below" would leave the screen and the clicks disagreeing with the window list.
// Wine also raises a window over whatever covers a part of it that X reports as newly visible; a
// report that arrives after later raises would undo them, so under Wine each raise of a visible
// window waits for X's answer, and windows to be shown are raised while hidden and then shown
// from the top down, so that X reports only what really is visible.
struct Entry {
    HWND hwnd;
    HWND after;
    int32_t x, y, cx, cy;
    UINT flags;
};

}  // namespace desk

struct desk::BatchTag {
    std::vector<Entry> entries;
};

namespace desk {

Batch beginBatch(int count) {
    auto* b = new (std::nothrow) BatchTag();
    if (!b) return nullptr;
    try {
        b->entries.reserve(static_cast<size_t>(std::max(count, 0)));
    } catch (const std::bad_alloc&) {
        delete b;
        return nullptr;
    }
    return b;
}

Batch defer(Batch b, Window w, Window insertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy, uint32_t flags) {
    if (!b) return nullptr;
    if (!IsWindow(toHwnd(w))) {
        delete b;
        return nullptr;
    }
    b->entries.push_back({toHwnd(w), toHwnd(insertAfter), x, y, cx, cy, flags});
    return b;
}

namespace {

// The z-order of the top-level windows once the batch's restacks are applied, top first.
std::list<HWND> stackedOrder(const std::vector<HWND>& now, const std::vector<Entry>& entries) {
    std::list<HWND> order(now.begin(), now.end());
    std::unordered_map<HWND, std::list<HWND>::iterator> where;
    for (auto it = order.begin(); it != order.end(); ++it) where[*it] = it;
    for (const Entry& e : entries) {
        if (e.flags & SWP_NOZORDER) continue;
        auto self = where.find(e.hwnd);
        if (self != where.end()) order.erase(self->second);
        // The top of a window that is not top-most is beneath the top-most windows (tooltips).
        std::list<HWND>::iterator at = order.begin();
        if (!(GetWindowLongW(e.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
            while (at != order.end() && (GetWindowLongW(*at, GWL_EXSTYLE) & WS_EX_TOPMOST)) ++at;
        if (e.after == HWND_BOTTOM) {
            at = order.end();
        } else if (e.after != HWND_TOP && e.after != HWND_TOPMOST && e.after != HWND_NOTOPMOST) {
            auto anchor = where.find(e.after);
            if (anchor != where.end() && anchor->first != e.hwnd) at = std::next(anchor->second);
        }
        where[e.hwnd] = order.insert(at, e.hwnd);
    }
    return order;
}

}  // namespace

bool runningUnderWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

namespace {

// Lets the X server answer everything asked so far (reading a screen pixel is a round trip) and
// takes in what it reported. Wine raises a window over whatever covers a part that X reported as
// exposed, so such reports must be taken in while they are still true. A zero wait does that even
// with messages queued, where peeking would return at once and leave the reports for later.
void settleWithX() {
    if (HDC screen = GetDC(nullptr)) {
        GetPixel(screen, 0, 0);
        ReleaseDC(nullptr, screen);
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
}

// Whether the entry gives a shown window another size.
bool resizesShown(const Entry& e) {
    RECT r;
    return !(e.flags & SWP_NOSIZE) && IsWindowVisible(e.hwnd) && GetWindowRect(e.hwnd, &r) &&
           (r.right - r.left != e.cx || r.bottom - r.top != e.cy);
}

// Under Wine a shown window that changes size is resized on its own, with X's reports about it
// taken in before the next: reports of parts that a later resize covers would raise the window
// over them.
bool moveInPlace(const std::vector<Entry>& entries, const std::unordered_map<HWND, const Entry*>& restacked,
                 size_t plain) {
    if (!plain) return true;
    const bool wine = runningUnderWine();
    HDWP h = BeginDeferWindowPos(static_cast<int>(plain));
    if (!h) return false;
    for (const Entry& e : entries) {
        if (!(e.flags & SWP_NOZORDER) || restacked.count(e.hwnd)) continue;
        if (wine && resizesShown(e)) {
            if (!SetWindowPos(e.hwnd, nullptr, e.x, e.y, e.cx, e.cy, e.flags)) {
                EndDeferWindowPos(h);
                return false;
            }
            settleWithX();
            continue;
        }
        h = DeferWindowPos(h, e.hwnd, nullptr, e.x, e.y, e.cx, e.cy, e.flags);
        if (!h) return false;
    }
    return EndDeferWindowPos(h) != FALSE;
}

// Whether a move asks for nothing that is not so already (no activation, no change of place, size
// or visibility).
bool alreadyThere(const Entry& e, UINT flags) {
    if (!(flags & SWP_NOACTIVATE) || (flags & SWP_HIDEWINDOW)) return false;
    if ((flags & SWP_SHOWWINDOW) && !IsWindowVisible(e.hwnd)) return false;
    RECT r;
    if (!GetWindowRect(e.hwnd, &r)) return false;
    if (!(flags & SWP_NOMOVE) && (r.left != e.x || r.top != e.y)) return false;
    return (flags & SWP_NOSIZE) || (r.right - r.left == e.cx && r.bottom - r.top == e.cy);
}

// While a batch restacks, the batch alone decides where an activated window goes.
bool restacking = false;

// Under Wine a window raised or shown reaches the top on screen only when no shown window stands
// above it in the window list; a tooltip of ours is top-most, so while one is up (the pointer
// resting on a card) no restack would reach the screen. Such tips are taken down first: over a
// restacked table they would be stale anyway; then they are put away.
void takeDownTips() {
    const DWORD self = GetCurrentThreadId();
    std::vector<HWND> tips;
    for (HWND h = GetTopWindow(nullptr); h && (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
         h = GetWindow(h, GW_HWNDNEXT)) {
        wchar_t cls[32];
        if (GetWindowThreadProcessId(h, nullptr) == self && GetClassNameW(h, cls, 32) && !wcscmp(cls, TOOLTIPS_CLASSW))
            tips.push_back(h);
    }
    for (HWND h : tips) {
        if (IsWindowVisible(h)) SendMessageW(h, TTM_POP, 0, 0);
        // A tip shown other than for a tool is not taken down by the control itself.
        if (IsWindowVisible(h))
            SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        putTipAway(h);
    }
}

}  // namespace

void putTipAway(HWND tip) {
    if (tip && !IsWindowVisible(tip)) SetWindowPos(tip, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

namespace {
bool raisesHeld = false;
}

int messageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
    HWND before = GetActiveWindow();
    const bool held = raisesHeld;
    raisesHeld = true;
    int answer = MessageBoxW(owner, text, caption, flags);
    if (runningUnderWine()) settleWithX();  // what X did with its focus is taken in while held
    if (before && IsWindow(before) && GetActiveWindow() != before) SetForegroundWindow(before);
    raisesHeld = held;
    return answer;
}

void raiseActivated(HWND h) {
    if (!runningUnderWine() || restacking || raisesHeld || !IsWindowVisible(h)) return;
    takeDownTips();
    settleWithX();
    SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    settleWithX();
}

bool endBatch(Batch b) {
    if (!b) return false;
    std::unique_ptr<BatchTag> own(b);
    const std::vector<Entry>& entries = b->entries;
    std::unordered_map<HWND, const Entry*> restacked;
    size_t plain = 0;
    for (const Entry& e : entries) {
        if (e.flags & SWP_NOZORDER)
            ++plain;
        else
            restacked[e.hwnd] = &e;
    }
    if (!moveInPlace(entries, restacked, plain)) return false;
    if (restacked.empty()) return true;
    if (runningUnderWine()) takeDownTips();

    std::vector<HWND> now;
    for (Window w : topLevelWindows()) now.push_back(toHwnd(w));
    std::list<HWND> target = stackedOrder(now, entries);
    // Only the fewest top windows of the target order are raised: those beneath them that keep
    // their order among themselves are only moved and shown (each raise costs Wine a pass over
    // all windows, so raising a whole table that is already in order was quadratic; and a pile
    // brought up beneath a card need not raise the panel it passes).
    std::unordered_map<HWND, size_t> was, place;
    for (size_t i = 0; i < now.size(); ++i) was.emplace(now[i], i);
    size_t depth = target.size(), i = 0;
    size_t under = now.size();
    for (auto t = target.rbegin(); t != target.rend(); ++t, --depth) {
        auto w = was.find(*t);
        if (w == was.end() || w->second >= under) break;
        under = w->second;
    }
    for (auto t = target.begin(); t != target.end(); ++t, ++i) place.emplace(*t, i);
    // As in a deferred batch, the last request to activate is the one that holds; only that one is
    // made, since the others would each make a new current card and refresh the marks for nothing.
    HWND activated = nullptr;
    for (const Entry& e : entries) {
        if ((e.flags & (SWP_NOZORDER | SWP_NOACTIVATE)) || restacked.at(e.hwnd) != &e) continue;
        if (!((e.flags & SWP_SHOWWINDOW) && !IsWindowVisible(e.hwnd))) activated = e.hwnd;
    }
    // Under Wine a window activated where it stands is not raised on screen: it is raised too.
    if (activated) depth = std::max(depth, place.at(activated) + 1);
    std::vector<HWND> raise(target.begin(), std::next(target.begin(), static_cast<std::ptrdiff_t>(depth)));

    const bool wine = runningUnderWine();
    const DWORD self = GetCurrentThreadId();
    // Reports about the order as it stands must not arrive once it has changed (nothing to wait
    // for when the order stays: a wait for X costs a pass over everything it has queued).
    if (wine && !raise.empty()) settleWithX();
    struct Restacking {
        Restacking() { restacking = true; }
        ~Restacking() { restacking = false; }
    } during;
    std::vector<const Entry*> toShow;
    for (auto it = raise.rbegin(); it != raise.rend(); ++it) {
        HWND h = *it;
        auto e = restacked.find(h);
        UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        int x = 0, y = 0, cx = 0, cy = 0;
        if (e == restacked.end()) {
            // Top-most windows stay above the others without being raised.
            if (GetWindowThreadProcessId(h, nullptr) != self || (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST))
                continue;
        } else {
            const Entry& en = *e->second;
            x = en.x, y = en.y, cx = en.cx, cy = en.cy;
            flags = (en.flags & ~static_cast<UINT>(SWP_NOZORDER | SWP_SHOWWINDOW)) | SWP_NOACTIVATE;
            if ((en.flags & SWP_SHOWWINDOW) && !IsWindowVisible(h)) {
                toShow.push_back(&en);
            } else if (en.flags & SWP_SHOWWINDOW) {
                flags |= SWP_SHOWWINDOW;
            }
            if (h == activated) flags &= ~static_cast<UINT>(SWP_NOACTIVATE);
        }
        if (!SetWindowPos(h, HWND_TOP, x, y, cx, cy, flags)) return false;
        if (wine && IsWindowVisible(h)) settleWithX();
    }
    // The windows already in their place are moved in one deferred batch, in the batch's order;
    // a window that is already where and as the entry wants it is left alone. When no raised
    // window waits to be shown and the batch lists the ones to show from the top down, each is
    // shown by its move (laying a table then costs one window-system call a card, not two).
    const auto inPlaceEntry = [&](const Entry& en) {
        return !(en.flags & SWP_NOZORDER) && restacked.at(en.hwnd) == &en && place.at(en.hwnd) >= depth;
    };
    const auto appears = [](const Entry& en) { return (en.flags & SWP_SHOWWINDOW) && !IsWindowVisible(en.hwnd); };
    bool showByMoves = toShow.empty(), shownByMoves = false;
    size_t lastShown = 0;
    for (const Entry& en : entries) {
        if (!showByMoves) break;
        if (!inPlaceEntry(en) || !appears(en)) continue;
        showByMoves = place.at(en.hwnd) >= lastShown;
        lastShown = place.at(en.hwnd);
    }
    HDWP inPlace = BeginDeferWindowPos(static_cast<int>(restacked.size()));
    if (!inPlace) return false;
    for (const Entry& en : entries) {
        if (!inPlaceEntry(en)) continue;
        UINT flags = (en.flags & ~static_cast<UINT>(SWP_SHOWWINDOW)) | SWP_NOZORDER | SWP_NOACTIVATE;
        if (appears(en) && showByMoves) {
            flags |= SWP_SHOWWINDOW;
            if (!(en.flags & SWP_NOACTIVATE)) flags &= ~static_cast<UINT>(SWP_NOACTIVATE);
            shownByMoves = true;
        } else if (appears(en)) {
            toShow.push_back(&en);
        } else if (en.flags & SWP_SHOWWINDOW) {
            flags |= SWP_SHOWWINDOW;
        }
        if (en.hwnd == activated) flags &= ~static_cast<UINT>(SWP_NOACTIVATE);
        if (alreadyThere(en, flags)) continue;
        inPlace = DeferWindowPos(inPlace, en.hwnd, nullptr, en.x, en.y, en.cx, en.cy, flags);
        if (!inPlace) return false;
    }
    if (!EndDeferWindowPos(inPlace)) return false;
    // Shown from the top down, so that X reports only what really is visible.
    std::sort(toShow.begin(), toShow.end(), [&](const Entry* p, const Entry* q) { return place.at(p->hwnd) > place.at(q->hwnd); });
    for (auto it = toShow.rbegin(); it != toShow.rend(); ++it) {
        UINT flags = SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | ((*it)->flags & SWP_NOACTIVATE);
        if (!SetWindowPos((*it)->hwnd, nullptr, 0, 0, 0, 0, flags)) return false;
    }
    // What X reported visible as the windows appeared is true only until something else changes
    // the order (the panel shown over them, say): take it in now.
    if (wine && (shownByMoves || !toShow.empty())) settleWithX();
    return true;
}

void activate(Window w) { SetActiveWindow(toHwnd(w)); }
void setForeground(Window w) { SetForegroundWindow(toHwnd(w)); }
void setFocus(Window w) { SetFocus(toHwnd(w)); }
Window focus() { return toWindow(GetFocus()); }
void setCapture(Window w) { SetCapture(toHwnd(w)); }
void releaseCapture() { ReleaseCapture(); }
Window capture() { return toWindow(GetCapture()); }

Point messagePos() {
    DWORD p = GetMessagePos();
    return {GET_X_LPARAM(p), GET_Y_LPARAM(p)};
}

bool movesReachCapture() { return !runningUnderWine(); }

bool cursorPos(Point& out) {
    POINT p;
    if (!GetCursorPos(&p)) return false;
    out = {p.x, p.y};
    return true;
}

void setTimer(Window w, uintptr_t id, uint32_t ms) { SetTimer(toHwnd(w), id, ms, nullptr); }
void killTimer(Window w, uintptr_t id) { KillTimer(toHwnd(w), id); }
uint32_t doubleClickTime() { return GetDoubleClickTime(); }
Point dragSize() { return {GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG)}; }

void setCursorResource(int id) {
    if (HCURSOR c = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id))) SetCursor(c);
}

void* showWaitCursor() { return SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
void restoreCursor(void* previous) { SetCursor(static_cast<HCURSOR>(previous)); }
bool keyDown(uint32_t vk) { return (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000) != 0; }

bool workAreaNear(Window w, Rect& out) {
    HMONITOR m = MonitorFromWindow(toHwnd(w), MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!m || !GetMonitorInfoW(m, &info)) return false;
    out = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    return true;
}

bool meetsWorkArea(const Rect& r) {
    RECT rect{r.left, r.top, r.right, r.bottom}, common;
    HMONITOR m = MonitorFromRect(&rect, MONITOR_DEFAULTTONULL);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    return m && GetMonitorInfoW(m, &info) && IntersectRect(&common, &rect, &info.rcWork);
}

uint32_t displayDpi(Window w) {
    // GetDpiForWindow is looked up: systems before Windows 10 lack it and have one DPI for all.
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<ForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = w && forWindow ? forWindow(toHwnd(w)) : 0;
    if (!dpi) {
        if (HDC screen = GetDC(nullptr)) {
            dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
            ReleaseDC(nullptr, screen);
        }
    }
    return dpi ? dpi : 96;
}

int popupMenu(Window owner, int menuResource, const std::vector<std::pair<int, std::u16string>>& texts) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(menuResource));
    if (!menu) return -1;
    HMENU popup = GetSubMenu(menu, 0);
    for (const auto& t : texts) {
        std::wstring text(t.second.begin(), t.second.end());
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING;
        item.dwTypeData = text.data();
        SetMenuItemInfoW(popup, static_cast<UINT>(t.first), FALSE, &item);
    }
    RECT r{};
    GetWindowRect(toHwnd(owner), &r);
    TPMPARAMS clear{sizeof clear, r};
    int chosen = popup ? TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom + 1,
                                          toHwnd(owner), &clear)
                       : 0;
    DestroyMenu(menu);
    return chosen;
}

void holdLogOff(Window w, const std::u16string& reason) {
    if (reason.empty()) {
        ShutdownBlockReasonDestroy(toHwnd(w));
        return;
    }
    std::wstring text(reason.begin(), reason.end());
    ShutdownBlockReasonCreate(toHwnd(w), text.c_str());
}

void warn(Window owner, const std::u16string& text) {
    std::wstring w(text.begin(), text.end());
    messageBox(toHwnd(owner), w.c_str(), L"ルポネ", MB_OK | MB_ICONWARNING);
}

void playSound(int resourceId) {
    PlaySoundW(MAKEINTRESOURCEW(resourceId), GetModuleHandleW(nullptr), SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
}

void invalidate(Window w) { InvalidateRect(toHwnd(w), nullptr, FALSE); }

uint32_t tickCount() { return GetTickCount(); }

namespace {
HWND progressWindow = nullptr;
}

void showProgress(const std::u16string& text) {
    if (!progressWindow) {
        RECT wa{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &wa, 0);
        const UINT dpi = GetDpiForSystem();
        const int w = MulDiv(360, static_cast<int>(dpi), 96), h = MulDiv(48, static_cast<int>(dpi), 96);
        progressWindow = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"Static", nullptr,
                                         WS_POPUP | WS_BORDER | SS_CENTER | SS_CENTERIMAGE, (wa.left + wa.right - w) / 2,
                                         (wa.top + wa.bottom - h) / 2, w, h, nullptr, nullptr, GetModuleHandleW(nullptr),
                                         nullptr);
        if (!progressWindow) return;
        SendMessageW(progressWindow, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        ShowWindow(progressWindow, SW_SHOWNOACTIVATE);
    }
    SetWindowTextW(progressWindow, reinterpret_cast<const wchar_t*>(text.c_str()));
    UpdateWindow(progressWindow);
    // No message is handled while the work goes on: let the window system put the text on screen.
    MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
}

void endProgress() {
    if (progressWindow) DestroyWindow(progressWindow);
    progressWindow = nullptr;
}

void enableControl(Window dialog, int id, bool enabled) {
    if (HWND c = GetDlgItem(toHwnd(dialog), id)) EnableWindow(c, enabled ? TRUE : FALSE);
}

bool isControlEnabled(Window dialog, int id) {
    HWND c = GetDlgItem(toHwnd(dialog), id);
    return c && IsWindowEnabled(c);
}

void setCheck(Window dialog, int id, bool checked) {
    CheckDlgButton(toHwnd(dialog), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void moveWindow(Window w, int32_t x, int32_t y) {
    SetWindowPos(toHwnd(w), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace desk
