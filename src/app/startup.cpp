#include "app/startup.h"

#include <algorithm>

#include "app/keeping.h"
#include "app/panel.h"
#include "app/table.h"
#include "cards/card_window.h"
#include "cards/spoken.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "deck/marks.h"
#include "deck/state_file.h"
#include "deck/table_events.h"
#include "desk/winconst.h"
#include "res/ids.h"

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

void replaceTable(const std::u16string& path, const StateData* data) {
    closeAllCards();
    table.historyStart = 0;
    table.historyCurrent = -1;
    table.redoCount = 0;
    table.keepStateFile = false;
    table.tableFile = path;
    if (data) applyState(*data);
    buildTable(data != nullptr);
    if (!data) saveState();  // the fresh table has its file from the start
    rememberLastTable();
}

bool hookSwitchesToCard(int32_t code, uint32_t vk, uint32_t keyFlags, uint32_t mods, bool panelHasFocus) {
    if (code != static_cast<int32_t>(HC_ACTION)) return false;
    bool released = (keyFlags & 0x80000000u) != 0;
    KeyBinding row = table.keys[static_cast<size_t>(KeyAction::ToolOrCard)];
    return released && panelHasFocus && keyMatches(row, vk, mods);
}

namespace {

int soundOf(TableCue cue) {
    switch (cue) {
    case TableCue::Press: return IDS_RP_PRESS;
    case TableCue::PutDown: return IDS_RP_PUTDOWN;
    case TableCue::PileFlip: return IDS_RP_PILEFLIP;
    case TableCue::Gather: return IDS_RP_GATHER;
    case TableCue::All: return IDS_RP_ALL;
    case TableCue::Order: return IDS_RP_ORDER;
    case TableCue::Fresh: return IDS_RP_FRESH;
    }
    return 0;
}

}  // namespace

void installTableListeners() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    listenForPanel();
    listenForSaving();
    listenForSpeech();
    listenToTable({{}, [](TableCue cue) { playTableSound(soundOf(cue)); }});
}
