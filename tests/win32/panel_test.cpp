// The control panel in this process: its controls as the resource lays them out, and the start-up
// and shutdown it runs.
#include "desk/windows_win32.h"

#include <winternl.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "app/app_win32.h"
#include "app/help_win32.h"
#include "app/table.h"
#include "deck/state_file.h"
#include "res/ids.h"
#include "support/win32_helpers.h"

namespace {

struct Control {
    int id;
    int x, y, w, h;
    const wchar_t* cls;
};

constexpr Control kControls[] = {
    {1012, 3, 3, 18, 18, L"Button"},   {1008, 3, 26, 18, 18, L"Button"},  {1000, 24, 3, 18, 18, L"Button"},
    {1001, 24, 26, 18, 18, L"Button"}, {1006, 45, 3, 18, 18, L"Button"},  {1007, 45, 26, 18, 18, L"Button"},
    {1013, 66, 3, 18, 18, L"Button"},  {1014, 66, 26, 18, 18, L"Button"}, {1019, 87, 3, 18, 18, L"Button"},
    {1018, 87, 26, 18, 18, L"Button"}, {1020, 108, 3, 18, 18, L"Button"}, {1015, 108, 26, 18, 18, L"Button"},
    {110, 8, 49, 15, 13, L"Static"},
    {1106, 23, 49, 62, 13, L"msctls_trackbar32"}, {111, 93, 49, 15, 13, L"Static"},
    {1107, 112, 49, 9, 9, L"Button"},
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        table = Table{};
        table.soundOn = 0;
        appInstance = GetModuleHandleW(nullptr);
        // A fresh table each time: what an earlier shutdown saved is not this test's.
        DeleteFileW(reinterpret_cast<const wchar_t*>(stateFilePath(desk::modulePath()).c_str()));
        SetCursorPos(300, 300);
        panel = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(IDD_RP_PANEL), nullptr, panelDialogProc, 0);
        ASSERT_NE(panel, nullptr);
        pumpMessages();
    }
    void TearDown() override {
        if (IsWindow(panel)) DestroyWindow(panel);
        for (auto& c : table.deck.items())
            if (c->window) DestroyWindow(toHwnd(c->window));
        if (table.cardParent) DestroyWindow(toHwnd(table.cardParent));
        // Shutdown posted the quit request; take it off the queue (only it: a window waiting to be
        // painted would keep an undispatched queue full for ever).
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
        table = Table{};
    }
    HWND panel = nullptr;
};

TEST_F(PanelTest, TheControlsSayTheirTooltipsAndWhetherTheyCanBeUsed) {
    struct Case {
        int id;
        std::wstring name;
        long role;
        bool usable;
    } cases[] = {
        {IDC_RP_SEQUENCE, L"すべてシーケンス", ROLE_SYSTEM_PUSHBUTTON, true},
        {IDC_RP_UNDO, L"元に戻す", ROLE_SYSTEM_PUSHBUTTON, false},  // nothing to undo yet
        {IDC_RP_SHARE, L"テーブルを共有 ...", ROLE_SYSTEM_PUSHBUTTON, true},
        {IDC_RP_HELP, L"ヘルプ", ROLE_SYSTEM_PUSHBUTTON, true},
        {IDC_RP_RATIO, L"重なり判定の割合", ROLE_SYSTEM_SLIDER, true},
        {IDC_RP_RECURSIVE, L"重なりを再帰的に判定", ROLE_SYSTEM_CHECKBUTTON, true},
    };
    for (const Case& c : cases) {
        HWND control = GetDlgItem(panel, c.id);
        const Read r = askWindow(control, panelControlFacts);
        EXPECT_EQ(r.name, c.name) << c.id;
        EXPECT_EQ(r.role, c.role) << c.id;
        EXPECT_EQ((r.state & STATE_SYSTEM_UNAVAILABLE) == 0, c.usable) << c.id;
        EXPECT_NE(SendMessageW(control, WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT)), 0) << c.id;
    }
    EXPECT_EQ(askWindow(GetDlgItem(panel, IDC_RP_RATIO), panelControlFacts).value, L"50");
    CheckDlgButton(panel, IDC_RP_RECURSIVE, BST_CHECKED);
    EXPECT_TRUE(askWindow(GetDlgItem(panel, IDC_RP_RECURSIVE), panelControlFacts).state & STATE_SYSTEM_CHECKED);
    wchar_t text[8];
    GetWindowTextW(GetDlgItem(panel, IDC_RP_SEQUENCE), text, 8);
    EXPECT_STREQ(text, L" ") << "the buttons keep their text";
}

TEST_F(PanelTest, EveryControlStandsWhereTheLayoutPutsIt) {
    wchar_t caption[16];
    GetWindowTextW(panel, caption, 16);
    EXPECT_STREQ(caption, L"ルポネ");
    LONG style = GetWindowLongW(panel, GWL_STYLE);
    for (LONG s : std::initializer_list<LONG>{static_cast<LONG>(WS_POPUP), WS_VISIBLE, WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX, WS_CLIPCHILDREN})
        EXPECT_TRUE(style & s) << std::hex << s;
    HWND previous = nullptr;
    for (const Control& c : kControls) {
        HWND h = GetDlgItem(panel, c.id);
        ASSERT_NE(h, nullptr) << c.id;
        RECT want{c.x, c.y, c.x + c.w, c.y + c.h};
        MapDialogRect(panel, &want);
        RECT got;
        GetWindowRect(h, &got);
        MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(got.left, want.left) << c.id;
        EXPECT_EQ(got.top, want.top) << c.id;
        // Icon statics take the size of their icon.
        if (wcscmp(c.cls, L"Static") != 0) {
            EXPECT_NEAR(got.right - got.left, want.right - want.left, 1) << c.id;
        }
        wchar_t cls[32];
        GetClassNameW(h, cls, 32);
        EXPECT_EQ(_wcsicmp(cls, c.cls), 0) << c.id;
        if (previous) {
            EXPECT_EQ(GetWindow(previous, GW_HWNDNEXT), h) << "tab order at " << c.id;
        }
        previous = h;
    }
    for (int id : {1012, 1008, 1000, 1001, 1006, 1007, 1013, 1014, 1019, 1018, 1015}) {
        wchar_t text[4];
        GetDlgItemTextW(panel, id, text, 4);
        EXPECT_STREQ(text, L" ") << id;
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(panel, id), GWL_STYLE) & WS_TABSTOP) << id;
    }
    EXPECT_EQ(GetWindowLongW(GetDlgItem(panel, 1106), GWL_STYLE) & (TBS_BOTH | TBS_NOTICKS | TBS_TOOLTIPS),
              TBS_BOTH | TBS_NOTICKS | TBS_TOOLTIPS);
    EXPECT_EQ(GetWindowLongW(GetDlgItem(panel, 110), GWL_STYLE) & SS_TYPEMASK, SS_ICON);
    EXPECT_NE(SendDlgItemMessageW(panel, 110, STM_GETICON, 0, 0), 0);
    EXPECT_NE(SendDlgItemMessageW(panel, 111, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(SendDlgItemMessageW(panel, 1106, TBM_GETRANGEMAX, 0, 0), 100);
}

TEST_F(PanelTest, StartUpLaysTheFreshTableAndShutdownReleasesIt) {
    EXPECT_EQ(table.panel, toWindow(panel));
    EXPECT_EQ(table.deck.count(), 53u);
    EXPECT_EQ(listCardWindows().size(), 53u);
    EXPECT_NE(table.keyboardHook, nullptr);
    EXPECT_NE(table.buttonBaseProc, nullptr);
    EXPECT_EQ(table.cycleOrder.size(), 53u);
    EXPECT_EQ(table.historyCurrent, 0);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_UNDO)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_REDO)));
    HWND owner = toHwnd(table.cardParent);
    wchar_t cls[16];
    GetClassNameW(owner, cls, 16);
    EXPECT_STREQ(cls, L"CardParent");
    EXPECT_TRUE(GetWindowLongW(owner, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(owner));
    RECT ownerRect;
    GetWindowRect(owner, &ownerRect);
    EXPECT_TRUE(IsRectEmpty(&ownerRect)) << "the owner of the cards shows nothing";
    EXPECT_EQ(GetWindow(toHwnd(table.deck.at(0).window), GW_OWNER), owner);
    // The panel is centred on the pointer.
    RECT r;
    GetWindowRect(panel, &r);
    EXPECT_NEAR((r.left + r.right) / 2, 300, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, 300, 1);
    // Enter and Esc reach the dialog as commands 1 and 2 and do not close it.
    SendMessageW(panel, WM_COMMAND, IDOK, 0);
    SendMessageW(panel, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindow(panel));

    DestroyWindow(panel);
    EXPECT_TRUE(table.deck.empty());
    EXPECT_EQ(table.keyboardHook, nullptr);
    EXPECT_EQ(table.buttonBaseProc, nullptr);
    MSG msg;
    bool quit = false;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) quit = msg.wParam == 0;
    EXPECT_TRUE(quit) << "shutdown posts the quit request with code 0";
}

TEST_F(PanelTest, ActivationPutsTheCardsOwnerBelowThePanelKeepingTheCardsAbove) {
    HWND owner = toHwnd(table.cardParent);
    const std::vector<desk::Window> cards = listCardWindows();
    HWND other = CreateWindowExW(WS_EX_TOOLWINDOW, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 1, 1, nullptr, nullptr,
                                 appInstance, nullptr);
    SetWindowPos(other, panel, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // First with another window between the panel and the cards (the owner must move), then with
    // only the cards there (nothing to change).
    for (WPARAM state : {WA_ACTIVE, WA_INACTIVE}) {
        SendMessageW(panel, WM_ACTIVATE, state, 0);
        std::vector<desk::Window> order = desk::topLevelWindows();
        const auto at = [&](HWND h) { return std::find(order.begin(), order.end(), toWindow(h)) - order.begin(); };
        std::vector<desk::Window> between(order.begin() + at(panel) + 1, order.begin() + at(owner));
        between.erase(std::remove(between.begin(), between.end(), table.cardTip), between.end());
        EXPECT_EQ(between, cards) << state;
        EXPECT_GT(at(other), at(owner)) << state;
    }
    DestroyWindow(other);
}

TEST_F(PanelTest, BigAndSmallIconsAreTheProgramIcon) {
    HICON big = reinterpret_cast<HICON>(SendMessageW(panel, WM_GETICON, ICON_BIG, 0));
    HICON small = reinterpret_cast<HICON>(SendMessageW(panel, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(big, nullptr);
    ASSERT_NE(small, nullptr);
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(small, &info));
    BITMAP bm;
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace

namespace {

TEST_F(PanelTest, PaintingTheBackgroundLeavesNoDrawingObjectsBehind) {
    auto paint = [this](int times) {
        for (int i = 0; i < times; ++i) RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    };
    paint(20);
    size_t before = liveGdiObjects();
    ASSERT_GT(before, 0u) << "the count works";
    paint(500);
    EXPECT_LE(liveGdiObjects(), before + 10) << "500 paints";
}

}  // namespace

namespace {

// The help file in a folder whose path is longer than a path buffer, found along the search path.
TEST(HelpFile, IsFoundWholeEvenWhereItsPathIsLongerThanAPathBuffer) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(L"\\\\?\\") + temp + L"rupone-help-" + std::wstring(120, L'h');
    CreateDirectoryW(folder.c_str(), nullptr);
    folder += L"\\" + std::wstring(120, L'p');
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const wchar_t* name = L"ルポネ-長い道.chm";  // (the manual itself lies beside the tests)
    const std::wstring file = folder + L"\\" + name;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    wchar_t path[4096];
    GetEnvironmentVariableW(L"PATH", path, 4096);
    const std::wstring oldPath = path;
    SetEnvironmentVariableW(L"PATH", (folder.substr(4) + L";" + oldPath).c_str());
    std::wstring found;
    const bool ok = help::find(found, name);
    SetEnvironmentVariableW(L"PATH", oldPath.c_str());
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str());
    ASSERT_TRUE(ok);
    EXPECT_GT(found.size(), static_cast<size_t>(MAX_PATH));
    EXPECT_EQ(found.substr(found.size() - std::wstring(name).size()), name) << "the whole path";
}

std::vector<uint8_t> readAll(const std::wstring& path) {
    std::vector<uint8_t> out;
    desk::readFile(std::u16string(path.begin(), path.end()), 1 << 24, out);
    return out;
}

// Where the help viewer cannot show the manual, its pages are copied out whole: every file of the
// manual's sources comes out byte for byte the same.
TEST(HelpFile, ThePagesComeOutOfTheManualAsTheyWereWritten) {
    std::wstring chm;
    ASSERT_TRUE(help::find(chm)) << "the build puts the manual beside the tests";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"rupone-help-pages";
    ASSERT_TRUE(help::extractPages(chm, folder));
    const std::wstring sources = L"" RUPONE_HELP_SOURCES;
    int compared = 0;
    for (const wchar_t* sub : {L"", L"images\\"}) {
        WIN32_FIND_DATAW f;
        HANDLE h = FindFirstFileW((sources + L"\\" + sub + L"*.*").c_str(), &f);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        do {
            if (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::wstring name = std::wstring(sub) + f.cFileName;
            if (name == L"contents.txt") continue;
            EXPECT_EQ(readAll(folder + L"\\" + name), readAll(sources + L"\\" + name)) << std::string(name.begin(), name.end());
            ++compared;
        } while (FindNextFileW(h, &f));
        FindClose(h);
    }
    EXPECT_GT(compared, 10);
    EXPECT_FALSE(help::extractPages(sources + L"\\index.html", folder)) << "not a manual";
}

}  // namespace
