#include "app/startup.h"

#include <algorithm>

#include "app/table.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "deck/state_file.h"
#include "deck/table_events.h"
#include "desk/winconst.h"
#include "res/ids.h"

desk::Point placePanel(desk::Point pointer, int32_t width, int32_t height, const desk::Rect& work) {
    constexpr int32_t margin = 10;
    int32_t x = pointer.x - width / 2;
    int32_t y = pointer.y - height / 2;
    x = std::max(x, work.left + margin);
    y = std::max(y, work.top + margin);
    x = std::min(x, work.right - width - margin);
    y = std::min(y, work.bottom - height - margin);
    return {x, y};
}

CardSize freshCardSize(uint32_t dpi) {
    auto scaled = [dpi](int32_t size) {
        int64_t px = (int64_t{size} * dpi + 48) / 96;
        return static_cast<int32_t>(std::clamp<int64_t>(px, kMinCardSide, kMaxCardSide));
    };
    return {scaled(60), scaled(88)};
}

void buildTable(bool fromStateFile) {
    if (!fromStateFile) {
        CardSize size = freshCardSize(desk::displayDpi(table.panel));
        table.cardWidth = size.width;
        table.cardHeight = size.height;
        createDefaultDeck();
        cueTable(TableCue::Fresh);
    }
    rememberOrder();
    takeSnapshot();
}

bool hookSwitchesToCard(int32_t code, uint32_t vk, uint32_t keyFlags, uint32_t mods, bool panelHasFocus) {
    if (code != static_cast<int32_t>(HC_ACTION)) return false;
    bool released = (keyFlags & 0x80000000u) != 0;
    KeyBinding row = table.keys[static_cast<size_t>(KeyAction::ToolOrCard)];
    return released && panelHasFocus && keyMatches(row, vk, mods);
}
