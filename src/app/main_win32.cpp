#include "app/app_win32.h"
#include "desk/ui_font_win32.h"
#include "app/hint_win32.h"

#include "app/table.h"
#include "dialogs/share_win32.h"
#include "share/share_request.h"
#include "res/ids.h"

HINSTANCE appInstance = nullptr;
decltype(&::GradientFill) gradientFillFn = nullptr;
decltype(&::AlphaBlend) alphaBlendFn = nullptr;
const wchar_t kProgramName[] = L"みずね堂 ルポネ";
const wchar_t kHelpFile[] = L"ルポネ.chm";

HMODULE loadOptionalEntryPoints() {
    HMODULE msimg = LoadLibraryW(L"msimg32.dll");
    if (msimg) {
        gradientFillFn = reinterpret_cast<decltype(gradientFillFn)>(
            reinterpret_cast<void*>(GetProcAddress(msimg, "GradientFill")));
        alphaBlendFn =
            reinterpret_cast<decltype(alphaBlendFn)>(reinterpret_cast<void*>(GetProcAddress(msimg, "AlphaBlend")));
    }
    return msimg;
}

void freeOptionalEntryPoints(HMODULE msimg) {
    gradientFillFn = nullptr;
    alphaBlendFn = nullptr;
    if (msimg) FreeLibrary(msimg);
}

namespace {

// The program's own arguments, for sharing from a shortcut; false with what is wrong in them.
bool parseShareArguments(share::ShareRequest& out, std::u16string& error) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return true;
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i], argv[i] + wcslen(argv[i]));
    LocalFree(argv);
    return share::parseShareArguments(args, out, error);
}

}  // namespace

int runTable(HINSTANCE instance) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kProgramName);
    if (!mutex) {
        MessageBoxW(nullptr, L"WM() 排他名を用意できませんでした。", kProgramName, MB_OK | MB_ICONERROR);
        return 0;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return 0;
    }
    appInstance = instance;
    HMODULE msimg = loadOptionalEntryPoints();
    share::ShareRequest asked;
    std::u16string wrong;
    if (!parseShareArguments(asked, wrong)) MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(wrong.c_str()), kProgramName, MB_OK | MB_ICONWARNING);
    if (!table.panel) {
        HWND created = CreateDialogIndirectParamW(instance, uifont::dialogTemplate(IDD_RP_PANEL), nullptr, panelDialogProc, 0);
        if (!table.panel) table.panel = toWindow(created);
    }
    if (table.panel) shareAsAsked(asked);
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(toHwnd(table.panel), &msg)) continue;
        if (HWND note = hint::window(); note && IsDialogMessageW(note, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    freeOptionalEntryPoints(msimg);
    if (!CloseHandle(mutex)) {
        MessageBoxW(nullptr,
                    L"\r\nWM() ルポネの登録を解除できませんでした。\r\n\r\n"
                    L"ルポネを再実行するには、再起動する必要があるかもしれません。",
                    kProgramName, MB_OK | MB_ICONERROR);
    }
    return static_cast<int>(msg.wParam);
}

