// Plays the real program with random mouse gestures, as a restless user would, and watches it.
//   soak SECONDS        gestures on cards and panel for that long: the program must stay alive,
//                       answer within a second, keep its windows and drawing objects flat, and
//                       save a table that decodes with the cards it shows
//   soak kill TRIALS    plays for a random while, kills the program at a random moment, and
//                       checks that the table read at the next start is whole and no older than
//                       the last change made three seconds or more before the kill
// Prints one line per minute (or trial) and ends with "N passed, M failed".
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "deck/state_file.h"
#include "e2e/driver.h"
#include "res/ids.h"

namespace {

std::mt19937 rng(20261207);
int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

void send(DWORD flags, int x = 0, int y = 0) { e2e::sendMouse(flags, x, y, 30); }
void moveTo(POINT p) { send(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, p.x, p.y); }
void glide(POINT from, POINT to) {
    for (int i = 1; i <= 6; ++i) moveTo({from.x + (to.x - from.x) * i / 6, from.y + (to.y - from.y) * i / 6});
}
void click(DWORD down, DWORD up) {
    send(down);
    send(up);
}
void leftClick() { click(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

// Live drawing objects of another process: its GDI handle table, read from outside (Wine's
// GetGuiResources answers 0). -1 when it cannot be read.
long gdiObjects(HANDLE process) {
    using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    static auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    if (DWORD n = GetGuiResources(process, GR_GDIOBJECTS)) return static_cast<long>(n);
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return -1;
    UINT64 table = 0;
    if (!ReadProcessMemory(process, static_cast<const BYTE*>(static_cast<void*>(info.PebBaseAddress)) + 0xF8,
                           &table, sizeof table, nullptr) || !table)
        return -1;
    std::vector<BYTE> entries(0x10000 * 24);
    if (!ReadProcessMemory(process, reinterpret_cast<void*>(table), entries.data(), entries.size(), nullptr)) return -1;
    long live = 0;
    for (size_t i = 32; i < 0x10000; ++i) live += entries[i * 24 + 14] != 0;
    return live;
}

struct Process {
    DWORD pid;
    HANDLE handle;
};

// The process's top-level windows by class name.
std::map<std::string, long> windowsOf(DWORD pid) {
    struct Count {
        DWORD pid;
        std::map<std::string, long> byClass;
    } c{pid, {}};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* count = reinterpret_cast<Count*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            char cls[64] = "";
            if (owner == count->pid && GetClassNameA(h, cls, sizeof cls)) ++count->byClass[cls];
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&c));
    return c.byClass;
}

long total(const std::map<std::string, long>& byClass) {
    long n = 0;
    for (const auto& k : byClass) n += k.second;
    return n;
}

// "+1 tooltips_class32": what a later count has more or fewer of.
std::string difference(const std::map<std::string, long>& before, const std::map<std::string, long>& after) {
    std::map<std::string, long> d;
    for (const auto& k : after) d[k.first] += k.second;
    for (const auto& k : before) d[k.first] -= k.second;
    std::string text;
    for (const auto& k : d)
        if (k.second) text += (k.second > 0 ? " +" : " ") + std::to_string(k.second) + " " + k.first;
    return text;
}

// How long the panel takes to answer, in ms; -1 when it does not answer within a second.
long answerTime(HWND panel) {
    DWORD start = GetTickCount();
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) return -1;
    return static_cast<long>(GetTickCount() - start);
}

POINT centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
// A random point that is not on the panel: a click meant for the table must never reach the
// panel's other buttons (settings, take-out, help) or its close button.
POINT somewhere(HWND panel) {
    RECT r{};
    GetWindowRect(panel, &r);
    InflateRect(&r, 10, 10);
    POINT p;
    do p = {pick(40, 1200), pick(40, 950)};
    while (PtInRect(&r, p));
    return p;
}

// One random gesture; true when it changed the table (a put-down or a command).
bool gesture(DWORD pid) {
    std::vector<e2e::CardWindow> cards = e2e::cards(pid);
    HWND panel = e2e::panel(pid);
    if (cards.empty() || !panel) return false;
    // Only the top card's centre is sure to be its own; lower ones are clicked where they show.
    const e2e::CardWindow& card = cards[static_cast<size_t>(pick(0, std::min<int>(4, static_cast<int>(cards.size()) - 1)))];
    POINT at = centre(card.rect);
    if (WindowFromPoint(at) != card.hwnd) at = centre(cards[0].rect);
    if (WindowFromPoint(at) != cards[0].hwnd && WindowFromPoint(at) != card.hwnd) return false;  // under the panel
    switch (pick(0, 9)) {
    case 0:
    case 1:
    case 2: {  // pick up, carry, put down
        moveTo(at);
        leftClick();
        POINT to = somewhere(panel);
        glide(at, to);
        leftClick();
        return true;
    }
    case 3:  // turn over
        moveTo(at);
        click(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        return true;
    case 4: {  // lift the pile and put it down elsewhere
        moveTo(at);
        leftClick();
        leftClick();
        POINT to = somewhere(panel);
        glide(at, to);
        leftClick();
        return true;
    }
    case 5: {  // drag a trail and put it down
        moveTo(at);
        send(MOUSEEVENTF_LEFTDOWN);
        glide(at, somewhere(panel));
        send(MOUSEEVENTF_LEFTUP);
        glide(at, somewhere(panel));
        leftClick();
        return true;
    }
    default: {  // a panel button
        static const int buttons[] = {IDC_RP_SEQUENCE, IDC_RP_SHUFFLE, IDC_RP_GATHER, IDC_RP_SCATTER, IDC_RP_FACEUP,
                                      IDC_RP_FACEDOWN, IDC_RP_UNDO,     IDC_RP_REDO};
        HWND button = GetDlgItem(panel, buttons[pick(0, 7)]);
        RECT r;
        if (!button || !IsWindowEnabled(button) || !GetWindowRect(button, &r)) return false;
        moveTo(centre(r));
        leftClick();
        return true;
    }
    }
}

struct Table {
    std::vector<POINT> places;  // every card's place, sorted
};

Table seen(DWORD pid) {
    Table t;
    for (const e2e::CardWindow& c : e2e::cards(pid)) t.places.push_back({c.rect.left, c.rect.top});
    std::sort(t.places.begin(), t.places.end(), [](POINT a, POINT b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    return t;
}

Table saved(const StateData& d) {
    Table t;
    for (const StateCard& c : d.cards) t.places.push_back({c.x, c.y});
    std::sort(t.places.begin(), t.places.end(), [](POINT a, POINT b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    return t;
}

bool same(const Table& a, const Table& b) {
    return a.places.size() == b.places.size() &&
           std::equal(a.places.begin(), a.places.end(), b.places.begin(),
                      [](POINT p, POINT q) { return p.x == q.x && p.y == q.y; });
}

bool startTable(e2e::Running& r, const std::wstring& folder) {
    return e2e::start(r, folder) && e2e::waitForTable(r.pi.dwProcessId, 1, 30000);
}

int soak(int seconds) {
    int failed = 0;
    auto fail = [&failed](const char* what) {
        std::printf("FAILED: %s\n", what);
        ++failed;
    };
    const std::wstring folder = e2e::freshFolder();
    e2e::Running r;
    if (!startTable(r, folder)) {
        std::printf("FAILED: the table did not start\n0 passed, 1 failed\n");
        return 1;
    }
    const DWORD pid = r.pi.dwProcessId;
    // Each card composes its front once, when it first shows it: lay them all out face up first,
    // so that what is counted afterwards is what play adds.
    std::printf("before play: %ld drawing objects\n", gdiObjects(r.pi.hProcess));
    SendMessageW(e2e::panel(pid), WM_COMMAND, IDC_RP_SCATTER, 0);
    SendMessageW(e2e::panel(pid), WM_COMMAND, IDC_RP_FACEUP, 0);
    Sleep(1500);
    const std::map<std::string, long> windowsAtStart = windowsOf(pid);
    const long gdiAtStart = gdiObjects(r.pi.hProcess);
    std::printf("start: %ld windows, %ld drawing objects\n", total(windowsAtStart), gdiAtStart);
    long slowest = 0, gestures = 0, gdiMost = gdiAtStart;
    const DWORD begin = GetTickCount();
    DWORD nextReport = begin + 60000;
    bool alive = true;
    while (GetTickCount() - begin < static_cast<DWORD>(seconds) * 1000) {
        gesture(pid);
        ++gestures;
        if (!e2e::alive(r)) {
            alive = false;
            DWORD code = 0;
            GetExitCodeProcess(r.pi.hProcess, &code);
            fail(("the program ended during play, with code 0x" + [](DWORD c) {
                     char hex[16];
                     std::snprintf(hex, sizeof hex, "%lX", static_cast<unsigned long>(c));
                     return std::string(hex);
                 }(code) + " after " + std::to_string(gestures) + " gestures").c_str());
            break;
        }
        long answer = answerTime(e2e::panel(pid));
        if (answer < 0) {
            fail("the panel did not answer within a second");
            answer = 1000;
        }
        slowest = std::max(slowest, answer);
        gdiMost = std::max(gdiMost, gdiObjects(r.pi.hProcess));
        if (GetTickCount() >= nextReport) {
            const std::map<std::string, long> now = windowsOf(pid);
            std::printf("minute %lu: %ld gestures, %ld windows%s, %ld drawing objects, slowest answer %ld ms\n",
                        (GetTickCount() - begin) / 60000, gestures, total(now), difference(windowsAtStart, now).c_str(),
                        gdiObjects(r.pi.hProcess), slowest);
            std::fflush(stdout);
            nextReport += 60000;
        }
    }
    if (alive) {
        Sleep(500);
        const std::map<std::string, long> windowsAtEnd = windowsOf(pid);
        const long gdiAtEnd = gdiObjects(r.pi.hProcess);
        std::printf("end: %ld gestures, %ld windows, %ld drawing objects (most %ld), slowest answer %ld ms\n", gestures,
                    total(windowsAtEnd), gdiAtEnd, gdiMost, slowest);
        if (windowsAtEnd != windowsAtStart)
            fail(("the number of windows changed:" + difference(windowsAtStart, windowsAtEnd)).c_str());
        if (gdiAtStart < 0 || gdiAtEnd > gdiAtStart + 20) fail("drawing objects grew");
        Table shown = seen(pid);
        PostMessageW(e2e::panel(pid), WM_CLOSE, 0, 0);
        if (e2e::waitExit(r, 20000) != 0) fail("the program did not end with code 0");
        StateData d;
        if (!e2e::readSavedTable(folder, d))
            fail("the saved table does not decode");
        else if (!same(saved(d), shown))
            fail("the saved table is not the one shown");
    }
    if (e2e::alive(r)) e2e::kill(r);
    std::printf("%d passed, %d failed\n", failed ? 0 : 1, failed ? 1 : 0);
    return failed ? 1 : 0;
}

int killTrials(int trials) {
    const std::wstring folder = e2e::freshFolder();
    int passed = 0, failedTrials = 0;
    for (int trial = 1; trial <= trials; ++trial) {
        e2e::Running r;
        if (!startTable(r, folder)) {
            std::printf("trial %d: the table did not start\n", trial);
            ++failedTrials;
            if (e2e::alive(r)) e2e::kill(r);
            continue;
        }
        Sleep(300);
        const DWORD pid = r.pi.dwProcessId;
        // What the table looked like after each change, and when that change was made.
        std::vector<std::pair<DWORD, Table>> states{{GetTickCount(), seen(pid)}};
        const DWORD playFor = static_cast<DWORD>(pick(500, 7000)), begin = GetTickCount();
        while (GetTickCount() - begin < playFor) {
            if (gesture(pid)) {
                DWORD changed = GetTickCount();
                Sleep(150);
                states.push_back({changed, seen(pid)});
            }
        }
        Sleep(static_cast<DWORD>(pick(0, 3500)));
        const DWORD killedAt = GetTickCount();
        e2e::kill(r);
        // The file must be one of the tables shown at or after the last change made three seconds
        // or more before the kill.
        size_t oldest = 0;
        for (size_t i = 0; i < states.size(); ++i)
            if (killedAt - states[i].first >= 3000) oldest = i;
        StateData d;
        bool whole = e2e::readSavedTable(folder, d);
        bool recent = false;
        for (size_t i = oldest; whole && i < states.size() && !recent; ++i) recent = same(saved(d), states[i].second);
        // The first start of all has nothing to read back before its first save.
        bool fine = (whole && recent) || (trial == 1 && !whole && killedAt - states[0].first < 3000);
        std::printf("trial %d: %zu changes, killed %lu ms after the last, file %s\n", trial, states.size() - 1,
                    killedAt - states.back().first, !whole ? "unreadable or missing" : recent ? "recent" : "too old");
        std::fflush(stdout);
        fine ? ++passed : ++failedTrials;
    }
    std::printf("%d passed, %d failed\n", passed, failedTrials);
    return failedTrials ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    e2e::movePointer(640, 500);
    if (argc == 3 && !std::strcmp(argv[1], "kill")) return killTrials(std::atoi(argv[2]));
    if (argc == 2) return soak(std::atoi(argv[1]));
    std::printf("usage: soak SECONDS | soak kill TRIALS\n");
    return 2;
}
