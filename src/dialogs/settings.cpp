#include "dialogs/settings.h"

#include <algorithm>

#include "faces/face_text.h"
#include "res/ids.h"

namespace {

std::u16string lower(std::u16string s) {
    for (char16_t& c : s)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

}  // namespace

SizeCheck checkCardSize(uint32_t width, uint32_t height, const desk::Rect& work) {
    const uint32_t workWidth = static_cast<uint32_t>(std::max(work.width(), 0));
    const uint32_t workHeight = static_cast<uint32_t>(std::max(work.height(), 0));
    constexpr int kWidth = IDC_RP_CARD_WIDTH, kHeight = IDC_RP_CARD_HEIGHT;
    if (height < 16) return {false, u"カードの高さを 16 ドット以上にしてください。", kHeight, 16};
    if (height > workHeight) return {false, u"カードの高さを作業領域以下にしてください。", kHeight, workHeight};
    if (height > 999) return {false, u"カードの高さを 999 以下にしてください。", kHeight, 999};
    if (width < 16) return {false, u"カードの幅を 16 ドット以上にしてください。", kWidth, 16};
    if (width > workWidth) return {false, u"カードの幅を作業領域以下にしてください。", kWidth, workWidth};
    if (width > 999) return {false, u"カードの幅を 999 以下にしてください。", kWidth, 999};
    if (uint64_t{height} > 2 * uint64_t{width} || uint64_t{width} > 2 * uint64_t{height})
        return {false, u"カードの幅か高さがもう一方の倍を超えないようにしてください。", 0, 0};
    return {};
}

std::u16string workAreaLimitText(int32_t side) {
    return u"≦ " + decimalText(static_cast<uint32_t>(std::clamp(side, 0, 999)));
}

const std::array<SelectableKey, kSelectableKeys> kSelectableKeyList = [] {
    std::array<SelectableKey, kSelectableKeys> keys{};
    size_t n = 0;
    auto add = [&](uint16_t first, uint16_t last, bool extended) {
        for (uint16_t vk = first; vk <= last; ++vk) keys[n++] = {vk, extended};
    };
    add(3, 3, true);
    for (uint16_t vk : {8, 9, 13, 16, 17, 18, 27, 28, 29, 32}) add(vk, vk, false);
    for (uint16_t vk : {33, 34, 35, 36, 37, 38, 39, 40, 45, 46}) add(vk, vk, true);
    add(48, 57, false);
    add(65, 90, false);
    add(96, 105, false);
    add(112, 123, false);
    add(144, 144, true);
    add(145, 145, false);
    add(186, 192, false);
    add(219, 222, false);
    return keys;
}();

std::u16string displayKeyName(const std::u16string& layoutName) {
    static const struct {
        const char16_t* name;
        const char16_t* shown;
    } replaced[] = {{u"left", u"←"}, {u"up", u"↑"}, {u"right", u"→"}, {u"down", u"↓"}, {u"space", u"スペース"}};
    const std::u16string key = lower(layoutName);
    for (const auto& r : replaced)
        if (key == r.name) return r.shown;
    return layoutName;
}

const std::array<KeyRowControls, kKeyActions> kKeyRows = {{
    {IDC_RP_KEY_SINGLE_UP, IDC_RP_SHIFT_SINGLE_UP, IDC_RP_CTRL_SINGLE_UP},
    {IDC_RP_KEY_SINGLE_DOWN, IDC_RP_SHIFT_SINGLE_DOWN, IDC_RP_CTRL_SINGLE_DOWN},
    {IDC_RP_KEY_SINGLE_RIGHT, IDC_RP_SHIFT_SINGLE_RIGHT, IDC_RP_CTRL_SINGLE_RIGHT},
    {IDC_RP_KEY_SINGLE_LEFT, IDC_RP_SHIFT_SINGLE_LEFT, IDC_RP_CTRL_SINGLE_LEFT},
    {IDC_RP_KEY_SINGLE_FLIP, IDC_RP_SHIFT_SINGLE_FLIP, IDC_RP_CTRL_SINGLE_FLIP},
    {IDC_RP_KEY_MULTI_UP, IDC_RP_SHIFT_MULTI_UP, IDC_RP_CTRL_MULTI_UP},
    {IDC_RP_KEY_MULTI_DOWN, IDC_RP_SHIFT_MULTI_DOWN, IDC_RP_CTRL_MULTI_DOWN},
    {IDC_RP_KEY_MULTI_RIGHT, IDC_RP_SHIFT_MULTI_RIGHT, IDC_RP_CTRL_MULTI_RIGHT},
    {IDC_RP_KEY_MULTI_LEFT, IDC_RP_SHIFT_MULTI_LEFT, IDC_RP_CTRL_MULTI_LEFT},
    {IDC_RP_KEY_MULTI_FLIP, IDC_RP_SHIFT_MULTI_FLIP, IDC_RP_CTRL_MULTI_FLIP},
    {IDC_RP_KEY_NEXT, IDC_RP_SHIFT_NEXT, IDC_RP_CTRL_NEXT},
    {IDC_RP_KEY_PREVIOUS, IDC_RP_SHIFT_PREVIOUS, IDC_RP_CTRL_PREVIOUS},
    {IDC_RP_KEY_GATHER, IDC_RP_SHIFT_GATHER, IDC_RP_CTRL_GATHER},
    {IDC_RP_KEY_SPREAD, IDC_RP_SHIFT_SPREAD, IDC_RP_CTRL_SPREAD},
    {IDC_RP_KEY_REMEMBER_ORDER, IDC_RP_SHIFT_REMEMBER_ORDER, IDC_RP_CTRL_REMEMBER_ORDER},
    {IDC_RP_KEY_BACK, IDC_RP_SHIFT_BACK, IDC_RP_CTRL_BACK},
    {IDC_RP_KEY_FORWARD, IDC_RP_SHIFT_FORWARD, IDC_RP_CTRL_FORWARD},
    {IDC_RP_KEY_TOOL_OR_CARD, IDC_RP_SHIFT_TOOL_OR_CARD, IDC_RP_CTRL_TOOL_OR_CARD},
}};

const std::array<KeyAction, kKeyActions> kKeyRowFillOrder = {
    KeyAction::SingleUp,  KeyAction::SingleDown,  KeyAction::SingleLeft,    KeyAction::SingleRight,
    KeyAction::SingleFlip, KeyAction::MultiUp,    KeyAction::MultiDown,     KeyAction::MultiLeft,
    KeyAction::MultiRight, KeyAction::MultiFlip,  KeyAction::Next,          KeyAction::Previous,
    KeyAction::Gather,    KeyAction::Spread,      KeyAction::RememberOrder, KeyAction::Back,
    KeyAction::Forward,   KeyAction::ToolOrCard,
};

KeyBinding readKeyRow(bool selected, uint32_t itemKey, bool shift, bool ctrl) {
    return makeBinding(selected ? itemKey : 0, (shift ? kModShift : 0) | (ctrl ? kModCtrl : 0));
}

int keyRowItem(KeyBinding binding, bool withKeys) {
    const uint32_t key = bindingKey(binding);
    if (key == 0) return 0;
    if (!withKeys) return -1;
    for (int i = 0; i < kSelectableKeys; ++i)
        if (kSelectableKeyList[static_cast<size_t>(i)].vk == key) return i + 1;
    return -1;
}

std::u16string versionText(const std::u16string& productVersion) {
    std::u16string out;
    int commas = 0;
    for (char16_t c : productVersion) {
        if (c == u' ') continue;
        if (c == u',') {
            if (++commas == 3) break;
            out += u'.';
        } else {
            out += c;
        }
    }
    return out;
}

PrintPlacement placePrint(int32_t pageWidth, int32_t pageHeight, int32_t windowWidth, int32_t windowHeight) {
    if (windowWidth <= 0 || windowHeight <= 0) return {1, 0, 0, 0, 0};
    const int32_t s = std::min(std::max(1, pageWidth / windowWidth), std::max(1, pageHeight / windowHeight));
    const int32_t w = s * windowWidth, h = s * windowHeight;
    return {s, (pageWidth - w) / 2, (pageHeight - h) / 2, w, h};
}

std::u16string printErrorText(uint32_t resultCode) {
    switch (resultCode) {
    case 0x80004005u: return u"未定義の問題が発生しました。";
    case 0x80070006u: return u"ハンドルが無効です。";
    case 0x80004003u: return u"アドレスが無効です。";
    case 0x80070057u: return u"一つ以上の引数が無効です。";
    case 0x8007000Eu: return u"メモリが不足しています。";
    default: return u"";
    }
}
