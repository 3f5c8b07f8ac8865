// The table survives a restart: what closing the panel writes, and what the next start makes of it.
#include <gtest/gtest.h>

#include <fstream>

#include "deck/state_file.h"
#include "e2e/driver.h"
#include "res/ids.h"

namespace {

std::wstring stateFile(const std::wstring& folder) { return folder + L"\\rupone.dat"; }

void writeState(const std::wstring& folder, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileW(stateFile(folder).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
}

// A table that no fresh start would make: cards apart from each other, some face up, a few
// settings and keys changed.
StateData preparedTable() {
    StateData d;
    d.panelX = 900;
    d.panelY = 700;
    d.overlapRatio = 30;
    d.judgeRecursively = 1;
    d.cardWidth = 50;
    d.cardHeight = 70;
    d.drawIndex = 0;
    d.soundOn = 0;
    d.overwriteConflicts = 0;
    d.keys[0] = makeBinding('I', kModCtrl);
    d.keys[17] = makeBinding('T', kModShift);
    const char16_t suits[] = {u'j', u'h', u's', u'c', u'd'};
    for (int i = 0; i < 12; ++i)
        d.cards.push_back({suits[i % 5], i % 14, 60 + 70 * i, 80 + 15 * (i % 4), static_cast<uint32_t>(i % 3 == 0)});
    // Two cards on top of each other: the first listed lies on top.
    d.cards.push_back({u'h', 12, 300, 400, 1});
    d.cards.push_back({u's', 1, 310, 410, 0});
    return d;
}

class StateRoundTrip : public ::testing::Test {
protected:
    void TearDown() override {
        if (e2e::alive(table)) e2e::kill(table);
    }
    void startAndWait(size_t cards) {
        ASSERT_TRUE(e2e::start(table, folder));
        ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, cards, 30000)) << "the table did not appear";
    }
    void closeTable() {
        HWND panel = e2e::panel(table.pi.dwProcessId);
        ASSERT_NE(panel, nullptr);
        PostMessageW(panel, WM_CLOSE, 0, 0);
        ASSERT_EQ(e2e::waitExit(table, 20000), 0);
    }
    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
};

TEST_F(StateRoundTrip, ClosingThePanelWritesTheFreshTable) {
    startAndWait(53);
    closeTable();
    StateData d;
    ASSERT_TRUE(e2e::readSavedTable(folder, d));
    ASSERT_EQ(d.cards.size(), 53u);
    EXPECT_EQ(d.cards[0].suit, u'j');
    EXPECT_EQ(d.cards[1].suit, u'h');
    EXPECT_EQ(d.cards[1].rank, 1);
    EXPECT_EQ(d.cards[52].suit, u'd');
    EXPECT_EQ(d.cards[52].rank, 13);
    for (size_t i = 0; i < 53; ++i) {
        EXPECT_EQ(d.cards[i].x, 200 + static_cast<int32_t>(i / 10)) << i;
        EXPECT_EQ(d.cards[i].faceUp, 0u);
    }
    EXPECT_EQ(d.overlapRatio, 50u);
    EXPECT_EQ(d.keys, kDefaultKeys);
}

TEST_F(StateRoundTrip, NextStartRestoresTheTableAndItsSettings) {
    StateData want = preparedTable();
    writeState(folder, encodeState(want));
    startAndWait(want.cards.size());
    std::vector<e2e::CardWindow> cards = e2e::cards(table.pi.dwProcessId);
    ASSERT_EQ(cards.size(), want.cards.size());
    for (size_t i = 0; i < cards.size(); ++i) {
        EXPECT_EQ(cards[i].rect.left, want.cards[i].x) << "z-order place " << i;
        EXPECT_EQ(cards[i].rect.top, want.cards[i].y) << "z-order place " << i;
        EXPECT_EQ(cards[i].rect.right - cards[i].rect.left, 50);
        EXPECT_EQ(cards[i].rect.bottom - cards[i].rect.top, 70);
    }
    HWND panel = e2e::panel(table.pi.dwProcessId);
    RECT r;
    GetWindowRect(panel, &r);
    EXPECT_EQ(r.left, 900);
    EXPECT_EQ(r.top, 700);
    EXPECT_EQ(SendDlgItemMessageW(panel, IDC_RP_RECURSIVE, BM_GETCHECK, 0, 0), BST_CHECKED);
    // The thumb follows the stored ratio once the trackbar has been drawn.
    for (int i = 0; i < 40 && SendDlgItemMessageW(panel, IDC_RP_RATIO, TBM_GETPOS, 0, 0) != 30; ++i) Sleep(50);
    EXPECT_EQ(SendDlgItemMessageW(panel, IDC_RP_RATIO, TBM_GETPOS, 0, 0), 30);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_FACEUP)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_RP_FACEDOWN)));

    // Closing writes back exactly what was read: faces, keys and settings included.
    closeTable();
    StateData got;
    ASSERT_TRUE(e2e::readSavedTable(folder, got));
    ASSERT_EQ(got.cards.size(), want.cards.size());
    for (size_t i = 0; i < got.cards.size(); ++i) {
        EXPECT_EQ(got.cards[i].suit, want.cards[i].suit) << i;
        EXPECT_EQ(got.cards[i].rank, want.cards[i].rank) << i;
        EXPECT_EQ(got.cards[i].x, want.cards[i].x) << i;
        EXPECT_EQ(got.cards[i].faceUp, want.cards[i].faceUp) << i;
    }
    EXPECT_EQ(got.keys, want.keys);
    EXPECT_EQ(got.overwriteConflicts, 0u);
    EXPECT_EQ(got.soundOn, 0u);
    EXPECT_EQ(got.drawIndex, 0u);
    EXPECT_EQ(got.cardWidth, 50);
    EXPECT_EQ(got.panelX, 900);
}

TEST_F(StateRoundTrip, CorruptFileGivesAFreshTable) {
    std::vector<uint8_t> bytes = encodeState(preparedTable());
    bytes[3] ^= 0xFF;
    writeState(folder, bytes);
    startAndWait(53);
    std::vector<e2e::CardWindow> cards = e2e::cards(table.pi.dwProcessId);
    ASSERT_EQ(cards.size(), 53u);
    EXPECT_EQ(cards[0].rect.left, 200);
    EXPECT_EQ(cards[52].rect.left, 205);
    closeTable();
}

TEST_F(StateRoundTrip, LoggingOffWritesTheFileWhileTheTableRuns) {
    startAndWait(53);
    // The table is saved soon after it is laid out; with nothing changed since, nothing else is.
    for (int i = 0; i < 100 && GetFileAttributesW(stateFile(folder).c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
    ASSERT_TRUE(DeleteFileW(stateFile(folder).c_str()));
    HWND panel = e2e::panel(table.pi.dwProcessId);
    SendMessageW(panel, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(GetFileAttributesW(stateFile(folder).c_str()), INVALID_FILE_ATTRIBUTES) << "FALSE: nothing is written";
    SendMessageW(panel, WM_ENDSESSION, TRUE, 0);
    StateData d;
    ASSERT_TRUE(e2e::readSavedTable(folder, d));
    EXPECT_EQ(d.cards.size(), 53u);
    EXPECT_TRUE(e2e::alive(table));
    EXPECT_EQ(e2e::cards(table.pi.dwProcessId).size(), 53u);
    closeTable();
}

TEST_F(StateRoundTrip, PanelStoredOffTheWorkAreaComesBackAtItsEdge) {
    StateData d = preparedTable();
    d.panelX = -400;
    d.panelY = -300;
    writeState(folder, encodeState(d));
    startAndWait(d.cards.size());
    RECT r, work;
    GetWindowRect(e2e::panel(table.pi.dwProcessId), &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(r.left, work.left);
    EXPECT_EQ(r.top, work.top);
    closeTable();
}


TEST_F(StateRoundTrip, AnOverlappingTableKeepsItsStackingWhileThePanelMovesOverIt) {
    // 53 cards thrown over the screen, many overlapping, two of them under the panel.
    StateData want;
    want.panelX = 300;
    want.panelY = 200;
    want.soundOn = 0;
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    const char16_t suits[] = {u'h', u'c', u's', u'd'};
    want.cards.push_back({u'j', 0, 319, 204, 1});
    for (int i = 0; i < 52; ++i) {
        int32_t x = static_cast<int32_t>(next(1150)), y = static_cast<int32_t>(next(900));
        if (i == 20) x = 379, y = 320;
        want.cards.push_back({suits[i / 13], i % 13 + 1, x, y, next(2)});
    }
    writeState(folder, encodeState(want));
    startAndWait(want.cards.size());
    Sleep(500);
    // The panel passes over a pile and goes back: whatever it uncovers must stay where it lay.
    HWND panel = e2e::panel(table.pi.dwProcessId);
    const POINT stops[] = {{500, 400}, {700, 300}, {100, 600}, {300, 200}};
    for (POINT p : stops) {
        SetWindowPos(panel, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Sleep(300);
    }
    closeTable();
    StateData got;
    ASSERT_TRUE(e2e::readSavedTable(folder, got));
    ASSERT_EQ(got.cards.size(), want.cards.size());
    int moved = 0;
    for (size_t i = 0; i < got.cards.size(); ++i) {
        bool same = got.cards[i].suit == want.cards[i].suit && got.cards[i].rank == want.cards[i].rank &&
                    got.cards[i].x == want.cards[i].x && got.cards[i].y == want.cards[i].y;
        EXPECT_TRUE(same) << "record " << i << " is " << char(got.cards[i].suit) << got.cards[i].rank << ", was "
                          << char(want.cards[i].suit) << want.cards[i].rank;
        moved += !same;
    }
    EXPECT_EQ(moved, 0);
}

}  // namespace

namespace {

// Answers the program's file dialog with a path, as a user who types it and presses Enter.
bool answerFileDialog(DWORD pid, const std::wstring& title, const std::wstring& path) {
    HWND dlg = e2e::waitForWindow(pid, title, 10000);
    if (!dlg) return false;
    HWND name = GetDlgItem(dlg, 0x47C);  // the name box: a combo box with an edit inside
    if (HWND inner = name ? FindWindowExW(name, nullptr, L"Edit", nullptr) : nullptr) name = inner;
    if (!name) name = GetDlgItem(dlg, 0x480);
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 400 && IsWindow(dlg); ++i) Sleep(25);
    return !IsWindow(dlg);
}

std::vector<RECT> places(DWORD pid) {
    std::vector<RECT> out;
    for (const e2e::CardWindow& c : e2e::cards(pid))
        if (c.visible) out.push_back(c.rect);
    return out;
}

bool samePlaces(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (!EqualRect(&a[i], &b[i])) return false;
    return true;
}

bool waitForPlaces(DWORD pid, const std::vector<RECT>& want) {
    for (int i = 0; i < 200; ++i) {
        if (samePlaces(places(pid), want)) return true;
        Sleep(50);
    }
    return false;
}

}  // namespace

// Tables under names, from the panel's window menu: saved as game.dat, a new table laid, game.dat
// opened again (same cards, places and stacking), a damaged file refused with its reason and
// nothing changed, and the table last opened back at the next start.
TEST_F(StateRoundTrip, TablesSavedUnderNamesOpenAgainAndComeBackAtTheNextStart) {
    writeState(folder, encodeState(preparedTable()));
    startAndWait(14);
    const DWORD pid = table.pi.dwProcessId;
    HWND panel = e2e::panel(pid);
    const std::vector<RECT> before = places(pid);
    const std::wstring game = folder + L"\\game.dat";

    PostMessageW(panel, WM_SYSCOMMAND, 0x1030, 0);
    ASSERT_TRUE(answerFileDialog(pid, L"テーブルに名前を付けて保存", game));
    std::vector<uint8_t> saved;
    for (int i = 0; i < 100 && saved.empty(); ++i, Sleep(50)) saved = e2e::readFile(game);
    StateData d;
    ASSERT_TRUE(decodeState(saved.data(), saved.size(), d));
    EXPECT_EQ(d.cards.size(), 14u);

    PostMessageW(panel, WM_SYSCOMMAND, 0x1010, 0);
    ASSERT_TRUE(answerFileDialog(pid, L"新しいテーブルの保存先", folder + L"\\new.dat"));
    ASSERT_TRUE(e2e::waitForTable(pid, 53, 20000)) << "the fresh table";

    PostMessageW(panel, WM_SYSCOMMAND, 0x1020, 0);
    ASSERT_TRUE(answerFileDialog(pid, L"テーブルを開く", game));
    EXPECT_TRUE(waitForPlaces(pid, before)) << "the same cards, places and stacking";

    e2e::writeFile(folder + L"\\bad.dat", {'n', 'o', 't', ' ', 'a', ' ', 't', 'a', 'b', 'l', 'e'});
    PostMessageW(panel, WM_SYSCOMMAND, 0x1020, 0);
    ASSERT_TRUE(answerFileDialog(pid, L"テーブルを開く", folder + L"\\bad.dat"));
    HWND box = e2e::waitForMessageBox(pid, 10000);
    ASSERT_NE(box, nullptr);
    const std::wstring text = e2e::messageText(box);
    EXPECT_NE(text.find(L"bad.dat"), std::wstring::npos);
    EXPECT_NE(text.find(L"短すぎ"), std::wstring::npos) << "the reason";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    Sleep(300);
    EXPECT_TRUE(samePlaces(places(pid), before)) << "the table on screen is untouched";

    closeTable();
    startAndWait(14);
    EXPECT_TRUE(waitForPlaces(table.pi.dwProcessId, before)) << "the table last opened comes back";
}
