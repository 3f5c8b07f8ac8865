// Several players share one table through a network that delays, reorders, duplicates and drops
// (and then resends) messages; whatever they do, their tables end the same.
#include <gtest/gtest.h>

#include "res/ids.h"
#include "support/share_sim.h"

namespace {

using share::CardId;
using sim::ShareSim;

uint64_t scenarios() {
    const char* n = std::getenv("RUPONE_SHARE_SCENARIOS");
    return n ? std::strtoull(n, nullptr, 10) : 300;
}

TEST(SharedTableSim, EveryPlayersTableEndsTheSameWhateverTheNetworkDoes) {
    // RUPONE_SHARE_SEED replays one scenario; RUPONE_SHARE_FIRST and RUPONE_SHARE_SCENARIOS choose
    // a range (scripts/converge.sh runs range after range).
    const char* only = std::getenv("RUPONE_SHARE_SEED");
    const char* from = std::getenv("RUPONE_SHARE_FIRST");
    const uint64_t first = only ? std::strtoull(only, nullptr, 10) : from ? std::strtoull(from, nullptr, 10) : 1;
    const uint64_t last = only ? first : first + scenarios() - 1;
    for (uint64_t seed = first; seed <= last; ++seed) {
        std::mt19937_64 pick(seed);
        ShareSim sim(seed, 3 + pick() % 3);
        for (int step = 0; step < 40; ++step) {
            if (sim.rng() % 30 == 0 && sim.players.size() < 6)
                sim.join();
            else if (sim.rng() % 25 == 0) {
                // A partition that heals; what the player did meanwhile comes after it, or is lost.
                sim.net.keepWhileCut = sim.rng() % 2;
                sim.cut(sim.rng() % sim.players.size(), 20 + sim.rng() % 150);
            }
            else if (sim.rng() % 3)
                sim.act(sim.rng() % sim.players.size());
            else
                sim.deliverDue(false);
        }
        ASSERT_TRUE(sim.repair()) << "seed " << seed;
        for (size_t i = 1; i < sim.players.size(); ++i)
            EXPECT_TRUE(share::sameTable(sim.players[0]->shared.replica, sim.players[i]->shared.replica)) << "replica " << i;
        const std::string first0 = sim.seen(0);
        for (size_t i = 1; i < sim.players.size(); ++i)
            ASSERT_EQ(sim.seen(i), first0) << "player " << i << " of seed " << seed
                                           << "; replay with RUPONE_SHARE_SEED=" << seed;
        EXPECT_FALSE(first0.empty());
    }
}

// A table joined from a state in several chunks is laid once, in its stacking: one batch, no
// restacking after each chunk (under Wine that cost minutes on a big table).
TEST(SharedTableSim, AStateHeardInChunksIsLaidInOneBatch) {
    ShareSim sim(8, 1);
    sim.join(false);
    std::vector<std::vector<uint8_t>> chunks;
    for (uint64_t buckets : {0xFFFFull << 48, 0xFFFFull, 0xFFFFull << 32, 0xFFFFull << 16})
        chunks.push_back(share::cardsMessage(sim.players[0]->shared, buckets));
    sim.enter(1);
    const int before = fake::batchesEnded();
    share::receiveAll(sim.players[1]->shared, chunks);
    EXPECT_EQ(fake::batchesEnded() - before, 1);
    sim.leave(1);
    EXPECT_EQ(sim.seen(1), sim.seen(0));
}

TEST(SharedTableSim, OthersChangesWaitWhileACardIsCarriedAndShowWhenItIsPutDown) {
    ShareSim sim(5, 2);
    sim.net.lossy = false;
    sim.deliverDue(true);
    // Player 1 takes up the top card; player 0 carries the same card elsewhere meanwhile.
    sim.enter(1);
    Card* carried = table.deck.find(listCardWindows().front());
    ASSERT_NE(carried, nullptr);
    const CardId id = sim.players[1]->shared.ids.at(carried);
    const desk::Point from = ShareSim::centre(*carried);
    fake::setPointer(from);
    desk::activate(carried->window);
    onLeftPress(*carried, 0, 0);
    onLeftRelease(*carried, 0, 0);
    ASSERT_EQ(desk::capture(), carried->window);
    sim.leave(1);
    sim.enter(0);
    sim.carry(*sim.players[0]->shared.cards.at(id), {700, 500});
    sim.leave(0);
    sim.deliverDue(true);

    sim.enter(1);
    EXPECT_EQ(ShareSim::centre(*carried).x, from.x) << "the card under the pointer stays there";
    EXPECT_FALSE(sim.players[1]->shared.held.empty());
    fake::setPointer({300, 300});
    onMouseMove(*carried, 0, 0);
    onLeftPress(*carried, 0, 0);  // put down
    EXPECT_FALSE(sim.players[1]->shared.held.empty()) << "not from inside the put-down";
    share::showHeld(sim.players[1]->shared);  // as the next message or the connection's tick does
    EXPECT_TRUE(sim.players[1]->shared.held.empty()) << "shown once the gesture ended";
    sim.leave(1);
    sim.deliverDue(true);
    EXPECT_EQ(sim.seen(0), sim.seen(1));
    sim.enter(1);
    const int32_t x = ShareSim::centre(*carried).x;
    EXPECT_TRUE(x == 300 || x == 700) << "one of the two writes holds, on both tables: " << x;
    sim.leave(1);
}

// Undo and redo while shared take back the player's own steps alone: a carry and a take-out, with
// another player's carry between them that neither enters nor leaves the history.
TEST(SharedTableSim, UndoAndRedoTakeBackOnlyTheOwnSteps) {
    ShareSim sim(6, 2);
    sim.net.lossy = false;
    sim.deliverDue(true);
    const auto centreOf = [&](size_t player, const CardId& id) {
        sim.enter(player);
        const desk::Point p = ShareSim::centre(*sim.players[player]->shared.cards.at(id));
        sim.leave(player);
        return p;
    };
    sim.enter(1);
    EXPECT_FALSE(canUndo());
    const CardId mine = sim.players[1]->shared.ids.at(table.deck.find(listCardWindows().front()));
    const desk::Point was = ShareSim::centre(*sim.players[1]->shared.cards.at(mine));
    sim.carry(*sim.players[1]->shared.cards.at(mine), {150, 600});
    CardListSeam list;
    list.append = [](uint32_t) { return true; };
    list.remove = [](size_t) {};
    const size_t cards = table.deck.count();
    takeOut({0}, {4}, list);
    ASSERT_EQ(table.deck.count(), cards + 1);
    sim.leave(1);
    sim.deliverDue(true);
    sim.enter(0);
    const CardId theirs = sim.players[0]->shared.ids.at(table.deck.find(listCardWindows().back()));
    sim.carry(*sim.players[0]->shared.cards.at(theirs), {800, 100});
    sim.leave(0);
    sim.deliverDue(true);

    struct Case {
        void (*act)();
        size_t cards;
        desk::Point mine;
        bool canUndo, canRedo;
    };
    const Case cases[] = {
        {undo, cards, {150, 600}, true, true},    // the take-out goes, on both tables
        {undo, cards, was, false, true},          // the carry goes back; the other's card stays
        {undo, cards, was, false, true},          // nothing more of this player's to undo
        {redo, cards, {150, 600}, true, true},
        {redo, cards + 1, {150, 600}, true, false},
    };
    for (const Case& c : cases) {
        sim.enter(1);
        c.act();
        EXPECT_EQ(canUndo(), c.canUndo);
        EXPECT_EQ(fake::enabled(IDC_RP_UNDO), c.canUndo);
        EXPECT_EQ(canRedo(), c.canRedo);
        sim.leave(1);
        sim.deliverDue(true);
        for (size_t p = 0; p < 2; ++p) {
            sim.enter(p);
            EXPECT_EQ(table.deck.count(), c.cards) << "player " << p;
            sim.leave(p);
            EXPECT_EQ(centreOf(p, mine).x, c.mine.x) << "player " << p;
            EXPECT_EQ(centreOf(p, theirs).x, 800) << "the other's carry stays, player " << p;
        }
        EXPECT_EQ(sim.seen(0), sim.seen(1));
    }
    sim.enter(1);
    share::stopSharing(sim.players[1]->shared);
    takeSnapshot();  // (the take-out began the snapshots afresh)
    desk::moveWindow(table.deck.at(0).window, 500, 400);
    takeSnapshot();
    EXPECT_TRUE(canUndo()) << "alone again, the snapshots serve";
    undo();
    EXPECT_NE(table.deck.at(0).rect.left, 500);
    sim.leave(1);
}

TEST(SharedTableSim, OthersPutAwaysWaitWhileTheTakeOutListIsOpen) {
    ShareSim sim(7, 2);
    sim.net.lossy = false;
    sim.deliverDue(true);
    sim.enter(1);
    table.outsideChangesWait = true;  // the take-out dialog is open
    const size_t before = table.deck.count();
    sim.leave(1);
    sim.enter(0);
    CardListSeam list;
    list.append = [](uint32_t) { return true; };
    list.remove = [](size_t) {};
    putAway({0, 1, 2}, list);
    sim.leave(0);
    sim.deliverDue(true);
    sim.enter(1);
    EXPECT_EQ(table.deck.count(), before) << "the list still names the cards it shows";
    table.outsideChangesWait = false;  // closed
    share::showHeld(sim.players[1]->shared);
    EXPECT_EQ(table.deck.count(), before - 3);
    sim.leave(1);
    EXPECT_EQ(sim.seen(0), sim.seen(1));
}

}  // namespace
