// One player at a shared table, driven from outside: runs in the player's own Wine prefix, starts
// and handles that player's rupone.exe as a user would, and answers on standard output. The
// two-player test (scripts/share_two.py) runs one for each player and talks to it a line at a time:
//   start FOLDER [ARGS...]   starts rupone.exe in FOLDER (a copy beside it is made when missing)
//   env NAME [VALUE]         sets (or clears) a variable for the programs started after it
//   lay FOLDER N             writes a state file of N cards there (a pile, then heaps)
//   wait N SECONDS           until N cards show and the panel is there: "ok" or "timeout"
//   list                     "CAPTION|FACEUP,FACEDOWN|l,t,w,h;...|l,t,r,b;..." the visible cards, top
//                            first, and what covers them on this screen alone (panel, tooltips)
//   carry X Y TO_X TO_Y      a click that picks the card up, a glide, a click that puts it down
//   lift X Y TO_X TO_Y       a double click that lifts the pile, a glide, a click
//   press ID                 a panel button
//   share HOST|PORT|TABLE|PASSPHRASE|NAME[|USER|PASSWORD]
//                            fills in the sharing dialog and presses "共有する": "ok|" and what the
//                            dialog says a second later, or its answer when sharing did not start
//   stop                     "共有をやめる" in the sharing dialog
//   watch SECONDS            waits for the cards to move and come to rest (a second without a
//                            change): "TIME|l,t;..." the time of the last change, in µs, and the
//                            places then, sorted; "timeout" when nothing moved
//   kill | close             ends the program: killed, or through its panel
// carry and lift answer the time of their put-down, in µs of the wall clock that all prefixes
// share, so that two players' answers give the latency from one table to the other.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/driver.h"
#include "res/ids.h"

namespace {

e2e::Running program;

std::wstring wide(const std::string& s) {
    std::wstring w(s.size(), L'\0');
    w.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(),
                                                     static_cast<int>(w.size()))));
    return w;
}

std::string narrow(const std::wstring& w) {
    std::string s(w.size() * 3, '\0');
    s.resize(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(),
                                                     static_cast<int>(s.size()), nullptr, nullptr)));
    return s;
}

long long nowMicros() {
    FILETIME f;
    GetSystemTimePreciseAsFileTime(&f);
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 10);
}

// The panel is the dialog with the share button (its caption changes while shared).
HWND panel() {
    struct Find {
        DWORD pid;
        HWND found;
    } find{program.pi.dwProcessId, nullptr};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lp);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid != f->pid || !GetDlgItem(h, IDC_RP_SHARE)) return TRUE;
            f->found = h;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::wstring text(HWND h) {
    wchar_t t[256] = {};
    GetWindowTextW(h, t, 256);
    return t;
}

// Waits until the program has handled everything sent to it so far.
void settle() {
    DWORD_PTR ignored;
    if (HWND p = panel()) SendMessageTimeoutW(p, WM_NULL, 0, 0, SMTO_NORMAL, 300000, &ignored);
    Sleep(150);
}

std::string list() {
    HWND p = panel();
    std::string out = narrow(text(p)) + "|" + (IsWindowEnabled(GetDlgItem(p, IDC_RP_FACEUP)) ? "1" : "0") + "," +
                      (IsWindowEnabled(GetDlgItem(p, IDC_RP_FACEDOWN)) ? "1" : "0") + "|";
    for (const e2e::CardWindow& c : e2e::cards(program.pi.dwProcessId))
        if (c.visible)
            out += std::to_string(c.rect.left) + "," + std::to_string(c.rect.top) + "," +
                   std::to_string(c.rect.right - c.rect.left) + "," + std::to_string(c.rect.bottom - c.rect.top) + ";";
    // What covers cards on this screen alone: the panel and any tooltip shown.
    struct Covers {
        DWORD pid;
        HWND panel;
        std::string rects;
    } covers{program.pi.dwProcessId, p, ""};
    EnumWindows(
        [](HWND h, LPARAM lp) -> BOOL {
            auto* c = reinterpret_cast<Covers*>(lp);
            DWORD pid = 0;
            wchar_t cls[32] = {};
            GetWindowThreadProcessId(h, &pid);
            GetClassNameW(h, cls, 32);
            RECT r{};
            if (pid == c->pid && IsWindowVisible(h) && (h == c->panel || !wcscmp(cls, TOOLTIPS_CLASSW)) && GetWindowRect(h, &r))
                c->rects += std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                            std::to_string(r.bottom) + ";";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&covers));
    return out + "|" + covers.rects;
}

// The places of the visible cards, sorted: "l,t;..."
std::string places() {
    std::vector<std::pair<long, long>> at;
    for (const e2e::CardWindow& c : e2e::cards(program.pi.dwProcessId))
        if (c.visible) at.emplace_back(c.rect.left, c.rect.top);
    std::sort(at.begin(), at.end());
    std::string out;
    for (const auto& [l, t] : at) out += std::to_string(l) + "," + std::to_string(t) + ";";
    return out;
}

void click(int x, int y, int times) {
    for (int i = 0; i < times; ++i) {
        e2e::sendMouse(MOUSEEVENTF_LEFTDOWN, x, y, 20);
        e2e::sendMouse(MOUSEEVENTF_LEFTUP, x, y, 20);
    }
}

// Picks up with clicks at (x, y), glides to (toX, toY) and puts down there; the time of the
// put-down, the gesture's end.
long long carry(int x, int y, int toX, int toY, int clicks) {
    e2e::movePointer(x, y);
    click(x, y, clicks);
    for (int i = 1; i <= 8; ++i)
        e2e::sendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x + (toX - x) * i / 8, y + (toY - y) * i / 8, 15);
    const long long end = nowMicros();
    click(toX, toY, 1);
    settle();
    return end;
}

bool alive() { return program.pi.hProcess && WaitForSingleObject(program.pi.hProcess, 0) == WAIT_TIMEOUT; }

std::string run(const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "start") {
        std::string folder, arg, args;
        in >> folder;
        while (in >> arg) args += (args.empty() ? "" : " ") + arg;
        const std::wstring f = wide(folder);
        CreateDirectoryW(f.c_str(), nullptr);
        wchar_t self[MAX_PATH];
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring here = self;
        here.resize(here.rfind(L'\\'));
        CopyFileW((here + L"\\rupone.exe").c_str(), (f + L"\\rupone.exe").c_str(), TRUE);
        // These players closed the first-start hint long ago: it would cover cards on one screen.
        e2e::writeFile(f + L"\\rupone.hint", {'c', 'l', 'o', 's', 'e', 'd'});
        return e2e::start(program, f, wide(args)) ? "ok" : "cannot start";
    }
    if (verb == "lay") {
        std::string folder;
        int n = 0;
        in >> folder >> n;
        const std::wstring f = wide(folder);
        CreateDirectoryW(f.c_str(), nullptr);
        return e2e::writeFile(f + L"\\rupone.dat", encodeState(e2e::pileAndHeaps(n))) ? "ok" : "cannot write";
    }
    if (verb == "env") {
        std::string name, value;
        in >> name;
        std::getline(in >> std::ws, value);
        SetEnvironmentVariableW(wide(name).c_str(), value.empty() ? nullptr : wide(value).c_str());
        return "ok";
    }
    if (verb == "wait") {
        size_t n = 0;
        int seconds = 30;
        in >> n >> seconds;
        for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(seconds) * 1000;) {
            // Looking at thousands of another process's windows keeps Wine's server busy: look
            // at most a quarter of the time, so that the program is not slowed by the watching.
            const DWORD looked = GetTickCount();
            size_t shown = 0;
            for (const e2e::CardWindow& c : e2e::cards(program.pi.dwProcessId)) shown += c.visible;
            if (shown >= n && panel()) {
                settle();
                return "ok";
            }
            if (!alive()) return "ended";
            Sleep(std::max<DWORD>(50, 3 * (GetTickCount() - looked)));
        }
        return "timeout";
    }
    if (verb == "list") return list();
    if (verb == "carry" || verb == "lift") {
        int x, y, toX, toY;
        in >> x >> y >> toX >> toY;
        return std::to_string(carry(x, y, toX, toY, verb == "carry" ? 1 : 2));
    }
    if (verb == "press") {
        int id = 0;
        in >> id;
        SendMessageW(panel(), WM_COMMAND, static_cast<WPARAM>(id), 0);
        settle();
        return "ok";
    }
    if (verb == "share" || verb == "stop") {
        PostMessageW(panel(), WM_COMMAND, IDC_RP_SHARE, 0);
        HWND dialog = e2e::waitForWindow(program.pi.dwProcessId, L"ルポネ - テーブルを共有", 300000);
        if (!dialog) return "no dialog";
        if (verb == "share") {
            std::string fields;
            std::getline(in >> std::ws, fields);
            const int ids[] = {IDC_RP_SHARE_HOST,   IDC_RP_SHARE_PORT, IDC_RP_SHARE_TABLE,   IDC_RP_SHARE_PASS,
                               IDC_RP_SHARE_PLAYER, IDC_RP_SHARE_USER, IDC_RP_SHARE_USERPASS};
            std::istringstream parts(fields);
            std::string part;
            for (int id : ids) {
                if (!std::getline(parts, part, '|')) part.clear();
                SetDlgItemTextW(dialog, id, wide(part).c_str());
            }
        }
        DWORD_PTR ignored;
        SendMessageTimeoutW(dialog, WM_COMMAND, verb == "share" ? IDC_RP_SHARE_START : IDC_RP_SHARE_STOP, 0, SMTO_NORMAL,
                            60000, &ignored);
        std::string answer = "ok";
        if (IsWindow(dialog)) {
            wchar_t status[512] = {};
            GetDlgItemTextW(dialog, IDC_RP_SHARE_STATUS, status, 512);
            if (verb == "share" && IsWindowEnabled(GetDlgItem(dialog, IDC_RP_SHARE_START))) {
                answer = narrow(status);
            } else if (verb == "share") {
                Sleep(1000);
                GetDlgItemTextW(dialog, IDC_RP_SHARE_STATUS, status, 512);
                answer = "ok|" + narrow(status);
            }
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        settle();
        return answer;
    }
    if (verb == "watch") {
        int seconds = 10;
        in >> seconds;
        std::string seen = places();
        long long last = 0;
        for (DWORD start = GetTickCount(); GetTickCount() - start < static_cast<DWORD>(seconds) * 1000; Sleep(1)) {
            const std::string now = places();
            if (now != seen) {
                seen = now;
                last = nowMicros();
            } else if (last && nowMicros() - last > 1000000) {
                break;
            }
        }
        return last ? std::to_string(last) + "|" + seen : "timeout";
    }
    if (verb == "places") return places();
    if (verb == "kill") {
        e2e::kill(program);
        return "ok";
    }
    if (verb == "close") {
        if (alive()) e2e::closeTable(program, panel());
        return "ok";
    }
    return "unknown: " + verb;
}

}  // namespace

int main() {
    char line[4096];
    while (std::fgets(line, sizeof line, stdin)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (!*line) continue;
        std::printf("%s\n", run(line).c_str());
        std::fflush(stdout);
    }
    if (alive()) e2e::kill(program);
    return 0;
}
