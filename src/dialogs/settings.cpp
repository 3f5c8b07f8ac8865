#include "dialogs/settings.h"

#include <algorithm>

#include "faces/face_text.h"

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
    constexpr int kWidth = 1003, kHeight = 1004;
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
    {1039, 1050, 1051}, {1040, 1052, 1053}, {1042, 1056, 1057}, {1041, 1054, 1055}, {1044, 1060, 1062},
    {1076, 1081, 1082}, {1077, 1083, 1084}, {1079, 1087, 1088}, {1078, 1085, 1086}, {1080, 1089, 1090},
    {1047, 1068, 1070}, {1046, 1065, 1067}, {1058, 1095, 1096}, {1059, 1097, 1100}, {1061, 1101, 1102},
    {1048, 1072, 1073}, {1049, 1074, 1075}, {1063, 1103, 1104},
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
