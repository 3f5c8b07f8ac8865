// Drives a running table from outside, as a user would: wait for its cards, close its panel.
//   tablectl wait-cards N [seconds]   waits until the table shows N card windows and they stop
//                                     coming
//   tablectl close [seconds]          closes the control panel and waits for the program to end
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Count {
    int cards = 0;
    HWND panel = nullptr;
};

BOOL CALLBACK countWindow(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<Count*>(lp);
    wchar_t cls[16], title[16];
    GetClassNameW(h, cls, 16);
    GetWindowTextW(h, title, 16);
    if (!wcscmp(cls, L"Card") && !wcscmp(title, L"カード") && IsWindowVisible(h)) ++c->cards;
    if (!wcscmp(cls, L"#32770") && !wcscmp(title, L"ルポネ")) c->panel = h;
    return TRUE;
}

Count look() {
    Count c;
    EnumWindows(countWindow, reinterpret_cast<LPARAM>(&c));
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tablectl wait-cards N [seconds] | close [seconds]\n");
        return 2;
    }
    if (!std::strcmp(argv[1], "wait-cards") && argc >= 3) {
        int want = std::atoi(argv[2]);
        DWORD limit = (argc >= 4 ? std::atoi(argv[3]) : 60) * 1000;
        DWORD start = GetTickCount();
        while (GetTickCount() - start < limit) {
            Count c = look();
            if (c.panel && c.cards >= want) {
                Sleep(500);  // let the rest come and the cards paint
                c = look();
                std::printf("%d cards\n", c.cards);
                return 0;
            }
            Sleep(100);
        }
        std::fprintf(stderr, "the table did not show %d cards\n", want);
        return 1;
    }
    if (!std::strcmp(argv[1], "close")) {
        DWORD limit = (argc >= 3 ? std::atoi(argv[2]) : 30) * 1000;
        Count c = look();
        if (!c.panel) {
            std::fprintf(stderr, "no table is running\n");
            return 1;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(c.panel, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        PostMessageW(c.panel, WM_CLOSE, 0, 0);
        if (process) {
            DWORD waited = WaitForSingleObject(process, limit);
            DWORD code = 1;
            GetExitCodeProcess(process, &code);
            CloseHandle(process);
            if (waited != WAIT_OBJECT_0) {
                std::fprintf(stderr, "the table did not end\n");
                return 1;
            }
            std::printf("table closed, exit code %lu\n", static_cast<unsigned long>(code));
        }
        return 0;
    }
    std::fprintf(stderr, "unknown command\n");
    return 2;
}
