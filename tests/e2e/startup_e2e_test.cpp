// The program as a user meets it: first start, a second start, closing the panel.
#include <gtest/gtest.h>

#include <cstdlib>

#include "e2e/driver.h"
#include "res/ids.h"

namespace {

class TableProcess : public ::testing::Test {
protected:
    void SetUp() override {
        e2e::movePointer(640, 500);
        ASSERT_TRUE(e2e::start(table, e2e::freshFolder()));
        ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, 53, 30000)) << "the table did not appear";
    }
    void TearDown() override {
        if (e2e::alive(table)) {
            if (HWND p = e2e::panel(table.pi.dwProcessId)) PostMessageW(p, WM_CLOSE, 0, 0);
            if (e2e::waitExit(table, 10000) < 0) e2e::kill(table);
        }
    }
    e2e::Running table;
};

TEST_F(TableProcess, FirstStartLays53CardsInOnePileWithTheJokerOnTop) {
    std::vector<e2e::CardWindow> cards = e2e::cards(table.pi.dwProcessId);
    ASSERT_EQ(cards.size(), 53u);
    // Cards 0-9 lie at (200, 200), 10-19 one pixel further, ...; top first in the window list.
    for (size_t i = 0; i < cards.size(); ++i) {
        LONG at = 200 + static_cast<LONG>(i / 10);
        EXPECT_EQ(cards[i].rect.left, at) << "card " << i;
        EXPECT_EQ(cards[i].rect.top, at) << "card " << i;
        EXPECT_EQ(cards[i].rect.right - cards[i].rect.left, 60);
        EXPECT_EQ(cards[i].rect.bottom - cards[i].rect.top, 88);
        EXPECT_TRUE(cards[i].visible);
    }
    HWND panel = e2e::panel(table.pi.dwProcessId);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_FACEUP))) << "fresh cards are face down";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_FACEDOWN)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_UNDO))) << "nothing to undo yet";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_REDO)));
    // The panel opened centred on the pointer.
    RECT r;
    GetWindowRect(panel, &r);
    EXPECT_NEAR((r.left + r.right) / 2, 640, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, 500, 1);
}

// A fresh table shows how to begin, beside the panel and without taking the focus; once closed,
// the hint stays away, also from a table laid fresh again.
TEST_F(TableProcess, AFreshTableShowsTheHintUntilItIsClosed) {
    const DWORD pid = table.pi.dwProcessId;
    HWND panel = e2e::panel(pid);
    HWND note = e2e::waitForWindow(pid, L"ルポネ - はじめに", 5000);
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(GetWindow(note, GW_OWNER), panel);
    wchar_t text[200] = {};
    GetDlgItemTextW(note, IDC_RP_HINT_TEXT, text, 200);
    EXPECT_NE(std::wstring(text).find(L"クリック"), std::wstring::npos);
    EXPECT_NE(GetForegroundWindow(), note) << "the hint takes no focus";
    RECT n, p;
    GetWindowRect(note, &n);
    GetWindowRect(panel, &p);
    EXPECT_LT(std::abs(n.bottom - p.top) + std::abs(n.left - p.left), 20) << "just above the panel";
    PostMessageW(note, WM_COMMAND, IDCANCEL, 0);
    for (int i = 0; i < 50 && IsWindow(note); ++i) Sleep(20);
    EXPECT_FALSE(IsWindow(note));
    EXPECT_FALSE(e2e::readFile(table.folder + L"\\rupone.hint").empty()) << "remembered beside the state file";
    e2e::closeTable(table, panel);

    DeleteFileW((table.folder + L"\\rupone.dat").c_str());  // a fresh table again
    ASSERT_NE(e2e::startTable(table, table.folder, 53), nullptr);
    EXPECT_EQ(e2e::waitForWindow(table.pi.dwProcessId, L"ルポネ - はじめに", 1500), nullptr);
}

TEST_F(TableProcess, SecondStartEndsAtOnceAndLeavesTheFirstAlone) {
    HWND panelBefore = e2e::panel(table.pi.dwProcessId);
    e2e::Running second;
    ASSERT_TRUE(e2e::start(second, e2e::freshFolder()));
    EXPECT_EQ(e2e::waitExit(second, 20000), 0);
    EXPECT_TRUE(e2e::alive(table));
    EXPECT_EQ(e2e::panel(table.pi.dwProcessId), panelBefore);
    EXPECT_EQ(e2e::cards(table.pi.dwProcessId).size(), 53u);
}

TEST_F(TableProcess, ClosingThePanelEndsTheProgramWithCodeZero) {
    HWND panel = e2e::panel(table.pi.dwProcessId);
    ASSERT_NE(panel, nullptr);
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(e2e::waitExit(table, 20000), 0);
}

TEST_F(TableProcess, EnterAndEscapeOnThePanelDoNotCloseIt) {
    HWND panel = e2e::panel(table.pi.dwProcessId);
    SendMessageW(panel, WM_COMMAND, IDOK, 0);
    SendMessageW(panel, WM_COMMAND, IDCANCEL, 0);
    Sleep(200);
    EXPECT_TRUE(e2e::alive(table));
    EXPECT_TRUE(IsWindow(panel));
}

}  // namespace

namespace {

TEST(TableStart, PanelOpenedInTheCornerStaysTenPixelsInside) {
    e2e::movePointer(1279, 1023);
    e2e::Running table;
    ASSERT_TRUE(e2e::start(table, e2e::freshFolder()));
    ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, 53, 30000));
    HWND panel = e2e::panel(table.pi.dwProcessId);
    RECT r, work;
    GetWindowRect(panel, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r.right, work.right - 10);
    EXPECT_EQ(r.bottom, work.bottom - 10);
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(e2e::waitExit(table, 20000), 0);
}

}  // namespace

namespace {

// The display scale a user sets, for the programs started while this lives: Wine reads it from
// the user's LogPixels when a process starts. The value before comes back at the end.
class DisplayScale {
public:
    explicit DisplayScale(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                        &key_, nullptr);
        DWORD size = sizeof old_;
        had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
               ERROR_SUCCESS;
        RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~DisplayScale() {
        if (had_)
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
        else
            RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
    }
    DisplayScale(const DisplayScale&) = delete;
    DisplayScale& operator=(const DisplayScale&) = delete;

private:
    HKEY key_ = nullptr;
    DWORD old_ = 0;
    bool had_ = false;
};

TEST(TableStart, AtTwiceTheScaleAFreshTableHasCardsTwiceAsLargeAndThePanelHoldsItsControls) {
    DisplayScale scale(192);
    e2e::movePointer(640, 500);
    e2e::Running table;
    ASSERT_TRUE(e2e::start(table, e2e::freshFolder()));
    ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, 53, 30000));
    std::vector<e2e::CardWindow> cards = e2e::cards(table.pi.dwProcessId);
    ASSERT_EQ(cards.size(), 53u);
    EXPECT_EQ(cards[0].rect.right - cards[0].rect.left, 120);
    EXPECT_EQ(cards[0].rect.bottom - cards[0].rect.top, 176);
    HWND panel = e2e::panel(table.pi.dwProcessId);
    RECT client;
    GetClientRect(panel, &client);
    MapWindowPoints(panel, nullptr, reinterpret_cast<POINT*>(&client), 2);
    for (int id : {IDC_RP_SEQUENCE, IDC_RP_HELP, IDC_RP_RATIO, IDC_RP_RECURSIVE}) {
        RECT r;
        GetWindowRect(GetDlgItem(panel, id), &r);
        EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right && r.bottom <= client.bottom)
            << "control " << id;
        if (id == IDC_RP_HELP) {
            EXPECT_GE(r.right - r.left, 50) << "18 dialog units at 200 %";
        }
    }
    PostMessageW(panel, WM_CLOSE, 0, 0);
    EXPECT_EQ(e2e::waitExit(table, 20000), 0);
}

}  // namespace
