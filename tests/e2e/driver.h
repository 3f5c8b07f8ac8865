// Starts rupone.exe in a folder of its own and looks at its windows from outside, as a user would.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "deck/state_file.h"

namespace e2e {

struct Running {
    PROCESS_INFORMATION pi{};
    std::wstring folder;
    std::wstring exe;
};

// A table of n cards for the benchmarks: a 53-card pile first (top first, face up, at kPileX,
// kPileY), then heaps of 20 over the rest of the screen; the panel at (20, 600), sounds off.
constexpr int kPile = 53;
constexpr int kPileX = 300, kPileY = 300;
StateData pileAndHeaps(int n);

// A fresh folder holding a copy of the program (so its files beside it are its own).
std::wstring freshFolder();
bool start(Running& r, const std::wstring& folder, const std::wstring& args = L"");
// Waits for the process to end; returns its exit code, or -1 on time-out.
long waitExit(Running& r, DWORD ms);
void kill(Running& r);
// Starts the table in its folder, on this state file when one is given, and waits until n cards
// show; the panel, or null on time-out.
HWND startTable(Running& r, const std::wstring& folder, size_t n, const StateData* state = nullptr,
                DWORD ms = 30000);
// Closes a running table through its panel and waits for it to end (killed after ms).
void closeTable(Running& r, HWND panel, DWORD ms = 20000);

struct CardWindow {
    HWND hwnd;
    RECT rect;
    bool visible;
};

// The process's card windows in z-order, top first.
std::vector<CardWindow> cards(DWORD pid);
HWND panel(DWORD pid);
// Polls until the process shows n visible cards and its panel; false on time-out.
bool waitForTable(DWORD pid, size_t n, DWORD ms);
bool alive(const Running& r);
// Reads and decodes the state file in the program's folder; false when missing or refused.
bool readSavedTable(const std::wstring& folder, StateData& out);
// Has the running table write its state file through the log-off path, and reads it.
bool savedTable(HWND panel, const std::wstring& folder, StateData& out);
// A message box of the process (caption "みずね堂 ルポネ") once it shows; null on time-out.
HWND waitForMessageBox(DWORD pid, DWORD ms);
// A visible top-level window of the process with exactly this caption once it shows; null on time-out.
HWND waitForWindow(DWORD pid, const std::wstring& caption, DWORD ms);
std::wstring messageText(HWND box);
// Writes a whole file (replacing it); false when it cannot.
bool writeFile(const std::wstring& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> readFile(const std::wstring& path);
// Real input: a mouse event (absolute screen coordinates with MOUSEEVENTF_ABSOLUTE), then a pause
// of pauseMs; a key pressed and released.
void sendMouse(DWORD flags, int x = 0, int y = 0, DWORD pauseMs = 40);
void pressKey(WORD vk);
// Keys pressed in this order and released in the reverse one (Shift+Space: {VK_SHIFT, VK_SPACE}).
void pressChord(const std::vector<WORD>& keys);
// Puts the pointer there. Under Wine a process moves the pointer only once it has a window.
void movePointer(int x, int y);
// A user's real pointer: runs xdotool on the X display with these arguments and gives it ms to
// finish (a Unix process's handle does not tell when it ends). Unlike SendInput, its moves reach
// only the windows under the pointer. False when it cannot run.
bool xdotool(const std::wstring& args, DWORD ms);

}  // namespace e2e
