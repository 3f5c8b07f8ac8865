// The control panel's buttons on the real table.
#include <gtest/gtest.h>

#include <set>

#include "deck/state_file.h"
#include "e2e/driver.h"
#include "res/ids.h"

namespace {

class PanelButtons : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::movePointer(900, 150);
        ASSERT_TRUE(e2e::start(table, folder));
        ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, 53, 30000));
        panel = e2e::panel(table.pi.dwProcessId);
        Sleep(300);
    }
    void TearDown() override {
        if (e2e::alive(table)) {
            PostMessageW(panel, WM_CLOSE, 0, 0);
            if (e2e::waitExit(table, 10000) < 0) e2e::kill(table);
        }
    }
    void press(int id) { SendMessageW(panel, WM_COMMAND, static_cast<WPARAM>(id), 0); }
    bool enabled(int id) { return IsWindowEnabled(GetDlgItem(panel, id)) != FALSE; }
    std::vector<RECT> places() {
        std::vector<RECT> out;
        for (const e2e::CardWindow& c : e2e::cards(table.pi.dwProcessId)) out.push_back(c.rect);
        return out;
    }
    // The table as it would be saved, through the log-off path.
    StateData saved() {
        StateData d;
        EXPECT_TRUE(e2e::savedTable(panel, folder, d));
        return d;
    }
    std::set<uint32_t> faces() {
        std::set<uint32_t> out;
        for (const StateCard& c : saved().cards) out.insert(c.faceUp);
        return out;
    }

    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
    HWND panel = nullptr;
};

bool samePlaces(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    if (a.size() != b.size()) return false;
    std::multiset<std::pair<LONG, LONG>> x, y;
    for (const RECT& r : a) x.insert({r.left, r.top});
    for (const RECT& r : b) y.insert({r.left, r.top});
    return x == y;
}

TEST_F(PanelButtons, AllFaceUpThenUndoThenRedo) {
    press(IDC_RP_FACEUP);
    EXPECT_EQ(faces(), std::set<uint32_t>{1});
    EXPECT_FALSE(enabled(IDC_RP_FACEUP));
    EXPECT_TRUE(enabled(IDC_RP_FACEDOWN));
    EXPECT_TRUE(enabled(IDC_RP_UNDO));
    press(IDC_RP_UNDO);
    EXPECT_EQ(faces(), std::set<uint32_t>{0});
    EXPECT_FALSE(enabled(IDC_RP_UNDO));
    EXPECT_TRUE(enabled(IDC_RP_REDO));
    press(IDC_RP_REDO);
    EXPECT_EQ(faces(), std::set<uint32_t>{1});
    EXPECT_TRUE(enabled(IDC_RP_UNDO));
    EXPECT_FALSE(enabled(IDC_RP_REDO));
}

TEST_F(PanelButtons, ScatterThenUndoRestoresEveryPosition) {
    std::vector<RECT> fresh = places();
    press(IDC_RP_SCATTER);
    std::vector<RECT> thrown = places();
    EXPECT_FALSE(samePlaces(fresh, thrown));
    std::set<std::pair<LONG, LONG>> distinct;
    for (const RECT& r : thrown) distinct.insert({r.left, r.top});
    EXPECT_GT(distinct.size(), 40u);
    press(IDC_RP_UNDO);
    EXPECT_TRUE(samePlaces(fresh, places()));
}

TEST_F(PanelButtons, SequenceAfterScatterRestacksWithoutMoving) {
    press(IDC_RP_SCATTER);
    press(IDC_RP_SHUFFLE);
    std::vector<RECT> thrown = places();
    press(IDC_RP_SEQUENCE);
    EXPECT_TRUE(samePlaces(thrown, places()));
    StateData d = saved();
    ASSERT_EQ(d.cards.size(), 53u);
    const char16_t suits[] = {u'h', u's', u'c', u'd'};
    for (size_t i = 0; i < 53; ++i) {
        EXPECT_EQ(d.cards[i].suit, i == 0 ? u'j' : suits[(i - 1) / 13]) << i;
        EXPECT_EQ(d.cards[i].rank, i == 0 ? 0 : static_cast<int32_t>((i - 1) % 13 + 1)) << i;
    }
}

TEST_F(PanelButtons, GatherPilesTheCardsNextToThePointer) {
    press(IDC_RP_SCATTER);
    e2e::movePointer(300, 700);
    press(IDC_RP_GATHER);
    std::vector<e2e::CardWindow> cards = e2e::cards(table.pi.dwProcessId);
    ASSERT_EQ(cards.size(), 53u);
    // Under Wine the stacking of windows moved together can drift after the move, so the pile is
    // checked by its corners; its order is the table logic's to prove.
    std::set<std::pair<LONG, LONG>> corners;
    for (const e2e::CardWindow& c : cards) corners.insert({c.rect.left, c.rect.top});
    EXPECT_EQ(*corners.begin(), std::make_pair(270L, 656L));
    EXPECT_EQ(*corners.rbegin(), std::make_pair(287L, 673L));
    for (const auto& [x, y] : corners) EXPECT_EQ(x - 270, y - 656) << "every card on the pile's diagonal";
}

TEST_F(PanelButtons, DivideMenuDealsTheChosenNumberOfPiles) {
    HWND button = GetDlgItem(panel, IDC_RP_GATHER);
    PostMessageW(panel, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button), 0);
    HWND menu = nullptr;
    for (int i = 0; i < 100 && !menu; ++i) {
        Sleep(30);
        menu = FindWindowW(L"#32768", nullptr);
    }
    ASSERT_NE(menu, nullptr) << "the divide menu opened";
    e2e::pressKey(VK_DOWN);  // " 2"
    e2e::pressKey(VK_DOWN);  // " 3"
    e2e::pressKey(VK_RETURN);
    Sleep(500);
    std::set<std::pair<LONG, LONG>> bases;
    std::vector<e2e::CardWindow> cards = e2e::cards(table.pi.dwProcessId);
    for (const e2e::CardWindow& c : cards) bases.insert({(c.rect.left + 6) / 40, (c.rect.top + 6) / 40});
    EXPECT_GE(bases.size(), 3u);
    EXPECT_LE(bases.size(), 6u) << "three piles, each drifting a few pixels";
    EXPECT_TRUE(enabled(IDC_RP_UNDO));
}

TEST_F(PanelButtons, HelpWithoutTheHelpFileSaysSoAndOpensTheFolder) {
    PostMessageW(panel, WM_COMMAND, IDC_RP_HELP, 0);
    HWND box = nullptr;
    for (int i = 0; i < 100 && !box; ++i) {
        Sleep(30);
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", L"ルポネ")) != nullptr)
            if (w != panel) box = w;
    }
    ASSERT_NE(box, nullptr) << "a message box came up";
    EXPECT_EQ(GetWindow(box, GW_OWNER), panel);
    wchar_t text[128] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 128);
    EXPECT_STREQ(text, L"ファイル 「ルポネ.chm」 が見つかりませんでした。");
    std::set<HWND> before;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) before.insert(w);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    // Then the program's folder opens in the file manager: a new window of another process.
    HWND opened = nullptr;
    for (int i = 0; i < 150 && !opened; ++i) {
        Sleep(50);
        for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (!before.count(w) && IsWindowVisible(w) && pid != table.pi.dwProcessId && pid != GetCurrentProcessId())
                opened = w;
        }
    }
    ASSERT_NE(opened, nullptr) << "the folder opened";
    DWORD pid = 0;
    GetWindowThreadProcessId(opened, &pid);
    PostMessageW(opened, WM_CLOSE, 0, 0);
    if (HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid)) {
        if (WaitForSingleObject(p, 5000) != WAIT_OBJECT_0) TerminateProcess(p, 0);
        CloseHandle(p);
    }
    EXPECT_TRUE(e2e::alive(table));
}

// With the manual beside the program, help opens it. Wine here has no browser engine for its help
// viewer, so the pages come out of the manual into a folder of their own for the user's browser.
TEST_F(PanelButtons, HelpWithTheManualOpensItsPages) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring built = exe;
    built = built.substr(0, built.find_last_of(L'\\')) + L"\\ルポネ.chm";
    ASSERT_TRUE(CopyFileW(built.c_str(), (folder + L"\\ルポネ.chm").c_str(), FALSE));
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring first = std::wstring(temp) + L"ルポネ のヘルプ\\index.html";
    DeleteFileW(first.c_str());
    PostMessageW(panel, WM_COMMAND, IDC_RP_HELP, 0);
    bool opened = false;
    for (int i = 0; i < 100 && !opened; ++i) {
        Sleep(50);
        opened = GetFileAttributesW(first.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    EXPECT_TRUE(opened) << "the pages came out of the manual";
    EXPECT_EQ(e2e::waitForMessageBox(table.pi.dwProcessId, 500), nullptr) << "no message";
    EXPECT_TRUE(e2e::alive(table));
}

TEST_F(PanelButtons, TwelveDistinctIconsOnTheButtons) {
    HDC screen = GetDC(nullptr);
    std::set<std::vector<COLORREF>> looks;
    const int ids[] = {1012, 1008, 1000, 1001, 1006, 1007, 1013, 1014, 1019, 1018, 1020, 1015};
    for (int id : ids) {
        RECT r;
        GetWindowRect(GetDlgItem(panel, id), &r);
        int x0 = (r.left + r.right) / 2 - 8, y0 = (r.top + r.bottom) / 2 - 8;
        std::vector<COLORREF> pixels;
        int coloured = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                COLORREF c = GetPixel(screen, x0 + x, y0 + y);
                pixels.push_back(c);
                coloured += GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c);
            }
        EXPECT_GT(coloured, 8) << "button " << id << " shows its icon";
        looks.insert(pixels);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(looks.size(), 12u) << "every button looks different";
}

}  // namespace
