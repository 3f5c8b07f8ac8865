// A table is never lost: what the program cannot read is kept, what it cannot write is told,
// what an interrupted save left is taken up, and the panel stays within reach.
#include <gtest/gtest.h>

#include "deck/state_file.h"
#include "e2e/driver.h"

namespace {

class KeepingTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (e2e::alive(table)) e2e::kill(table);
    }
    std::wstring file(const std::wstring& name = L"rupone.dat") { return folder + L"\\" + name; }
    static std::vector<uint8_t> threeCards(int32_t panelX = 900, int32_t panelY = 700) {
        StateData d;
        d.panelX = panelX;
        d.panelY = panelY;
        d.soundOn = 0;
        d.cards = {{u'h', 1, 300, 300, 1}, {u's', 2, 400, 300, 0}, {u'c', 3, 500, 300, 1}};
        return encodeState(d);
    }
    void startAndWait(size_t cards) {
        ASSERT_TRUE(e2e::start(table, folder));
        ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, cards, 30000)) << "the table did not appear";
    }
    // The message the program shows, answered with this button.
    std::wstring answerMessage(int button = IDOK) {
        HWND box = e2e::waitForMessageBox(table.pi.dwProcessId, 10000);
        if (!box) return L"(no message)";
        std::wstring text = e2e::messageText(box);
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
        // Gone before the next one is looked for.
        for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
        return text;
    }
    // A table whose state file the user made read-only: no save can replace it.
    void startOnReadOnlyFile(const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(e2e::writeFile(file(), bytes));
        ASSERT_TRUE(SetFileAttributesW(file().c_str(), FILE_ATTRIBUTE_READONLY));
        startAndWait(3);
    }
    static bool says(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }
    std::wstring keptName() {
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW(file(L"rupone.dat.unreadable-*").c_str(), &found);
        if (h == INVALID_HANDLE_VALUE) return {};
        FindClose(h);
        return found.cFileName;
    }
    void close() {
        PostMessageW(e2e::panel(table.pi.dwProcessId), WM_CLOSE, 0, 0);
    }
    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
};

TEST_F(KeepingTest, AFileThatCannotBeReadIsKeptAsItWasAndTheUserIsTold) {
    std::vector<uint8_t> damaged = threeCards();
    damaged.pop_back();  // one byte short
    ASSERT_TRUE(e2e::writeFile(file(), damaged));
    startAndWait(53);
    std::wstring told = answerMessage();
    std::wstring kept = keptName();
    ASSERT_FALSE(kept.empty()) << "the file was not kept";
    EXPECT_TRUE(says(told, kept.c_str())) << "where it was kept";
    EXPECT_TRUE(says(told, L"新しいテーブル"));
    EXPECT_EQ(e2e::readFile(file(kept)), damaged) << "byte for byte";
    close();
    ASSERT_EQ(e2e::waitExit(table, 20000), 0);
    StateData d;
    ASSERT_TRUE(e2e::readSavedTable(folder, d)) << "the fresh table was saved under the usual name";
    EXPECT_EQ(d.cards.size(), 53u);
    EXPECT_EQ(e2e::readFile(file(kept)), damaged) << "and the kept file left alone";
}

TEST_F(KeepingTest, ASaveThatFailsAtCloseIsToldAndCanBeRetriedOrTheTableKeptOpen) {
    const std::vector<uint8_t> saved = threeCards();
    startOnReadOnlyFile(saved);
    close();
    std::wstring told = answerMessage(IDCANCEL);
    EXPECT_TRUE(says(told, L"保存できませんでした"));
    EXPECT_TRUE(says(told, L"読み取り専用")) << "the reason";
    EXPECT_TRUE(says(told, file().c_str())) << "the file";
    Sleep(500);
    ASSERT_TRUE(e2e::alive(table)) << "cancel keeps the table open";
    EXPECT_EQ(e2e::cards(table.pi.dwProcessId).size(), 3u);

    close();
    answerMessage(IDYES);  // tried again, still read-only: asked again
    ASSERT_TRUE(SetFileAttributesW(file().c_str(), FILE_ATTRIBUTE_NORMAL));
    StateData other;
    other.cards = {{u'd', 9, 100, 100, 1}};
    ASSERT_TRUE(e2e::writeFile(file(), encodeState(other)));
    answerMessage(IDYES);
    EXPECT_EQ(e2e::waitExit(table, 20000), 0) << "ends once the table is saved";
    StateData d;
    ASSERT_TRUE(e2e::readSavedTable(folder, d));
    EXPECT_EQ(d.cards.size(), 3u) << "the table shown was saved";
}

TEST_F(KeepingTest, ClosingWithoutSavingIsTheUsersChoiceAndKeepsTheOldFile) {
    const std::vector<uint8_t> saved = threeCards();
    startOnReadOnlyFile(saved);
    close();
    answerMessage(IDNO);
    EXPECT_EQ(e2e::waitExit(table, 20000), 0);
    SetFileAttributesW(file().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(e2e::readFile(file()), saved);
}

TEST_F(KeepingTest, ALogOffIsRefusedWhileTheTableCannotBeSaved) {
    startOnReadOnlyFile(threeCards());
    HWND panel = e2e::panel(table.pi.dwProcessId);
    DWORD_PTR answer = 1;
    ASSERT_TRUE(SendMessageTimeoutW(panel, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, FALSE) << "the session may not end: the table would be lost";
    SetFileAttributesW(file().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file().c_str());
    ASSERT_TRUE(SendMessageTimeoutW(panel, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(answer, TRUE);
    StateData d;
    ASSERT_TRUE(e2e::readSavedTable(folder, d)) << "saved before it said yes";
    EXPECT_EQ(d.cards.size(), 3u);
    close();
    EXPECT_EQ(e2e::waitExit(table, 20000), 0);
}

TEST_F(KeepingTest, ATableLeftOnlyInTheNewFileIsTakenUp) {
    ASSERT_TRUE(e2e::writeFile(file(L"rupone.dat.new"), threeCards()));
    startAndWait(3);
    EXPECT_TRUE(says(answerMessage(), L"rupone.dat.new"));
    std::vector<e2e::CardWindow> cards = e2e::cards(table.pi.dwProcessId);
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[2].rect.left, 500);
    close();
    ASSERT_EQ(e2e::waitExit(table, 20000), 0);
    StateData d;
    ASSERT_TRUE(e2e::readSavedTable(folder, d));
    EXPECT_EQ(d.cards.size(), 3u);
    EXPECT_EQ(GetFileAttributesW(file(L"rupone.dat.new").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing stale left";
}

TEST_F(KeepingTest, APanelStoredOutOfReachComesBackOnTheScreen) {
    ASSERT_TRUE(e2e::writeFile(file(), threeCards(32767, 32767)));
    startAndWait(3);
    RECT r, work;
    GetWindowRect(e2e::panel(table.pi.dwProcessId), &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_GE(r.left, work.left);
    EXPECT_GE(r.top, work.top);
    EXPECT_LE(r.right, work.right);
    EXPECT_LE(r.bottom, work.bottom);
    close();
    EXPECT_EQ(e2e::waitExit(table, 20000), 0);
}

// Whatever start-up has to tell, the table stays stacked as it was read, cards apart or overlapping.
TEST_F(KeepingTest, AStartMessageLeavesTheStackingAsRead) {
    StateData d;
    d.panelX = 900;
    d.panelY = 700;
    d.soundOn = 0;
    const struct {
        const wchar_t* file;
        int32_t step;  // between the cards' left edges: apart at 100, overlapping at 20
    } cases[] = {{L"rupone.dat.new", 100}, {L"rupone.dat.new", 20}, {L"rupone.dat.unsaved", 100}, {L"rupone.dat.unsaved", 20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << " " << c.step);
        folder = e2e::freshFolder();
        d.cards = {{u'h', 1, 300, 300, 1}, {u's', 2, 300 + c.step, 300, 1}, {u'c', 3, 300 + 2 * c.step, 300, 1}};
        const bool recovered = std::wstring(c.file) == L"rupone.dat.new";
        ASSERT_TRUE(e2e::writeFile(file(recovered ? L"rupone.dat.new" : L"rupone.dat"), encodeState(d)));
        if (!recovered) {
            ASSERT_TRUE(e2e::writeFile(file(c.file), {static_cast<uint8_t>(5)}));  // a full disk
        }
        startAndWait(3);
        // The pointer rests on the middle card as the box goes, as after a click on its OK button.
        e2e::movePointer(300 + c.step + 20, 330);
        answerMessage();
        Sleep(300);
        close();
        ASSERT_EQ(e2e::waitExit(table, 20000), 0);
        StateData back;
        ASSERT_TRUE(e2e::readSavedTable(folder, back));
        ASSERT_EQ(back.cards.size(), 3u);
        for (size_t i = 0; i < 3; ++i) EXPECT_EQ(back.cards[i].rank, d.cards[i].rank) << "at " << i;
    }
}

}  // namespace
