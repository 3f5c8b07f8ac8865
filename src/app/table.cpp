#include "app/table.h"

#include "app/keeping.h"
#include "app/panel.h"
#include "deck/table_events.h"
#include "desk/desk.h"
#include "res/ids.h"

Table table;
TableModel& model = table;

void playTableSound(int id) {
    if (table.soundOn) desk::playSound(id);
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
    listenToTable({{}, [](TableCue cue) { playTableSound(soundOf(cue)); }});
}
