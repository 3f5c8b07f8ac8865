// The settings dialog in-process: its controls and lists, what apply and cancel write, the printout's
// picture, and a new card size applied to real, overlapping windows.
#include "desk/windows_win32.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_win32.h"
#include "cards/card_window.h"
#include "app/commands.h"
#include "dialogs/settings.h"
#include "dialogs/settings_win32.h"
#include "res/ids.h"
#include "support/win32_helpers.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        appInstance = GetModuleHandleW(nullptr);
        freshTable();
        table.keepStateFile = true;  // nothing written beside the test program
    }
    void TearDown() override {
        if (dialog) DestroyWindow(dialog);
        clearTable();
    }
    HWND open() {
        dialog = CreateDialogParamW(appInstance, MAKEINTRESOURCEW(IDD_RP_SETTINGS), nullptr, settingsDialogProc,
                                    reinterpret_cast<LPARAM>(&table.settingsBlock));
        return dialog;
    }
    RECT dialogUnits(int id) {
        RECT r;
        GetWindowRect(GetDlgItem(dialog, id), &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        RECT unit{0, 0, 4, 8};
        MapDialogRect(dialog, &unit);
        return {MulDiv(r.left, 4, unit.right), MulDiv(r.top, 8, unit.bottom), MulDiv(r.right, 4, unit.right),
                MulDiv(r.bottom, 8, unit.bottom)};
    }
    LRESULT item(int id, UINT msg, WPARAM wp = 0) { return SendDlgItemMessageW(dialog, id, msg, wp, 0); }

    HWND dialog = nullptr;
};

TEST_F(SettingsTest, ControlsSitWhereTheLayoutPutsThem) {
    ASSERT_TRUE(open());
    wchar_t caption[64];
    GetWindowTextW(dialog, caption, 64);
    EXPECT_STREQ(caption, L"ルポネ 1.0.0 - 設定");
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    const struct {
        int id;
        RECT at;  // dialog units
    } places[] = {
        {IDC_RP_CARD_WIDTH, {40, 34, 60, 46}}, {IDC_RP_CARD_HEIGHT, {40, 64, 60, 76}},
        {IDC_RP_DRAW_INDEX, {14, 125, 100, 135}}, {IDC_RP_FOLDER, {12, 145, 102, 163}},
        {IDC_RP_OVERWRITE, {11, 270, 103, 300}}, {IDC_RP_SOUND, {129, 278, 182, 288}},
        {IDC_RP_PRINT, {5, 312, 115, 326}}, {IDCANCEL, {122, 312, 232, 326}}, {IDOK, {239, 312, 349, 326}},
        {1039, {245, 22, 305, 0}}, {1063, {245, 285, 305, 0}}, {1050, {314, 0, 323, 0}}, {1104, {332, 0, 341, 0}},
    };
    for (const auto& p : places) {
        const RECT got = dialogUnits(p.id);
        EXPECT_NEAR(got.left, p.at.left, 1) << p.id;
        if (p.id == IDC_RP_DRAW_INDEX)  // widened where its label needs more room with the font at hand
            EXPECT_GE(got.right, p.at.right - 1) << p.id;
        else
            EXPECT_NEAR(got.right, p.at.right, 1) << p.id;
        if (p.at.top) {
            EXPECT_NEAR(got.top, p.at.top, 1) << p.id;
        }
        if (p.at.bottom) {
            EXPECT_NEAR(got.bottom, p.at.bottom, 1) << p.id;
        }
    }
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDC_RP_CARD_WIDTH), GWL_STYLE) & ES_NUMBER);
    EXPECT_EQ(item(IDC_RP_CARD_WIDTH, EM_GETLIMITTEXT), 3);
}

// Labels and buttons on the window colour; the folder button painted with its folder icon.
TEST_F(SettingsTest, PaintsOnTheWindowColourAndTheFolderButtonShowsItsIcon) {
    ASSERT_TRUE(open());
    HDC dc = GetDC(dialog);
    SetTextColor(dc, RGB(1, 2, 3));
    for (UINT msg : {WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLORDLG}) {
        EXPECT_EQ(SendMessageW(dialog, msg, reinterpret_cast<WPARAM>(dc), 0),
                  reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
        EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
    }
    ReleaseDC(dialog, dc);
    SetWindowPos(dialog, HWND_TOP, 50, 50, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    pumpMessages();
    HWND button = GetDlgItem(dialog, IDC_RP_FOLDER);
    RECT r;
    GetClientRect(button, &r);
    HDC b = GetDC(button);
    int folder = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right / 2; ++x) {
            const COLORREF c = GetPixel(b, x, y);
            folder += GetRValue(c) > 200 && GetGValue(c) > 150 && GetBValue(c) < 120;  // the folder's yellow
        }
    ReleaseDC(button, b);
    EXPECT_GT(folder, 40);
}

TEST_F(SettingsTest, KeyListsAreFilledFromNamesMadeOnceAndShowOddKeysEmpty) {
    table.keys[static_cast<size_t>(KeyAction::Next)] = 0x40000 | 0xE9;  // not a selectable key
    ASSERT_TRUE(open());
    const std::vector<std::u16string>& names = table.settingsBlock.keyNames;
    ASSERT_EQ(names.size(), 92u);
    const std::u16string* first = names.data();
    for (const KeyRowControls& row : kKeyRows) {
        ASSERT_EQ(item(row.combo, CB_GETCOUNT), 93);
        for (int i = 1; i < 93; ++i)
            ASSERT_EQ(item(row.combo, CB_GETITEMDATA, static_cast<WPARAM>(i)), kSelectableKeyList[i - 1].vk);
    }
    const KeyRowControls& next = kKeyRows[static_cast<size_t>(KeyAction::Next)];
    EXPECT_EQ(item(next.combo, CB_GETCURSEL), CB_ERR) << "shows empty";
    EXPECT_EQ(IsDlgButtonChecked(dialog, next.shift), BST_CHECKED);
    for (const std::u16string& n : names) EXPECT_LE(n.size(), 15u);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(table.keys[static_cast<size_t>(KeyAction::Next)], 0x40000u) << "key 0, modifiers kept";
    DestroyWindow(dialog);
    ASSERT_TRUE(open());
    EXPECT_EQ(table.settingsBlock.keyNames.data(), first) << "the names are made once";
}

TEST_F(SettingsTest, ApplyWritesKeysAndTheConflictFlagLiveAndLeavesTheRestPending) {
    ASSERT_TRUE(open());
    SetDlgItemInt(dialog, IDC_RP_CARD_WIDTH, 70, FALSE);
    SetDlgItemInt(dialog, IDC_RP_CARD_HEIGHT, 100, FALSE);
    CheckDlgButton(dialog, IDC_RP_DRAW_INDEX, BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_RP_SOUND, BST_CHECKED);
    CheckDlgButton(dialog, IDC_RP_OVERWRITE, BST_UNCHECKED);
    const KeyRowControls& flip = kKeyRows[static_cast<size_t>(KeyAction::SingleFlip)];
    item(flip.combo, CB_SETCURSEL, 0);
    CheckDlgButton(dialog, flip.ctrl, BST_CHECKED);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(table.overwriteConflicts, 0u);
    EXPECT_EQ(table.keys[static_cast<size_t>(KeyAction::SingleFlip)], 8u << 16);
    EXPECT_EQ(table.cardWidth, 60) << "the size waits for the launcher";
    const SettingsBlock& b = table.settingsBlock;
    EXPECT_EQ(b.width, 70);
    EXPECT_EQ(b.height, 100);
    EXPECT_EQ(b.drawIndex, 0u);
    EXPECT_EQ(b.soundOn, 1u);
}

TEST_F(SettingsTest, CancelWritesNothing) {
    ASSERT_TRUE(open());
    SetDlgItemInt(dialog, IDC_RP_CARD_WIDTH, 70, FALSE);
    CheckDlgButton(dialog, IDC_RP_OVERWRITE, BST_UNCHECKED);
    item(kKeyRows[0].combo, CB_SETCURSEL, 0);
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(table.overwriteConflicts, 1u);
    EXPECT_EQ(table.keys, kDefaultKeys);
    EXPECT_EQ(table.settingsBlock.width, 60);
}

// A printout: the captured window, caption bar included, enlarged by a whole number and centred.
TEST_F(SettingsTest, ThePrintedPictureIsTheWholeWindowEnlargedAndCentred) {
    ASSERT_TRUE(open());
    SetWindowPos(dialog, HWND_TOP, 50, 50, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    pumpMessages();
    RECT r;
    GetWindowRect(dialog, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int pageW = 2 * w + 40, pageH = 3 * h;  // s = 2, placed at (20, h/2)
    HDC screen = GetDC(nullptr);
    HDC page = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, pageW, pageH);
    HGDIOBJ old = SelectObject(page, bitmap);
    RECT all{0, 0, pageW, pageH};
    FillRect(page, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ASSERT_TRUE(drawWindowOnPage(dialog, page, pageW, pageH));
    const int x0 = 20, y0 = h / 2;
    EXPECT_EQ(GetPixel(page, x0 - 2, y0 + h), RGB(255, 255, 255)) << "left margin";
    EXPECT_EQ(GetPixel(page, x0 + w, y0 - 2), RGB(255, 255, 255)) << "top margin";
    // The caption bar, scaled: the middle of its first rows is not the window colour.
    const int captionY = y0 + 2 * (GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
    EXPECT_NE(GetPixel(page, x0 + w, captionY), GetSysColor(COLOR_WINDOW)) << "caption bar";
    // The apply button, at twice its place in the window.
    RECT ok;
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    POINT mid{(ok.left + ok.right) / 2 - r.left, ok.top + 2 - r.top};
    HDC window = GetWindowDC(dialog);
    EXPECT_EQ(GetPixel(page, x0 + 2 * mid.x, y0 + 2 * mid.y), GetPixel(window, mid.x, mid.y)) << "button edge";
    ReleaseDC(dialog, window);
    SelectObject(page, old);
    DeleteObject(bitmap);
    DeleteDC(page);
    ReleaseDC(nullptr, screen);
}

TEST_F(SettingsTest, APrintDialogFailureIsToldByItsCode) {
    ASSERT_TRUE(open());
    BoxAnswerer answer(L"OnPrint() のエラー");
    showPrintError(dialog, E_OUTOFMEMORY);
    EXPECT_EQ(answer.text(), L"メモリが不足しています。");
}

// ---- a new card size on real windows ----

// A 2 x 2 BMP of one colour, as a face picture.
PictureRef solidPicture(const std::wstring& path, COLORREF c) {
    const uint8_t px[3] = {GetBValue(c), GetGValue(c), GetRValue(c)};
    std::vector<uint8_t> f = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0,
                              24, 0};
    f.resize(54, 0);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 2; ++x) f.insert(f.end(), px, px + 3);
        f.insert(f.end(), {0, 0});
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, f.data(), static_cast<DWORD>(f.size()), &put, nullptr);
    CloseHandle(h);
    return loadPicture(std::u16string(path.begin(), path.end()));
}

TEST_F(SettingsTest, ANewCardSizeKeepsTheStackingInTheWindowListAndOnScreen) {
    constexpr int kCards = 12;
    const int order[kCards] = {5, 0, 9, 3, 11, 7, 1, 10, 2, 8, 4, 6};  // top first, not the table's order
    table.drawIndex = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::vector<COLORREF> colours;
    for (int i = 0; i < kCards; ++i) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        createCardWindow(i % 13 + 1, c, u'h', i);
        table.deck.append(std::move(card));
        colours.push_back(RGB(20 * i + 10, 255 - 20 * i, (i % 3) * 120));
        c->picture = solidPicture(std::wstring(temp) + L"rupone-solid-" + std::to_wstring(i) + L".bmp", colours.back());
        c->faceUp = 1;
    }
    desk::Batch b = desk::beginBatch(kCards);
    desk::Window above = desk::kTop;
    for (int i : order) {
        desk::Window w = table.deck.items()[static_cast<size_t>(i)]->window;
        b = desk::defer(b, w, above, 100 + 30 * i, 100 + 30 * i, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
        above = w;
    }
    ASSERT_TRUE(desk::endBatch(b));
    pumpMessages(10);
    auto listed = [&] {
        std::vector<int> out;
        for (desk::Window w : desk::topLevelWindows())
            for (int i = 0; i < kCards; ++i)
                if (table.deck.items()[static_cast<size_t>(i)]->window == w) out.push_back(i);
        return out;
    };
    const std::vector<int> before = listed();
    ASSERT_EQ(before, std::vector<int>(order, order + kCards));

    table.settingsBlock.width = 90;
    table.settingsBlock.height = 132;
    table.settingsBlock.drawIndex = table.drawIndex;
    applySettings();
    pumpMessages(10);
    EXPECT_EQ(listed(), before);
    HDC screen = GetDC(nullptr);
    for (int k = 0; k < kCards; ++k) {
        const int x = 100 + 30 * k + 12, y = 100 + 30 * k + 12;
        int top = -1;
        for (int i : before)
            if (x >= 100 + 30 * i && x < 100 + 30 * i + 90 && y >= 100 + 30 * i && y < 100 + 30 * i + 132) {
                top = i;
                break;
            }
        EXPECT_EQ(GetPixel(screen, x, y), colours[static_cast<size_t>(top)]) << "at card " << k << ", card " << top;
        RECT r;
        GetWindowRect(toHwnd(table.deck.items()[static_cast<size_t>(k)]->window), &r);
        EXPECT_EQ(r.right - r.left, 90);
        EXPECT_EQ(r.bottom - r.top, 132);
    }
    ReleaseDC(nullptr, screen);
}

}  // namespace
