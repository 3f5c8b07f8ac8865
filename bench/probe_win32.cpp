// Drives the real rupone.exe from outside, as a user would, beside a bare program that does the same
// window work, on the same table, in the same run:
//   probe [--runs R] [--start-only] N...
//                           for each table of N cards (the state file holds a 53-card pile to work
//                           with and the rest in heaps), R runs of each program (5 by default);
//                           prints each figure's minimum and median for the program and the bare
//                           program (the floor) and the ratios.
//   probe --bare FILE       the bare program (started by the probe): the table of FILE in plain
//                           windows, answering the probe's requests with one batch each.
//
// A request is done when the program has handled every input and message sent before it: the probe
// then invalidates the panel and waits until its update region is empty, since a window is painted
// only once its thread has no input or posted message left. Before the next request every card
// window is painted (untimed), so that no request pays for what the one before left to paint. Drawing objects are counted in the
// process's GDI handle table (Wine's GetGuiResources answers 0); windows are the process's
// top-level windows and their children.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "res/ids.h"

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

constexpr int kPile = 53;
constexpr int kPileX = 300, kPileY = 300;
constexpr int kCarrySteps = 5;

// The 53-card pile first (top first, face up), then heaps of 20 over the rest of the screen.
StateData tableOf(int n) {
    StateData d;
    d.panelX = 20;
    d.panelY = 600;
    d.soundOn = GetEnvironmentVariableW(L"PROBE_SOUND", nullptr, 0) ? 1 : 0;
    d.cards.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        StateCard& c = d.cards[static_cast<size_t>(i)];
        c.suit = i == 0 ? u'j' : u"hscd"[(i - 1) / 13 % 4];
        c.rank = i == 0 ? 0 : (i - 1) % 13 + 1;
        c.faceUp = 1;
        if (i < kPile) {
            c.x = kPileX + i / 4;
            c.y = kPileY + i / 4;
        } else {
            const int heap = (i - kPile) / 20 % 90, j = (i - kPile) % 20;
            c.x = 450 + heap % 10 * 75 + j;
            c.y = 20 + heap / 10 * 100 + j;
        }
    }
    return d;
}

size_t gdiObjects(HANDLE process) {
    if (DWORD n = GetGuiResources(process, GR_GDIOBJECTS)) return n;
    PROCESS_BASIC_INFORMATION info{};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return 0;
    const uint8_t* handles = nullptr;
    auto* peb = reinterpret_cast<const uint8_t*>(info.PebBaseAddress);
    if (!ReadProcessMemory(process, peb + 0xF8, &handles, sizeof handles, nullptr) || !handles) return 0;
    std::vector<uint8_t> table(0x10000 * 24);
    if (!ReadProcessMemory(process, handles, table.data(), table.size(), nullptr)) return 0;
    size_t live = 0;
    for (size_t i = 32; i < 0x10000; ++i) live += table[i * 24 + 14] != 0;
    return live;
}

size_t windowsOf(DWORD pid) {
    struct Count {
        DWORD pid;
        size_t n;
    } count{pid, 0};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Count*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != c->pid) return TRUE;
            ++c->n;
            EnumChildWindows(
                h, [](HWND, LPARAM q) -> BOOL { return ++*reinterpret_cast<size_t*>(q), TRUE; },
                reinterpret_cast<LPARAM>(&c->n));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
}

// Waits until the panel's thread has handled everything queued before this call.
void settle(HWND panel) {
    InvalidateRect(panel, nullptr, FALSE);
    for (int i = 0; i < 600000 && GetUpdateRect(panel, nullptr, FALSE); ++i) Sleep(1);
}

// The process's card windows of this class, top first, and how many show.
std::vector<HWND> cardsOf(DWORD pid, const wchar_t* cardClass, size_t& shown) {
    struct Look {
        DWORD pid;
        const wchar_t* cls;
        std::vector<HWND> cards;
        size_t shown;
    } look{pid, cardClass, {}, 0};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* l = reinterpret_cast<Look*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            wchar_t cls[32];
            if (owner != l->pid || !GetClassNameW(h, cls, 32) || wcscmp(cls, l->cls)) return TRUE;
            l->cards.push_back(h);
            l->shown += IsWindowVisible(h) != FALSE;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&look));
    shown = look.shown;
    return look.cards;
}

// Polls until the process shows its panel and n cards of this class; the card windows, top first.
// Both programs show the panel once the cards show, so the panel is watched (a cheap search by
// class) and the cards are counted when it shows: listing thousands of windows again and again
// would keep the server from the program being measured.
std::vector<HWND> waitVisible(DWORD pid, const wchar_t* cardClass, const wchar_t* panelClass, size_t n,
                              HWND& panel, DWORD ms) {
    const auto start = GetTickCount();
    do {
        for (HWND h = FindWindowExW(nullptr, nullptr, panelClass, nullptr); h;
             h = FindWindowExW(nullptr, h, panelClass, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            if (owner != pid || !IsWindowVisible(h)) continue;
            size_t shown = 0;
            std::vector<HWND> cards = cardsOf(pid, cardClass, shown);
            if (shown < n) break;
            panel = h;
            return cards;
        }
        Sleep(2);
    } while (GetTickCount() - start < ms);
    return {};
}

// Polls until no card window waits to be painted.
void waitPainted(const std::vector<HWND>& cards) {
    for (size_t i = 0; i < cards.size();) {
        if (GetUpdateRect(cards[i], nullptr, FALSE))
            Sleep(1);
        else
            ++i;
    }
}

using Figures = std::map<std::string, std::vector<double>>;
const char* const kOrder[] = {"start-up visible", "start-up painted", "pile lift", "carry step", "put-down",
                              "undo",             "shuffle",          "sequence",  "scatter",    "gather",
                              "close with save",  "GDI objects",      "windows"};

// A pile request of the probe to the bare program: posted to its panel.
enum BareRequest : UINT { kLift = WM_APP + 1, kCarry, kPutDown, kUndo, kShuffle, kSequence, kScatter, kGather };

struct Side {
    bool bare;
    e2e::Running run;
    HWND panel = nullptr;
    std::vector<HWND> cards;
};

void clickAt(int x, int y) {
    e2e::sendMouse(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, x, y, 0);
    e2e::sendMouse(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, x, y, 0);
}

bool startAndCloseOnly = false;  // --start-only: the pile and the commands are left out

// One run of one side on a table of n cards; every figure in milliseconds.
bool runOnce(bool bare, int n, const std::wstring& self, Figures& out) {
    Side s{bare, {}};
    const std::wstring folder = e2e::freshFolder();
    const StateData d = tableOf(n);
    if (!e2e::writeFile(folder + L"\\rupone.dat", encodeState(d))) return false;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring exe = bare ? self : folder + L"\\" RUPONE_EXE_NAME;
    std::wstring cmd = L"\"" + exe + L"\"" + (bare ? L" --bare \"" + folder + L"\\rupone.dat\"" : L"");
    const DWORD limit = static_cast<DWORD>(60000 + n * 60);
    auto t = Clock::now();
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &s.run.pi))
        return false;
    const DWORD pid = s.run.pi.dwProcessId;
    s.cards = waitVisible(pid, bare ? L"BareCard" : L"Card", bare ? L"BarePanel" : L"#32770", static_cast<size_t>(n),
                          s.panel, limit);
    if (!s.panel) {
        e2e::kill(s.run);
        return false;
    }
    out["start-up visible"].push_back(msSince(t));
    waitPainted(s.cards);
    out["start-up painted"].push_back(msSince(t));
    settle(s.panel);

    if (!startAndCloseOnly) {
        const int x = kPileX + 30, y = kPileY + 40;
        // Each request is timed until handled; what it left to paint is painted before the next starts.
        auto timed = [&](const char* name, const std::function<void()>& act) {
            auto t0 = Clock::now();
            act();
            settle(s.panel);
            out[name].push_back(msSince(t0));
            waitPainted(s.cards);
        };
        auto command = [&](int id, UINT request) {
            if (bare)
                PostMessageW(s.panel, request, 0, 0);
            else
                PostMessageW(s.panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(s.panel, id)));
        };
        e2e::movePointer(x, y);
        if (!bare) {
            clickAt(x, y);  // picked up: the double-click's first click
            settle(s.panel);
        }
        timed("pile lift", [&] { bare ? command(0, kLift) : clickAt(x, y); });
        std::vector<double> steps;
        for (int i = 1; i <= kCarrySteps; ++i) {
            auto t0 = Clock::now();
            if (bare)
                command(0, kCarry);
            else
                e2e::sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x + 7 * i, y + 7 * i, 0);
            settle(s.panel);
            steps.push_back(msSince(t0));
            waitPainted(s.cards);
        }
        std::sort(steps.begin(), steps.end());
        out["carry step"].push_back(steps[steps.size() / 2]);
        timed("put-down", [&] { bare ? command(0, kPutDown) : clickAt(x + 7 * kCarrySteps, y + 7 * kCarrySteps); });
        timed("undo", [&] { command(IDC_RP_UNDO, kUndo); });
        timed("shuffle", [&] { command(IDC_RP_SHUFFLE, kShuffle); });
        timed("sequence", [&] { command(IDC_RP_SEQUENCE, kSequence); });
        timed("scatter", [&] { command(IDC_RP_SCATTER, kScatter); });
        timed("gather", [&] { command(IDC_RP_GATHER, kGather); });
    }
    out["GDI objects"].push_back(static_cast<double>(gdiObjects(s.run.pi.hProcess)));
    out["windows"].push_back(static_cast<double>(windowsOf(pid)));
    t = Clock::now();
    PostMessageW(s.panel, WM_CLOSE, 0, 0);
    if (e2e::waitExit(s.run, limit) < 0) {
        e2e::kill(s.run);
        return false;
    }
    out["close with save"].push_back(msSince(t));
    return true;
}

double minOf(std::vector<double> v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }
double medianOf(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// ---- the bare program ----

struct Bare {
    std::vector<HWND> cards;  // top first
    std::vector<POINT> places;
    std::vector<POINT> before;
    HWND panel = nullptr;
    unsigned seed = 1;
} bare;

unsigned nextRandom() { return bare.seed = bare.seed * 1103515245u + 12345u, bare.seed >> 16; }

// One batch over the windows: each moved to its place (when given) and stacked beneath the one before
// (when restacking).
void batch(const std::vector<HWND>& windows, const std::vector<POINT>* places, bool restack) {
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(windows.size()));
    HWND above = HWND_TOP;
    for (size_t i = 0; i < windows.size() && dwp; ++i) {
        UINT flags = SWP_NOSIZE | SWP_NOACTIVATE | (places ? 0 : SWP_NOMOVE) | (restack ? 0 : SWP_NOZORDER);
        POINT p = places ? (*places)[i] : POINT{};
        dwp = DeferWindowPos(dwp, windows[i], above, p.x, p.y, 0, 0, flags);
        above = windows[i];
    }
    if (dwp) EndDeferWindowPos(dwp);
}

void currentPlaces(std::vector<POINT>& out) {
    out.resize(bare.cards.size());
    for (size_t i = 0; i < bare.cards.size(); ++i) {
        RECT r;
        GetWindowRect(bare.cards[i], &r);
        out[i] = {r.left, r.top};
    }
}

LRESULT CALLBACK barePanelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    const std::vector<HWND> pile(bare.cards.begin(), bare.cards.begin() + std::min<size_t>(kPile, bare.cards.size()));
    std::vector<POINT> places;
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case kLift: batch(pile, nullptr, true); return 0;
    case kCarry:
        currentPlaces(bare.before);
        for (size_t i = 0; i < pile.size(); ++i) places.push_back({bare.before[i].x + 7, bare.before[i].y + 7});
        batch(pile, &places, false);
        return 0;
    case kPutDown: return 0;
    case kUndo: batch(bare.cards, &bare.places, true); return 0;
    case kShuffle:
    case kSequence: {
        std::vector<HWND> order = msg == kShuffle ? pile : bare.cards;
        for (size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[nextRandom() % i]);
        batch(order, nullptr, true);
        return 0;
    }
    case kScatter:
    case kGather:
        for (size_t i = 0; i < bare.cards.size(); ++i)
            places.push_back(msg == kScatter ? POINT{static_cast<LONG>(100 + nextRandom() % 800), static_cast<LONG>(50 + nextRandom() % 600)}
                                             : POINT{static_cast<LONG>(500 + i / 40), static_cast<LONG>(400 + i / 40)});
        batch(bare.cards, &places, false);
        return 0;
    case WM_CLOSE: DestroyWindow(h); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(h, msg, wp, lp);
    }
}

LRESULT CALLBACK bareCardProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_PAINT) return DefWindowProcW(h, msg, wp, lp);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(h, &ps);
    return 0;
}

// The table of the file in plain windows: made from the bottom card up, each with the card's
// rounded shape, placed and shown in one batch; then a small panel.
int runBare(const std::wstring& file) {
    StateData d;
    std::vector<uint8_t> bytes = e2e::readFile(file);
    if (!decodeState(bytes.data(), bytes.size(), d)) return 2;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = bareCardProc;
    wc.hInstance = inst;
    wc.lpszClassName = L"BareCard";
    RegisterClassW(&wc);
    wc.style = 0;
    wc.lpfnWndProc = barePanelProc;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    wc.lpszClassName = L"BarePanel";
    RegisterClassW(&wc);
    const int w = static_cast<int>(d.cardWidth), hgt = static_cast<int>(d.cardHeight);
    bare.cards.resize(d.cards.size());
    for (size_t i = d.cards.size(); i-- > 0;) {
        bare.cards[i] = CreateWindowExW(WS_EX_ACCEPTFILES, L"BareCard", L"", WS_POPUP, 0, 0, w, hgt, nullptr, nullptr,
                                        inst, nullptr);
        SetWindowRgn(bare.cards[i], CreateRoundRectRgn(0, 0, w + 1, hgt + 1, w / 10, hgt / 10), FALSE);
    }
    for (const StateCard& c : d.cards) bare.places.push_back({c.x, c.y});
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(bare.cards.size()));
    for (size_t i = 0; i < bare.cards.size() && dwp; ++i)
        dwp = DeferWindowPos(dwp, bare.cards[i], nullptr, bare.places[i].x, bare.places[i].y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (dwp) EndDeferWindowPos(dwp);
    bare.panel = CreateWindowExW(WS_EX_TOOLWINDOW, L"BarePanel", L"", WS_POPUP | WS_VISIBLE, d.panelX, d.panelY, 200,
                                 120, nullptr, nullptr, inst, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && !wcscmp(argv[1], L"--bare")) return runBare(argv[2]);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    int runs = 5;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (!wcscmp(argv[i], L"--start-only"))
            startAndCloseOnly = true;
        else if (!wcscmp(argv[i], L"--runs") && i + 1 < argc)
            runs = std::max(1, _wtoi(argv[++i]));
        else
            sizes.push_back(std::max(kPile, _wtoi(argv[i])));
    }
    if (sizes.empty()) sizes = {53, 1000};
    std::printf("figures in ms (GDI objects and windows: counts); min / median of %d runs; ratio of minimums\n", runs);
    for (int n : sizes) {
        Figures program, floor;
        for (int r = 0; r < runs; ++r) {
            if (!runOnce(false, n, self, program)) std::printf("  %d cards: a run of rupone.exe failed\n", n);
            if (!runOnce(true, n, self, floor)) std::printf("  %d cards: a run of the bare program failed\n", n);
        }
        std::printf("%d cards%*s rupone.exe            bare program          ratio\n", n, 14 - static_cast<int>(std::to_string(n).size()), "");
        for (const char* name : kOrder) {
            const auto& p = program[name];
            const auto& b = floor[name];
            const double ratio = minOf(b) > 0 ? minOf(p) / minOf(b) : 0;
            std::printf("  %-18s %9.1f / %-9.1f %9.1f / %-9.1f %5.2f\n", name, minOf(p), medianOf(p), minOf(b), medianOf(b),
                        ratio);
        }
        std::fflush(stdout);
    }
    return 0;
}
