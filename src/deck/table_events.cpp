#include "deck/table_events.h"

#include <algorithm>
#include <utility>

#include "deck/model.h"

namespace {

std::vector<std::pair<int, TableListener>> listeners;
int lastId = 0;
int applyingFor = 0;

}  // namespace

int listenToTable(TableListener listener) {
    listeners.emplace_back(++lastId, std::move(listener));
    return lastId;
}

void stopListening(int id) {
    listeners.erase(std::remove_if(listeners.begin(), listeners.end(), [id](const auto& l) { return l.first == id; }),
                    listeners.end());
}

bool canUndo() {
    if (model.canTakeOwnStep) return model.canTakeOwnStep(true);
    return !model.deck.empty() && model.historyCurrent > 0;
}
bool canRedo() {
    if (model.canTakeOwnStep) return model.canTakeOwnStep(false);
    return !model.deck.empty() && model.redoCount > 0;
}

void announce(TableChange change) {
    change.canUndo = canUndo();
    change.canRedo = canRedo();
    change.from = applyingFor;
    if (!change.touchesCards() && change.canUndo == model.toldUndo && change.canRedo == model.toldRedo) return;
    if (change.settled) {
        model.toldUndo = change.canUndo;
        model.toldRedo = change.canRedo;
    }
    // A copy: a listener may stop listening while it is told.
    auto told = listeners;
    for (const auto& l : told)
        if (l.first != change.from && l.second.changed) l.second.changed(change);
}

void cueTable(TableCue cue) {
    auto told = listeners;
    for (const auto& l : told)
        if (l.second.cue) l.second.cue(cue);
}

ChangesFrom::ChangesFrom(int listener) : previous_(applyingFor) { applyingFor = listener; }
ChangesFrom::~ChangesFrom() { applyingFor = previous_; }
