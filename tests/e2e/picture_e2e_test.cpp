// Face pictures as a user sees them: files beside the program shown on the cards, and image files
// dropped on cards from another program.
#include <gtest/gtest.h>

#include <cstring>

#include "deck/state_file.h"
#include "e2e/driver.h"

#include <shlobj.h>

namespace {

// A solid 24-bit BMP of 8 x 8 pixels.
std::vector<uint8_t> solidBmp(COLORREF colour) {
    std::vector<uint8_t> b(54 + 8 * 8 * 3);
    auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 8);
    put32(22, 8);
    b[26] = 1, b[28] = 24;
    for (size_t p = 54; p < b.size(); p += 3) b[p] = GetBValue(colour), b[p + 1] = GetGValue(colour), b[p + 2] = GetRValue(colour);
    return b;
}

COLORREF screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

class PictureTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (e2e::alive(table)) {
            PostMessageW(e2e::panel(table.pi.dwProcessId), WM_CLOSE, 0, 0);
            if (e2e::waitExit(table, 10000) < 0) e2e::kill(table);
        }
    }
    std::wstring file(const std::wstring& name) { return folder + L"\\" + name; }
    // Ace of hearts face up, two of spades face up, three of clubs face down, apart from each other.
    void start() {
        StateData d;
        d.panelX = 900;
        d.panelY = 800;
        d.soundOn = 0;
        d.cards = {{u'h', 1, 300, 300, 1}, {u's', 2, 420, 300, 1}, {u'c', 3, 540, 300, 0},
                   {u'c', 4, 660, 300, 1}, {u'd', 13, 780, 300, 1}};
        ASSERT_TRUE(e2e::writeFile(file(L"rupone.dat"), encodeState(d)));
        ASSERT_TRUE(e2e::start(table, folder));
        ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, 5, 30000));
        for (const e2e::CardWindow& c : e2e::cards(table.pi.dwProcessId)) windows.push_back(c.hwnd);
        Sleep(500);
    }
    // What the middle of a card shows.
    static COLORREF middle(int left) { return screenPixel(left + 30, 344); }
    // Delivers a drop of one file as the shell would, from this process: the DROPFILES block
    // written into the program's memory (Wine passes no handle of ours across).
    void drop(HWND card, const std::wstring& path) {
        std::vector<uint8_t> block(sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t));
        auto* df = reinterpret_cast<DROPFILES*>(block.data());
        df->pFiles = sizeof(DROPFILES);
        df->pt = {10, 10};
        df->fWide = TRUE;
        std::memcpy(block.data() + sizeof(DROPFILES), path.c_str(), path.size() * sizeof(wchar_t));
        void* remote = VirtualAllocEx(table.pi.hProcess, nullptr, block.size(), MEM_COMMIT, PAGE_READWRITE);
        ASSERT_NE(remote, nullptr);
        ASSERT_TRUE(WriteProcessMemory(table.pi.hProcess, remote, block.data(), block.size(), nullptr));
        PostMessageW(card, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
    }
    static HWND waitForMenu() {
        HWND menu = nullptr;
        for (int i = 0; i < 100 && !menu; ++i) {
            Sleep(30);
            menu = FindWindowW(L"#32768", nullptr);
        }
        return menu;
    }
    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
    std::vector<HWND> windows;
};

const COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 160, 0), kBlue = RGB(0, 0, 255), kYellow = RGB(255, 220, 0),
               kMagenta = RGB(200, 0, 200), kCyan = RGB(0, 200, 200);

TEST_F(PictureTest, PicturesBesideTheProgramShowOnTheCardsTheyAreFor) {
    ASSERT_TRUE(e2e::writeFile(file(L"A.bmp"), solidBmp(kRed)));      // every ace
    ASSERT_TRUE(e2e::writeFile(file(L"表.bmp"), solidBmp(kGreen)));    // every other front
    ASSERT_TRUE(e2e::writeFile(file(L"裏.bmp"), solidBmp(kBlue)));     // the back
    ASSERT_TRUE(e2e::writeFile(file(L"c.bmp"), solidBmp(kCyan)));      // every club
    ASSERT_TRUE(e2e::writeFile(file(L"Kd.bmp"), solidBmp(kMagenta)));  // the king of diamonds alone
    start();
    EXPECT_EQ(middle(300), kRed) << "the ace shows its rank's picture";
    EXPECT_EQ(middle(420), kGreen) << "the two shows the all-fronts picture";
    EXPECT_EQ(middle(540), kBlue) << "a face-down card shows the back picture";
    EXPECT_EQ(middle(660), kCyan) << "the four of clubs shows its suit's picture";
    EXPECT_EQ(middle(780), kMagenta) << "the king of diamonds shows its own picture";
}

TEST_F(PictureTest, AFileDroppedOnACardIsCopiedAndShownAtOnce) {
    start();
    const std::wstring yellow = file(L"dropped-yellow.BMP"), red = file(L"photo.bmp");
    ASSERT_TRUE(e2e::writeFile(yellow, solidBmp(kYellow)));
    ASSERT_TRUE(e2e::writeFile(red, solidBmp(kRed)));
    EXPECT_NE(middle(540), kYellow);

    drop(windows[2], yellow);  // face down: the back of every card, no question
    Sleep(800);
    EXPECT_EQ(e2e::readFile(file(L"裏.BMP")), solidBmp(kYellow)) << "copied under the back's name, its extension kept";
    EXPECT_EQ(middle(540), kYellow);

    SetForegroundWindow(windows[1]);
    drop(windows[1], red);  // face up: the menu asks whom it is for
    ASSERT_NE(waitForMenu(), nullptr) << "the assignment menu";
    e2e::pressKey(VK_HOME);  // the title
    e2e::pressKey(VK_DOWN);  // "このカードだけの絵にする"
    e2e::pressKey(VK_RETURN);
    Sleep(800);
    EXPECT_EQ(e2e::readFile(file(L"2s.bmp")), solidBmp(kRed)) << "named for the two of spades";
    EXPECT_EQ(middle(420), kRed);
    EXPECT_NE(middle(300), kRed) << "the ace is another card";
}

}  // namespace
