// Drives the real rupone.exe from outside, as a user would, beside a bare program that does the same
// window work, on the same table, in the same run:
//   probe [--runs R] [--start-only | --pile-only] N...
//                           for each table of N cards (the state file holds a 53-card pile to work
//                           with and the rest in heaps), R runs of each program (5 by default);
//                           prints each figure's minimum and median for the program and the bare
//                           program (the floor) and the ratios.
//   probe --bare FILE LAYOUTS
//                           the bare program (started by the probe): the table of FILE in plain
//                           windows; request k puts its windows as LAYOUTS' k-th layout says.
//
// The bare program does the same window work as the program: after each request of a run the probe
// reads where the program's card windows and panel stand and in what stacking, and the bare program
// of that run is asked to reach each of those layouts in turn, with the fewest window operations
// that give the right stacking on screen under Wine (which passes on to X only raises to the top):
// the windows above the deepest one that must change its place among the others are raised to the
// top from the bottom up, and the remaining moves are made in one deferred batch; like the program,
// it then waits for X and takes in what X reported before it answers.
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
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "res/ids.h"

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

constexpr int kPile = e2e::kPile;
constexpr int kPileX = e2e::kPileX, kPileY = e2e::kPileY;
constexpr int kCarrySteps = 5;

StateData tableOf(int n) {
    StateData d = e2e::pileAndHeaps(n);
    d.soundOn = GetEnvironmentVariableW(L"PROBE_SOUND", nullptr, 0) ? 1 : 0;
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

// A request of the probe to the bare program, posted to its panel: reach layout wParam.
constexpr UINT kApply = WM_APP + 1;

// Where the windows of a table stand, top first: the card's place in the file (the panel: -1) and
// its left and top.
struct Placed {
    int32_t id, x, y;
};
using Layout = std::vector<Placed>;

// The layout of the program's panel and card windows, as the window list has them.
Layout layoutOf(const std::vector<HWND>& firstCards, HWND panel) {
    std::map<HWND, int32_t> ids{{panel, -1}};
    for (size_t i = 0; i < firstCards.size(); ++i) ids[firstCards[i]] = static_cast<int32_t>(i);
    Layout out;
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        auto it = ids.find(h);
        RECT r;
        if (it != ids.end() && GetWindowRect(h, &r)) out.push_back({it->second, r.left, r.top});
    }
    return out;
}

std::vector<uint8_t> encodeLayouts(const std::vector<Layout>& all) {
    std::vector<int32_t> words{static_cast<int32_t>(all.size())};
    for (const Layout& l : all) {
        words.push_back(static_cast<int32_t>(l.size()));
        for (const Placed& p : l) words.insert(words.end(), {p.id, p.x, p.y});
    }
    const auto* b = reinterpret_cast<const uint8_t*>(words.data());
    return std::vector<uint8_t>(b, b + words.size() * sizeof(int32_t));
}

std::vector<Layout> decodeLayouts(const std::vector<uint8_t>& bytes) {
    std::vector<int32_t> w(bytes.size() / sizeof(int32_t));
    std::memcpy(w.data(), bytes.data(), w.size() * sizeof(int32_t));
    std::vector<Layout> all;
    size_t at = 0;
    const auto next = [&] { return at < w.size() ? w[at++] : 0; };
    for (int32_t n = next(); n > 0; --n) {
        Layout l(static_cast<size_t>(std::max(0, next())));
        for (Placed& p : l) p.id = next(), p.x = next(), p.y = next();
        all.push_back(std::move(l));
    }
    return all;
}

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
bool pileOnly = false;           // --pile-only: the commands are left out

// One run of one side on a table of n cards; every figure in milliseconds.
// The program's run records the layout after each request; the bare program's run replays them.
bool runOnce(bool bare, int n, const std::wstring& self, Figures& out, std::vector<Layout>& layouts) {
    Side s{bare, {}};
    const std::wstring folder = e2e::freshFolder();
    const StateData d = tableOf(n);
    if (!e2e::writeFile(folder + L"\\rupone.dat", encodeState(d))) return false;
    if (bare && !e2e::writeFile(folder + L"\\layouts.bin", encodeLayouts(layouts))) return false;
    if (!bare) layouts.clear();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring exe = bare ? self : folder + L"\\" RUPONE_EXE_NAME;
    std::wstring cmd = L"\"" + exe + L"\"" + (bare ? L" --bare \"" + folder + L"\\rupone.dat\" \"" + folder + L"\\layouts.bin\"" : L"");
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
        const std::vector<HWND> firstCards = s.cards;
        // A request of the program is the user's input or a panel command; the bare program's is the
        // next layout. Either is timed until handled; what it left to paint is painted before the next.
        WPARAM next = 0;
        auto request = [&](const std::function<void()>& act) {
            if (bare)
                PostMessageW(s.panel, kApply, next++, 0);
            else
                act();
            settle(s.panel);
        };
        auto recorded = [&] {
            if (!bare) layouts.push_back(layoutOf(firstCards, s.panel));
            waitPainted(s.cards);
        };
        auto timed = [&](const char* name, const std::function<void()>& act) {
            auto t0 = Clock::now();
            request(act);
            out[name].push_back(msSince(t0));
            recorded();
        };
        auto command = [&](int id) {
            PostMessageW(s.panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(s.panel, id)));
        };
        e2e::movePointer(x, y);
        // The double-click's first click picks up the pile's top card (file place 0), which comes to
        // the top (untimed); the layout it makes is that card taken to the top, since reading the
        // windows would delay the second click past the double-click time on a large table.
        if (!bare) {
            Layout picked = layoutOf(firstCards, s.panel);
            auto top = std::find_if(picked.begin(), picked.end(), [](const Placed& p) { return p.id == 0; });
            if (top != picked.end()) std::rotate(picked.begin(), top, top + 1);
            layouts.push_back(picked);
        }
        request([&] { clickAt(x, y); });
        timed("pile lift", [&] { clickAt(x, y); });
        std::vector<double> steps;
        for (int i = 1; i <= kCarrySteps; ++i) {
            auto t0 = Clock::now();
            request([&] { e2e::sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x + 7 * i, y + 7 * i, 0); });
            steps.push_back(msSince(t0));
            recorded();
        }
        std::sort(steps.begin(), steps.end());
        out["carry step"].push_back(steps[steps.size() / 2]);
        timed("put-down", [&] { clickAt(x + 7 * kCarrySteps, y + 7 * kCarrySteps); });
        if (!pileOnly) {
            timed("undo", [&] { command(IDC_RP_UNDO); });
            timed("shuffle", [&] { command(IDC_RP_SHUFFLE); });
            timed("sequence", [&] { command(IDC_RP_SEQUENCE); });
            timed("scatter", [&] { command(IDC_RP_SCATTER); });
            timed("gather", [&] { command(IDC_RP_GATHER); });
        }
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
    std::vector<HWND> cards;  // in the file's order
    HWND panel = nullptr;
    std::vector<int32_t> stack;  // the ids of the windows, top first (the panel: -1)
    std::vector<Layout> layouts;
} bare;

HWND bareWindow(int32_t id) { return id < 0 ? bare.panel : bare.cards[static_cast<size_t>(id)]; }

// Reaches the layout: raises the fewest top windows of the layout beneath which the others keep
// their order, from the bottom up (each moved on the way when it moves), then moves the rest in
// one deferred batch.
void apply(const Layout& want) {
    std::map<int32_t, size_t> at;
    for (size_t i = 0; i < bare.stack.size(); ++i) at[bare.stack[i]] = i;
    size_t k = want.size();
    while (k > 0 && at.count(want[k - 1].id) &&
           (k == want.size() || at[want[k - 1].id] < at[want[k].id]))
        --k;
    const auto moves = [](const Placed& p) {
        RECT r;
        return GetWindowRect(bareWindow(p.id), &r) && (r.left != p.x || r.top != p.y);
    };
    for (size_t i = k; i-- > 0;) {
        const Placed& p = want[i];
        SetWindowPos(bareWindow(p.id), HWND_TOP, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE | (moves(p) ? 0 : SWP_NOMOVE));
    }
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(want.size()));
    for (size_t i = k; i < want.size() && dwp; ++i) {
        const Placed& p = want[i];
        if (moves(p))
            dwp = DeferWindowPos(dwp, bareWindow(p.id), nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (dwp) EndDeferWindowPos(dwp);
    bare.stack.clear();
    for (const Placed& p : want) bare.stack.push_back(p.id);
    // The work is done when X has made it and what X reported back is taken in (the exposed parts
    // that Wine turns into its own order and repaints), as the program does before it answers;
    // otherwise that work would fall after the clock stops. Paints are left for later in both.
    if (HDC screen = GetDC(nullptr)) {
        GetPixel(screen, 0, 0);
        ReleaseDC(nullptr, screen);
    }
    MsgWaitForMultipleObjectsEx(0, nullptr, 0, QS_ALLINPUT, 0);
}

LRESULT CALLBACK barePanelProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case kApply:
        if (wp < bare.layouts.size()) apply(bare.layouts[wp]);
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
int runBare(const std::wstring& file, const std::wstring& layouts) {
    StateData d;
    bare.layouts = decodeLayouts(e2e::readFile(layouts));
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
    HDWP dwp = BeginDeferWindowPos(static_cast<int>(bare.cards.size()));
    for (size_t i = 0; i < bare.cards.size() && dwp; ++i)
        dwp = DeferWindowPos(dwp, bare.cards[i], nullptr, d.cards[i].x, d.cards[i].y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    if (dwp) EndDeferWindowPos(dwp);
    bare.panel = CreateWindowExW(WS_EX_TOOLWINDOW, L"BarePanel", L"", WS_POPUP | WS_VISIBLE, d.panelX, d.panelY, 200,
                                 120, nullptr, nullptr, inst, nullptr);
    bare.stack.push_back(-1);
    for (size_t i = 0; i < bare.cards.size(); ++i) bare.stack.push_back(static_cast<int32_t>(i));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && !wcscmp(argv[1], L"--bare")) return runBare(argv[2], argv[3]);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    int runs = 5;
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) {
        if (!wcscmp(argv[i], L"--start-only"))
            startAndCloseOnly = true;
        else if (!wcscmp(argv[i], L"--pile-only"))
            pileOnly = true;
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
            std::vector<Layout> layouts;
            if (!runOnce(false, n, self, program, layouts)) std::printf("  %d cards: a run of rupone.exe failed\n", n);
            if (!runOnce(true, n, self, floor, layouts)) std::printf("  %d cards: a run of the bare program failed\n", n);
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
