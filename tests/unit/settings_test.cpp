#include <gtest/gtest.h>

#include "dialogs/settings.h"

namespace {

TEST(SettingsSize, TheSevenChecksInTheirOrderWithTheirResets) {
    const desk::Rect work{0, 0, 1280, 800};
    const struct {
        uint32_t width, height;
        const char16_t* message;  // a part of it; null when accepted
        int field;
        uint32_t resetTo;
    } cases[] = {
        {5000, 15, u"高さを 16", 1004, 16},         // the height first, the width not looked at
        {60, 0, u"高さを 16", 1004, 16},            // an empty field
        {60, 801, u"高さを作業領域", 1004, 800},
        {60, 1000, u"高さを作業領域", 1004, 800},   // the work area comes before 999
        {15, 88, u"幅を 16", 1003, 16},
        {1281, 800, u"幅を作業領域", 1003, 1280},
        {60, 121, u"倍を超えない", 0, 0},
        {121, 60, u"倍を超えない", 0, 0},
        {60, 120, nullptr, 0, 0},                  // exactly twice passes
        {16, 16, nullptr, 0, 0},
        {800, 800, nullptr, 0, 0},                 // the work area's height exactly
    };
    for (const auto& c : cases) {
        SizeCheck r = checkCardSize(c.width, c.height, work);
        EXPECT_EQ(r.ok, c.message == nullptr) << c.width << " x " << c.height;
        if (c.message) {
            EXPECT_NE(r.message.find(c.message), std::u16string::npos) << c.width << " x " << c.height;
        }
        EXPECT_EQ(r.field, c.field) << c.width << " x " << c.height;
        EXPECT_EQ(r.resetTo, c.resetTo) << c.width << " x " << c.height;
    }
    SizeCheck tooHigh = checkCardSize(999, 1000, {0, 0, 2000, 2000}), tooWide = checkCardSize(1000, 999, {0, 0, 2000, 2000});
    EXPECT_EQ(tooHigh.message, u"カードの高さを 999 以下にしてください。");
    EXPECT_EQ(tooWide.message, u"カードの幅を 999 以下にしてください。");
    EXPECT_EQ(tooWide.resetTo, 999u);
    EXPECT_FALSE(checkCardSize(16, 17, {0, 0, 16, 16}).ok) << "a failed read leaves 16 x 16";
    EXPECT_EQ(workAreaLimitText(1280), u"≦ 999");
    EXPECT_EQ(workAreaLimitText(768), u"≦ 768");
}

TEST(SettingsKeys, RowsListNinetyTwoKeysNamedAndReadBackAsBindings) {
    EXPECT_EQ(kSelectableKeyList.front().vk, 3);
    EXPECT_TRUE(kSelectableKeyList.front().extended) << "Break";
    EXPECT_EQ(kSelectableKeyList.back().vk, 222);
    int extended = 0;
    for (const SelectableKey& k : kSelectableKeyList) extended += k.extended;
    EXPECT_EQ(extended, 12) << "Break, the ten navigation keys and Num Lock";
    EXPECT_EQ(displayKeyName(u"LEFT"), u"←");
    EXPECT_EQ(displayKeyName(u"Space"), u"スペース");
    EXPECT_EQ(displayKeyName(u"Return"), u"Return") << "other names as the layout gives them";
    EXPECT_EQ(readKeyRow(true, 'A', true, false), makeBinding('A', kModShift));
    EXPECT_EQ(readKeyRow(false, 'A', true, true), makeBinding(0, kModShift | kModCtrl)) << "none selected: key 0, modifiers kept";
    EXPECT_EQ(keyRowItem(makeBinding(9, kModShift), true), 3) << "Tab, after なし, Break and Backspace";
    EXPECT_EQ(keyRowItem(0, true), 0);
    EXPECT_EQ(keyRowItem(makeBinding(0x5B, 0), true), -1) << "a key outside the 92 shows empty";
    EXPECT_EQ(keyRowItem(makeBinding('A', 0), false), -1) << "without names only なし is offered";
    EXPECT_EQ(kKeyRows[static_cast<size_t>(KeyAction::SingleLeft)].combo, 1041);
    EXPECT_EQ(kKeyRowFillOrder[2], KeyAction::SingleLeft) << "the dialog shows left before right";
}

TEST(SettingsPrinting, AWholeEnlargementCentredAndTheErrorTexts) {
    const struct {
        int32_t pw, ph, ww, wh;
        PrintPlacement want;
    } cases[] = {
        {4800, 6600, 700, 680, {6, 300, 1260, 4200, 4080}},
        {600, 800, 700, 680, {1, -50, 60, 700, 680}},  // wider than the page: cut equally
        {700, 680, 700, 680, {1, 0, 0, 700, 680}},
    };
    for (const auto& c : cases) {
        PrintPlacement p = placePrint(c.pw, c.ph, c.ww, c.wh);
        EXPECT_EQ(p.scale, c.want.scale);
        EXPECT_EQ(p.x, c.want.x);
        EXPECT_EQ(p.y, c.want.y);
        EXPECT_EQ(p.width, c.want.width);
        EXPECT_EQ(p.height, c.want.height);
    }
    EXPECT_EQ(printErrorText(0x8007000Eu), u"メモリが不足しています。");
    EXPECT_EQ(printErrorText(0x80004005u), u"未定義の問題が発生しました。");
    EXPECT_EQ(printErrorText(0x80070001u), u"");
    EXPECT_EQ(versionText(u"2011, 7, 13, 0"), u"2011.7.13");
    EXPECT_EQ(versionText(u"1, 0, 0"), u"1.0.0");
}

}  // namespace
