// Sharing the real table through the test command's broker, as a user does it from the panel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "e2e/driver.h"
#include "res/ids.h"

namespace {

const wchar_t kCaption[] = L"ルポネ - テーブルを共有";

std::wstring windowText(HWND h) {
    wchar_t text[256] = {};
    GetWindowTextW(h, text, 256);
    return text;
}

bool waitFor(const std::function<bool()>& done, DWORD ms = 10000) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        Sleep(50);
    }
    return done();
}

class Sharing : public ::testing::Test {
protected:
    void SetUp() override {
        const char* broker = std::getenv("RUPONE_TEST_BROKER");
        if (!broker) GTEST_SKIP() << "no broker given (the test command starts one)";
        const std::string b = broker;
        port = std::wstring(b.begin() + static_cast<std::ptrdiff_t>(b.rfind(':') + 1), b.end());
        e2e::movePointer(1270, 1010);
        panel = e2e::startTable(table, folder, 53);
        ASSERT_TRUE(panel);
    }
    void TearDown() override {
        if (dialog && IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        if (panel) e2e::closeTable(table, panel);
    }
    void open() {
        PostMessageW(panel, WM_COMMAND, IDC_RP_SHARE, 0);
        dialog = e2e::waitForWindow(table.pi.dwProcessId, kCaption, 10000);
        ASSERT_TRUE(dialog);
    }
    void fill(const wchar_t* thePort, const wchar_t* tableName) {
        SetDlgItemTextW(dialog, IDC_RP_SHARE_HOST, L"127.0.0.1");
        SetDlgItemTextW(dialog, IDC_RP_SHARE_PORT, thePort);
        SetDlgItemTextW(dialog, IDC_RP_SHARE_TABLE, tableName);
        SetDlgItemTextW(dialog, IDC_RP_SHARE_PASS, L"e2e passphrase");
        SetDlgItemTextW(dialog, IDC_RP_SHARE_PLAYER, L"花子");
    }
    void press(int id) {
        PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(id), 0);
        DWORD_PTR ignored;
        SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
    }
    std::wstring status() {
        wchar_t text[512] = {};
        GetDlgItemTextW(dialog, IDC_RP_SHARE_STATUS, text, 512);
        return text;
    }

    e2e::Running table;
    std::wstring folder = e2e::freshFolder();
    HWND panel = nullptr, dialog = nullptr;
    std::wstring port;
};

TEST_F(Sharing, AStartedTableSaysSoInTheCaptionAndStoppingGivesTheOwnTableBack) {
    StateData before;
    ASSERT_TRUE(e2e::savedTable(panel, folder, before));
    open();
    fill(L"0", L"e2e table");
    press(IDC_RP_SHARE_START);
    EXPECT_NE(status().find(L"ポート"), std::wstring::npos) << "a port that cannot be used is told";
    EXPECT_EQ(windowText(panel), L"ルポネ") << "and changes nothing";

    fill(port.c_str(), (L"e2e table " + std::to_wstring(GetCurrentProcessId())).c_str());
    press(IDC_RP_SHARE_START);
    ASSERT_TRUE(waitFor([&] { return windowText(panel).find(L"共有中 1 人") != std::wstring::npos; }))
        << "caption: " << std::string(windowText(panel).begin(), windowText(panel).end()).size();
    EXPECT_NE(windowText(panel).find(L"新しいテーブルを作りました"), std::wstring::npos) << "nobody was there";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_RP_SHARE_START)));

    press(IDC_RP_SHARE_STOP);
    ASSERT_TRUE(waitFor([&] { return windowText(panel) == L"ルポネ"; }));
    ASSERT_TRUE(e2e::waitForTable(table.pi.dwProcessId, 53, 10000));
    StateData after;
    ASSERT_TRUE(e2e::savedTable(panel, folder, after));
    ASSERT_EQ(after.cards.size(), before.cards.size());
    for (size_t i = 0; i < after.cards.size(); ++i) {
        EXPECT_EQ(after.cards[i].x, before.cards[i].x) << i;
        EXPECT_EQ(after.cards[i].faceUp, before.cards[i].faceUp) << i;
    }
}

TEST(SharingFromTheCommandLine, APassphraseFromTheEnvironmentSharesAtOnceAndWrongArgumentsAreTold) {
    const char* broker = std::getenv("RUPONE_TEST_BROKER");
    if (!broker) GTEST_SKIP() << "no broker given (the test command starts one)";
    const std::string b = broker;
    const std::wstring server(b.begin(), b.end());
    e2e::movePointer(1270, 1010);

    e2e::Running shared;
    SetEnvironmentVariableW(L"RUPONE_PASSPHRASE", L"from the environment");
    ASSERT_TRUE(e2e::start(shared, e2e::freshFolder(),
                           L"--share " + server + L" --table \"shortcut " + std::to_wstring(GetCurrentProcessId()) +
                               L"\" --player 太郎"));
    SetEnvironmentVariableW(L"RUPONE_PASSPHRASE", nullptr);
    ASSERT_TRUE(e2e::waitForTable(shared.pi.dwProcessId, 53, 20000));
    HWND panel = e2e::panel(shared.pi.dwProcessId);
    EXPECT_TRUE(waitFor([&] { return windowText(panel).find(L"共有中 1 人") != std::wstring::npos; }));
    e2e::closeTable(shared, panel);

    e2e::Running wrong;
    ASSERT_TRUE(e2e::start(wrong, e2e::freshFolder(), L"--share"));
    HWND box = e2e::waitForMessageBox(wrong.pi.dwProcessId, 20000);
    ASSERT_TRUE(box);
    EXPECT_NE(e2e::messageText(box).find(L"書き方: rupone.exe --share"), std::wstring::npos) << "says how to write it";
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(e2e::waitForTable(wrong.pi.dwProcessId, 53, 20000)) << "and the table comes up all the same";
    e2e::closeTable(wrong, e2e::panel(wrong.pi.dwProcessId));
}

}  // namespace
