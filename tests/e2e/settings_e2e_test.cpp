// The settings dialog of the real table: what it shows, what it refuses, what it applies and keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "deck/state_file.h"
#include "e2e/driver.h"
#include "res/ids.h"

namespace {

const wchar_t kDialogCaption[] = L"ルポネ 1.0.0 - 設定";
const wchar_t kCheckCaption[] = L"ルポネ - 設定";
// Combo box, Shift box and Ctrl box of each row, in storage order.
const int kRows[18][3] = {{1039, 1050, 1051}, {1040, 1052, 1053}, {1042, 1056, 1057}, {1041, 1054, 1055},
                          {1044, 1060, 1062}, {1076, 1081, 1082}, {1077, 1083, 1084}, {1079, 1087, 1088},
                          {1078, 1085, 1086}, {1080, 1089, 1090}, {1047, 1068, 1070}, {1046, 1065, 1067},
                          {1058, 1095, 1096}, {1059, 1097, 1100}, {1061, 1101, 1102}, {1048, 1072, 1073},
                          {1049, 1074, 1075}, {1063, 1103, 1104}};

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override { startTable(); }
    void TearDown() override { closeTable(); }
    void startTable() {
        e2e::movePointer(1270, 1010);  // away from the dialog, whose size fields take the focus on hover
        panel = e2e::startTable(table, folder, 53);
        ASSERT_TRUE(panel);
    }
    void closeTable() {
        if (e2e::alive(table) && dialog && IsWindowVisible(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        e2e::closeTable(table, panel);
    }
    HWND open() {
        PostMessageW(panel, WM_COMMAND, IDC_RP_SETTINGS, 0);
        dialog = e2e::waitForWindow(table.pi.dwProcessId, kDialogCaption, 10000);
        return dialog;
    }
    // Presses a button of the dialog and waits until the dialog is gone and its work done.
    void close(int button) {
        PostMessageW(dialog, WM_COMMAND, static_cast<WPARAM>(button), 0);
        for (int i = 0; i < 200 && IsWindowVisible(dialog); ++i) Sleep(25);
        EXPECT_FALSE(IsWindowVisible(dialog));
        DWORD_PTR ignored;
        SendMessageTimeoutW(panel, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
    }
    std::wstring text(int id) {
        wchar_t buf[64] = {};
        GetDlgItemTextW(dialog, id, buf, 64);
        return buf;
    }
    void setSize(const wchar_t* width, const wchar_t* height) {
        SetDlgItemTextW(dialog, IDC_RP_CARD_WIDTH, width);
        SetDlgItemTextW(dialog, IDC_RP_CARD_HEIGHT, height);
    }
    // Presses apply with sizes that fail: the message shown, and the box closed.
    std::wstring refusal() {
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        HWND box = e2e::waitForWindow(table.pi.dwProcessId, kCheckCaption, 10000);
        if (!box) return L"(no message)";
        std::wstring said = e2e::messageText(box);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(25);
        return said;
    }
    LRESULT combo(int id, UINT msg, WPARAM wp = 0) { return SendDlgItemMessageW(dialog, id, msg, wp, 0); }
    LRESULT selectedKey(int id) { return combo(id, CB_GETITEMDATA, static_cast<WPARAM>(combo(id, CB_GETCURSEL))); }
    bool checked(int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    void expectNoFocus() {
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui));
        EXPECT_TRUE(gui.hwndFocus == nullptr || gui.hwndFocus == dialog)
            << "no control has the focus at first: " << GetDlgCtrlID(gui.hwndFocus);
    }
    std::vector<HWND> stacking() {
        std::vector<HWND> out;
        for (const e2e::CardWindow& c : e2e::cards(table.pi.dwProcessId)) out.push_back(c.hwnd);
        return out;
    }

    std::wstring folder = e2e::freshFolder();
    e2e::Running table;
    HWND panel = nullptr;
    HWND dialog = nullptr;
};

TEST_F(SettingsDialog, OpensWithTheLiveValuesEighteenFullKeyListsAndNoFocus) {
    ASSERT_TRUE(open());
    EXPECT_EQ(text(IDC_RP_CARD_WIDTH), L"60");
    EXPECT_EQ(text(IDC_RP_CARD_HEIGHT), L"88");
    EXPECT_EQ(text(IDC_RP_WIDTH_LIMIT), L"≦ 999");  // the virtual display is larger than 999 both ways
    EXPECT_TRUE(checked(IDC_RP_DRAW_INDEX));
    EXPECT_TRUE(checked(IDC_RP_SOUND));
    EXPECT_TRUE(checked(IDC_RP_OVERWRITE));
    const KeyTable defaults = kDefaultKeys;
    for (int row = 0; row < 18; ++row) {
        const int id = kRows[row][0];
        ASSERT_EQ(combo(id, CB_GETCOUNT), 93) << "row " << row;
        EXPECT_EQ(combo(id, CB_GETITEMDATA, 0), 0);
        EXPECT_EQ(combo(id, CB_GETITEMDATA, 1), 3);
        EXPECT_EQ(combo(id, CB_GETITEMDATA, 92), 222);
        EXPECT_EQ(static_cast<uint32_t>(selectedKey(id)), defaults[static_cast<size_t>(row)] & 0xFFFF) << "row " << row;
        EXPECT_EQ(checked(kRows[row][1]), (defaults[static_cast<size_t>(row)] >> 16 & 4) != 0) << "row " << row;
        EXPECT_FALSE(checked(kRows[row][2])) << "row " << row;
    }
    wchar_t name[32] = {};
    SendDlgItemMessageW(dialog, 1039, CB_GETLBTEXT, static_cast<WPARAM>(combo(1039, CB_GETCURSEL)),
                        reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, L"↑");
    expectNoFocus();
    EXPECT_FALSE(IsWindowEnabled(panel)) << "the panel waits for the dialog";

    RECT height;
    GetWindowRect(GetDlgItem(dialog, IDC_RP_CARD_HEIGHT), &height);
    e2e::movePointer((height.left + height.right) / 2, (height.top + height.bottom) / 2);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui);
    EXPECT_EQ(gui.hwndFocus, GetDlgItem(dialog, IDC_RP_CARD_HEIGHT)) << "the focus follows the pointer in";
}

TEST_F(SettingsDialog, RefusesSizesInTheirOrderThenAppliesSizeAndKeysAndKeepsThemOverARestart) {
    ASSERT_TRUE(open());
    const std::vector<HWND> before = stacking();
    setSize(L"5", L"15");
    EXPECT_EQ(refusal(), L"カードの高さを 16 ドット以上にしてください。");
    EXPECT_EQ(text(IDC_RP_CARD_HEIGHT), L"16");
    EXPECT_EQ(text(IDC_RP_CARD_WIDTH), L"5") << "the width is not looked at";
    setSize(L"60", L"121");
    EXPECT_EQ(refusal(), L"カードの幅か高さがもう一方の倍を超えないようにしてください。");
    EXPECT_EQ(text(IDC_RP_CARD_WIDTH), L"60");
    EXPECT_EQ(text(IDC_RP_CARD_HEIGHT), L"121");
    EXPECT_TRUE(IsWindowVisible(dialog));

    setSize(L"60", L"120");
    const int kKeyK = 'K';
    for (LRESULT i = 0; i < combo(1039, CB_GETCOUNT); ++i)
        if (combo(1039, CB_GETITEMDATA, static_cast<WPARAM>(i)) == kKeyK) combo(1039, CB_SETCURSEL, static_cast<WPARAM>(i));
    CheckDlgButton(dialog, 1051, BST_CHECKED);
    combo(1063, CB_SETCURSEL, 0);  // ToolOrCard: none
    close(IDOK);

    const std::vector<e2e::CardWindow> resized = e2e::cards(table.pi.dwProcessId);
    ASSERT_EQ(resized.size(), 53u);
    for (const e2e::CardWindow& c : resized) {
        EXPECT_EQ(c.rect.right - c.rect.left, 60);
        EXPECT_EQ(c.rect.bottom - c.rect.top, 120);
    }
    EXPECT_EQ(stacking(), before) << "the stacking is kept";
    StateData saved;
    ASSERT_TRUE(e2e::readSavedTable(folder, saved)) << "applying saves at once";
    EXPECT_EQ(saved.cardWidth, 60);
    EXPECT_EQ(saved.cardHeight, 120);
    EXPECT_EQ(saved.keys[0], static_cast<uint32_t>(kKeyK) | 8u << 16);
    EXPECT_EQ(saved.keys[17], 0u);

    closeTable();
    startTable();
    ASSERT_TRUE(open());
    EXPECT_EQ(text(IDC_RP_CARD_HEIGHT), L"120");
    EXPECT_EQ(selectedKey(1039), kKeyK);
    EXPECT_TRUE(checked(1051));
    EXPECT_EQ(selectedKey(1063), 0);
    const e2e::CardWindow first = e2e::cards(table.pi.dwProcessId).front();
    EXPECT_EQ(first.rect.bottom - first.rect.top, 120);
}

TEST_F(SettingsDialog, CancelChangesNothingLiveYetSavesTheTable) {
    ASSERT_TRUE(open());
    DeleteFileW((folder + L"\\rupone.dat").c_str());
    setSize(L"80", L"100");
    CheckDlgButton(dialog, IDC_RP_SOUND, BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_RP_OVERWRITE, BST_UNCHECKED);
    combo(1039, CB_SETCURSEL, 0);
    close(IDCANCEL);
    StateData saved;
    ASSERT_TRUE(e2e::readSavedTable(folder, saved));
    EXPECT_EQ(saved.cardWidth, 60);
    EXPECT_EQ(saved.cardHeight, 88);
    EXPECT_EQ(saved.soundOn, 1u);
    EXPECT_EQ(saved.overwriteConflicts, 1u);
    EXPECT_EQ(saved.keys, kDefaultKeys);
    const e2e::CardWindow first = e2e::cards(table.pi.dwProcessId).front();
    EXPECT_EQ(first.rect.right - first.rect.left, 60);

    ASSERT_TRUE(open()) << "opens again";
    EXPECT_EQ(text(IDC_RP_CARD_WIDTH), L"60") << "what was typed and cancelled is gone";
    EXPECT_TRUE(checked(IDC_RP_SOUND));
    EXPECT_EQ(selectedKey(1039), 38);
    expectNoFocus();
}

// Without a printer Wine's print dialog says so itself and reports a cancel: nothing more is shown.
TEST_F(SettingsDialog, PrintingWithoutAPrinterAddsNoMessageOfItsOwn) {
    ASSERT_TRUE(open());
    PostMessageW(dialog, WM_COMMAND, IDC_RP_PRINT, 0);
    HWND wineBox = e2e::waitForWindow(table.pi.dwProcessId, L"Print", 10000);
    ASSERT_TRUE(wineBox);
    PostMessageW(wineBox, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(e2e::waitForWindow(table.pi.dwProcessId, L"OnPrint() のエラー", 1500));
    EXPECT_TRUE(IsWindowVisible(dialog));
    close(IDCANCEL);
}

}  // namespace
