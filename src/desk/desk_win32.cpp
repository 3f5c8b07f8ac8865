#include "desk/windows_win32.h"
#include "desk/ui_font_win32.h"

#include <algorithm>
#include <cwchar>
#include <deque>
#include <unordered_set>
#include <memory>
#include <unordered_map>

#include "desk/desk.h"
#include "desk/restack.h"
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

namespace {
CardShell cardShell;
}  // namespace

void registerCardShell(const CardShell& shell) { cardShell = shell; }

void showTip(Window card) {
    if (cardShell.showTip) cardShell.showTip(card);
}

void holdTips(bool hold) {
    if (cardShell.holdTips) cardShell.holdTips(hold);
}

void detachAllCards() {
    if (cardShell.detachAll) cardShell.detachAll();
}

void recompose(Card& card, bool front) {
    if (cardShell.recompose) cardShell.recompose(card, front);
}

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
// from the top down, so that X reports only what really is visible. What is raised, moved and
// shown is planned in restack.cpp; here the plan is carried out.

}  // namespace desk

struct desk::BatchTag {
    std::vector<desk::BatchEntry> entries;
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
    b->entries.push_back({w, insertAfter, x, y, cx, cy, flags});
    return b;
}


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
bool resizesShown(const BatchEntry& e) {
    RECT r;
    return !(e.flags & SWP_NOSIZE) && IsWindowVisible(toHwnd(e.w)) && GetWindowRect(toHwnd(e.w), &r) &&
           (r.right - r.left != e.cx || r.bottom - r.top != e.cy);
}

// Under Wine a shown window that changes size is resized on its own, with X's reports about it
// taken in before the next: reports of parts that a later resize covers would raise the window
// over them.
bool moveInPlace(const std::vector<BatchEntry>& entries, const std::unordered_set<Window>& restacked, size_t plain) {
    if (!plain) return true;
    const bool wine = runningUnderWine();
    HDWP h = BeginDeferWindowPos(static_cast<int>(plain));
    if (!h) return false;
    for (const BatchEntry& e : entries) {
        if (!(e.flags & SWP_NOZORDER) || restacked.count(e.w)) continue;
        if (wine && resizesShown(e)) {
            if (!SetWindowPos(toHwnd(e.w), nullptr, e.x, e.y, e.cx, e.cy, e.flags)) {
                EndDeferWindowPos(h);
                return false;
            }
            settleWithX();
            continue;
        }
        h = DeferWindowPos(h, toHwnd(e.w), nullptr, e.x, e.y, e.cx, e.cy, e.flags);
        if (!h) return false;
    }
    return EndDeferWindowPos(h) != FALSE;
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

namespace {

// The top-level windows as they stand, top first, with what the plan asks of each.
std::vector<StackedWindow> stackedNow() {
    const DWORD self = GetCurrentThreadId();
    std::vector<StackedWindow> now;
    for (Window w : topLevelWindows()) {
        HWND h = toHwnd(w);
        StackedWindow s;
        s.w = w;
        s.topMost = (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        s.ours = GetWindowThreadProcessId(h, nullptr) == self;
        s.visible = IsWindowVisible(h) != FALSE;
        RECT r;
        if (GetWindowRect(h, &r)) s.rect = {r.left, r.top, r.right, r.bottom};
        now.push_back(s);
    }
    return now;
}

bool apply(const RestackMove& m, HWND after) { return SetWindowPos(toHwnd(m.w), after, m.x, m.y, m.cx, m.cy, m.flags) != FALSE; }

}  // namespace

bool endBatch(Batch b) {
    if (!b) return false;
    std::unique_ptr<BatchTag> own(b);
    const std::vector<BatchEntry>& entries = b->entries;
    std::unordered_set<Window> restacked;
    size_t plain = 0;
    for (const BatchEntry& e : entries) {
        if (e.flags & SWP_NOZORDER)
            ++plain;
        else
            restacked.insert(e.w);
    }
    if (!moveInPlace(entries, restacked, plain)) return false;
    if (restacked.empty()) return true;
    const bool wine = runningUnderWine();
    if (wine) takeDownTips();
    const RestackPlan plan = planRestack(entries, stackedNow());
    // Reports about the order as it stands must not arrive once it has changed (nothing to wait
    // for when the order stays: a wait for X costs a pass over everything it has queued).
    if (wine && !plan.raises.empty()) settleWithX();
    struct Restacking {
        Restacking() { restacking = true; }
        ~Restacking() { restacking = false; }
    } during;
    for (const RestackMove& m : plan.raises) {
        if (!apply(m, HWND_TOP)) return false;
        if (wine && IsWindowVisible(toHwnd(m.w))) settleWithX();
    }
    if (!plan.inPlace.empty()) {
        HDWP inPlace = BeginDeferWindowPos(static_cast<int>(plan.inPlace.size()));
        if (!inPlace) return false;
        for (const RestackMove& m : plan.inPlace) {
            inPlace = DeferWindowPos(inPlace, toHwnd(m.w), nullptr, m.x, m.y, m.cx, m.cy, m.flags);
            if (!inPlace) return false;
        }
        if (!EndDeferWindowPos(inPlace)) return false;
    }
    for (const RestackMove& m : plan.shows)
        if (!apply(m, nullptr)) return false;
    // What X reported visible as the windows appeared is true only until something else changes
    // the order (the panel shown over them, say): take it in now.
    if (wine && (plan.shownByMoves || !plan.shows.empty())) settleWithX();
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
    std::deque<std::wstring> kept;
    uifont::drawMenuInJapanese(popup, kept);
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

void tellAccessibility(Window w, AccessEvent e) {
    const DWORD event = e == AccessEvent::Focus ? EVENT_OBJECT_FOCUS
                        : e == AccessEvent::NameChange ? EVENT_OBJECT_NAMECHANGE
                                                       : EVENT_OBJECT_STATECHANGE;
    NotifyWinEvent(event, toHwnd(w), OBJID_CLIENT, CHILDID_SELF);
}

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
