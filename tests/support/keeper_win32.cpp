// Holds the Wine desktop and its services for a whole test run, so each test process starts fast.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Sleep(INFINITE);
    return 0;
}
