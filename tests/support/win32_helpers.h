// Shared set-up of the in-process Wine tests: the card class, an owner window, a clean table.
#pragma once

#include "desk/windows_win32.h"

#include "app/table.h"
#include "cards/card_window_win32.h"
#include "deck/deck.h"

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
