// Shared set-up of the in-process Wine tests: the card class, an owner window, a clean table.
#pragma once

#include "desk/windows_win32.h"

#include <winternl.h>
#include <oleacc.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "app/table.h"
#include "desk/accessible_win32.h"
#include "cards/card_window_win32.h"
#include "deck/deck.h"

// The broker the test command started on the loopback address (RUPONE_TEST_BROKER); false without.
struct Endpoint {
    std::string host;
    uint16_t port = 0;
};
inline bool testBroker(Endpoint& out) {
    const char* given = std::getenv("RUPONE_TEST_BROKER");
    if (!given) return false;
    const std::string s = given;
    out.host = s.substr(0, s.rfind(':'));
    out.port = static_cast<uint16_t>(std::atoi(s.c_str() + s.rfind(':') + 1));
    return true;
}

// Handles messages until the condition holds or the time is up.
inline bool pumpUntil(const std::function<bool()>& done, DWORD ms = 8000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    return true;
}

inline void pumpMessages(int rounds = 3) {
    for (int i = 0; i < rounds; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}

// Live drawing objects of this process. Wine's GetGuiResources answers 0, so there the process's
// own GDI handle table is read: 0x10000 entries of 24 bytes, a live one has its type byte set.
inline size_t liveGdiObjects() {
    if (DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return n;
    using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION info{};
    if (!query || query(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return 0;
    auto* peb = reinterpret_cast<const uint8_t*>(info.PebBaseAddress);
    auto* handles = *reinterpret_cast<const uint8_t* const*>(peb + 0xF8);
    if (!handles) return 0;
    size_t live = 0;
    for (size_t i = 32; i < 0x10000; ++i) live += handles[i * 24 + 14] != 0;
    return live;
}

// A plain white window class "BareCard" for the benchmarks' windows without the table.
inline void registerBareCardClass() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"BareCard";
    RegisterClassW(&wc);
}

// Answers the first message box of this process with this caption with OK, from another thread;
// gives its text.
class BoxAnswerer {
public:
    explicit BoxAnswerer(const wchar_t* caption = L"ルポネ")
        : thread_([this, caption] {
              for (int i = 0; i < 200 && !done_; ++i) {
                  HWND box = FindWindowW(L"#32770", caption);
                  if (box) {
                      wchar_t text[512] = {};
                      GetDlgItemTextW(box, 0xFFFF, text, 512);
                      text_ = text;
                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                      return;
                  }
                  Sleep(25);
              }
          }) {}
    ~BoxAnswerer() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // Once the box has been answered (or the wait is over).
    std::wstring text() {
        if (thread_.joinable()) thread_.join();
        return text_;
    }

private:
    std::atomic<bool> done_{false};
    std::wstring text_;
    std::thread thread_;
};

// What a screen reader reads of a window's accessible object (made with these facts).
struct Read {
    std::wstring name, description, value;
    long role = 0, state = 0;
};

inline Read ask(IAccessible* a) {
    Read r;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR s = nullptr;
    if (a->get_accName(self, &s) == S_OK) r.name = s;
    SysFreeString(s);
    s = nullptr;
    if (a->get_accDescription(self, &s) == S_OK) r.description = s;
    SysFreeString(s);
    s = nullptr;
    if (a->get_accValue(self, &s) == S_OK) r.value = s;
    SysFreeString(s);
    VARIANT v;
    if (a->get_accRole(self, &v) == S_OK && v.vt == VT_I4) r.role = v.lVal;
    if (a->get_accState(self, &v) == S_OK && v.vt == VT_I4) r.state = v.lVal;
    return r;
}

inline Read askWindow(HWND w, a11y::Facts (*facts)(HWND)) {
    IAccessible* a = a11y::makeObject(w, [w, facts] { return facts(w); });
    Read r = ask(a);
    a->Release();
    return r;
}

inline void freshTable() {
    static bool registered = false;
    if (!registered) {
        registerCardClass();
        registered = true;
    }
    table = Table{};
    table.soundOn = 0;
    table.cardParent = toWindow(CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"カードの親", WS_VISIBLE, 0, 0, 0, 0,
                                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    createCardTooltip();
}

// Destroys the windows before the records go, so nothing reaches a freed record.
inline void clearTable() {
    for (auto& c : table.deck.items())
        if (c->window) DestroyWindow(toHwnd(c->window));
    if (table.cardParent) DestroyWindow(toHwnd(table.cardParent));
    pumpMessages();
    table = Table{};
}
