#include "e2e/driver.h"

#include <cstdio>

namespace e2e {

namespace {

std::wstring here() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/"));
}

struct Search {
    DWORD pid;
    std::vector<CardWindow> cards;
    HWND panel = nullptr;
    HWND box = nullptr;
};

BOOL CALLBACK look(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != s->pid) return TRUE;
    wchar_t cls[16], title[16];
    GetClassNameW(h, cls, 16);
    GetWindowTextW(h, title, 16);
    if (!wcscmp(cls, L"Card") && !wcscmp(title, L"カード")) {
        CardWindow c{h, {}, IsWindowVisible(h) != FALSE};
        GetWindowRect(h, &c.rect);
        s->cards.push_back(c);
    } else if (!wcscmp(cls, L"#32770") && !wcscmp(title, L"ルポネ")) {
        s->panel = h;
    } else if (!wcscmp(cls, L"#32770") && !wcscmp(title, L"みずね堂 ルポネ") && IsWindowVisible(h)) {
        s->box = h;
    }
    return TRUE;
}

Search search(DWORD pid) {
    Search s{pid, {}, nullptr};
    EnumWindows(look, reinterpret_cast<LPARAM>(&s));
    return s;
}

}  // namespace

StateData pileAndHeaps(int n) {
    StateData d;
    d.panelX = 20;
    d.panelY = 600;
    d.soundOn = 0;
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

std::wstring freshFolder() {
    static int serial = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // Wine hands out process ids again soon, so an id alone would meet an earlier test's folder and
    // its state file; take the first name that nobody has made yet.
    std::wstring folder;
    do {
        folder = std::wstring(temp) + L"rupone-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                 std::to_wstring(++serial);
    } while (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    CopyFileW((here() + L"\\" RUPONE_EXE_NAME).c_str(), (folder + L"\\" RUPONE_EXE_NAME).c_str(), FALSE);
    return folder;
}

bool start(Running& r, const std::wstring& folder, const std::wstring& args) {
    r.folder = folder;
    r.exe = folder + L"\\" RUPONE_EXE_NAME;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring cmd = L"\"" + r.exe + L"\"" + (args.empty() ? L"" : L" " + args);
    return CreateProcessW(r.exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                          &r.pi) != FALSE;
}

long waitExit(Running& r, DWORD ms) {
    if (!r.pi.hProcess) return -1;
    if (WaitForSingleObject(r.pi.hProcess, ms) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(r.pi.hProcess, &code);
    CloseHandle(r.pi.hProcess);
    CloseHandle(r.pi.hThread);
    r.pi = {};
    return static_cast<long>(code);
}

void kill(Running& r) {
    if (!r.pi.hProcess) return;
    TerminateProcess(r.pi.hProcess, 99);
    waitExit(r, 10000);
}

bool alive(const Running& r) {
    return r.pi.hProcess && WaitForSingleObject(r.pi.hProcess, 0) == WAIT_TIMEOUT;
}

void sendMouse(DWORD flags, int x, int y, DWORD pauseMs) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &in, sizeof in);
    Sleep(pauseMs);
}

void pressKey(WORD vk) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    Sleep(80);
}

// The program reads the modifiers when it handles a key, so each event gets time to be handled
// before the next changes the keyboard.
void pressChord(const std::vector<WORD>& keys) {
    auto send = [](WORD vk, DWORD flags) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = flags;
        SendInput(1, &i, sizeof i);
        Sleep(60);
    };
    for (WORD vk : keys) send(vk, 0);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) send(*it, KEYEVENTF_KEYUP);
    Sleep(40);
}

bool xdotool(const std::wstring& args, DWORD ms) {
    // Wine starts a Unix program as it would a Windows one; it inherits the X display.
    std::wstring line = L"Z:\\usr\\bin\\xdotool " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    Sleep(ms);
    return true;
}

void movePointer(int x, int y) {
    static HWND anchor = CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    (void)anchor;
    SetCursorPos(x, y);
    // The move reaches the X server in its own time; wait until everyone reads it back.
    for (int i = 0; i < 50; ++i) {
        POINT p;
        if (GetCursorPos(&p) && p.x == x && p.y == y) break;
        Sleep(20);
    }
    Sleep(150);
}

bool readSavedTable(const std::wstring& folder, StateData& out) {
    HANDLE f = CreateFileW((folder + L"\\rupone.dat").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::vector<uint8_t> bytes(1 << 20);
    DWORD got = 0;
    BOOL read = ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    return read && decodeState(bytes.data(), got, out);
}

bool savedTable(HWND panel, const std::wstring& folder, StateData& out) {
    SendMessageW(panel, WM_ENDSESSION, TRUE, 0);
    return readSavedTable(folder, out);
}

HWND waitForMessageBox(DWORD pid, DWORD ms) {
    DWORD start = GetTickCount();
    do {
        if (HWND box = search(pid).box) return box;
        Sleep(50);
    } while (GetTickCount() - start < ms);
    return nullptr;
}

HWND startTable(Running& r, const std::wstring& folder, size_t n, const StateData* state, DWORD ms) {
    if (state && !writeFile(folder + L"\\rupone.dat", encodeState(*state))) return nullptr;
    if (!start(r, folder) || !waitForTable(r.pi.dwProcessId, n, ms)) return nullptr;
    HWND p = panel(r.pi.dwProcessId);
    Sleep(300);
    return p;
}

void closeTable(Running& r, HWND panel, DWORD ms) {
    if (!alive(r)) return;
    PostMessageW(panel, WM_CLOSE, 0, 0);
    if (waitExit(r, ms) < 0) kill(r);
}

HWND waitForWindow(DWORD pid, const std::wstring& caption, DWORD ms) {
    struct Find {
        DWORD pid;
        const std::wstring* caption;
        HWND found;
    } find{pid, &caption, nullptr};
    DWORD start = GetTickCount();
    do {
        EnumWindows(
            [](HWND h, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Find*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(h, &owner);
                wchar_t title[256] = {};
                GetWindowTextW(h, title, 256);
                if (owner != f->pid || !IsWindowVisible(h) || *f->caption != title) return TRUE;
                f->found = h;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&find));
        if (find.found) return find.found;
        Sleep(50);
    } while (GetTickCount() - start < ms);
    return nullptr;
}

std::wstring messageText(HWND box) {
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 2048);  // the text of a message box is its static 0xFFFF
    return text;
}

bool writeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
    return ok && put == bytes.size();
}

std::vector<uint8_t> readFile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(f, &size)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
        bytes.resize(got);
    }
    CloseHandle(f);
    return bytes;
}

std::vector<CardWindow> cards(DWORD pid) { return search(pid).cards; }
HWND panel(DWORD pid) { return search(pid).panel; }

bool waitForTable(DWORD pid, size_t n, DWORD ms) {
    DWORD start = GetTickCount();
    do {
        Search s = search(pid);
        size_t shown = 0;
        for (const CardWindow& c : s.cards) shown += c.visible;
        if (s.panel && IsWindowVisible(s.panel) && shown >= n) return true;
        Sleep(50);
    } while (GetTickCount() - start < ms);
    return false;
}

}  // namespace e2e
