#include "app/panel.h"

#include <algorithm>

#include "app/table.h"
#include "deck/marks.h"
#include "deck/table_events.h"
#include "res/ids.h"

void overlapRatioChanged(uint32_t position) {
    uint32_t ratio = position > 100 ? 100 : position;
    if (ratio == table.overlapRatio) return;
    table.overlapRatio = ratio;
    if (table.currentCard) refreshMarks(*table.currentCard);
}

void recursiveChanged(bool checked) {
    uint32_t value = checked ? 1 : 0;
    if (value == table.judgeRecursively) return;
    table.judgeRecursively = value;
    if (table.currentCard) refreshMarks(*table.currentCard);
}

bool trackbarNeedsRatio(int32_t position) { return static_cast<uint32_t>(position) != table.overlapRatio; }

bool workArea(desk::Rect& out) { return table.panel && desk::workAreaNear(table.panel, out); }

void updateFaceButtons() {
    size_t up = 0;
    for (const auto& c : table.deck.items())
        if (c->faceUp) ++up;
    size_t n = table.deck.count();
    desk::enableControl(table.panel, IDC_RP_FACEDOWN, n != 0 && up != 0);
    desk::enableControl(table.panel, IDC_RP_FACEUP, n != 0 && up != n);
}

void listenForPanel() {
    listenToTable({[](const TableChange& change) {
                       if (!change.settled) return;
                       desk::enableControl(table.panel, IDC_RP_UNDO, change.canUndo);
                       desk::enableControl(table.panel, IDC_RP_REDO, change.canRedo);
                       if (change.touchesCards()) updateFaceButtons();
                   },
                   {}});
}

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
