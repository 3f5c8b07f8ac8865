// Holds the Wine desktop and its services for a whole test run, so each test process starts fast.
// Wine starts its desktop process for the first program that opens a window and ends it a little
// after the last window goes; a test that opens its first window while that desktop is going down
// can wait for ever. A hidden window of our own keeps one desktop up from start to end.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HWND holder = CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"keeper", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  instance, nullptr);
    if (!holder) return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
