// One mouse move while carrying k cards on a table of n, with the mark refreshes it causes; and
// snapshot and undo on a large table. "PerMove" ends the batch without coalescing the refreshes,
// as each moved window's move message alone would: the cost the coalescing removes.
#include <benchmark/benchmark.h>

#include "app/table.h"
#include "cards/card_window.h"
#include "cards/gestures.h"
#include "cards/movement.h"
#include "deck/history.h"
#include "support/fake_desk.h"

namespace {

// n cards in piles of 20; the first k (one heap at the top-left) are carried by card 0.
Card& layCarry(int64_t n, int64_t k) {
    fake::reset();
    table = Table{};
    table.soundOn = 0;
    for (int64_t i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        int32_t x, y;
        if (i < k) {
            x = 100 + static_cast<int32_t>(i % 20);
            y = 100 + static_cast<int32_t>(i % 20);
        } else {
            int64_t pile = i / 20;
            x = static_cast<int32_t>(pile % 40) * 80 + 300;
            y = static_cast<int32_t>(pile / 40) * 100;
        }
        desk::createCardWindow(c, x, y, 60, 88, nullptr);
        fake::setVisible(c->window, true);
        table.deck.append(std::move(card));
    }
    Card& lead = table.deck.at(0);
    for (int64_t i = 0; i < k; ++i) lead.trail.push_back(&table.deck.at(static_cast<size_t>(i)));
    lead.grabOffset = {10, 10};
    lead.gestureLog = {0x201, 0x202, 0x200};  // picked up and carried
    table.currentCard = &lead;
    return lead;
}

void BM_CarryMove(benchmark::State& state) {
    Card& lead = layCarry(state.range(1), state.range(0));
    int32_t step = 0;
    for (auto _ : state) {
        step = (step + 7) % 400;
        dragGroup(lead, {110 + step, 110 + step / 2});
        fake::clearLogs();
    }
}

void BM_CarryMovePerMove(benchmark::State& state) {
    Card& lead = layCarry(state.range(1), state.range(0));
    int32_t step = 0;
    for (auto _ : state) {
        step = (step + 7) % 400;
        desk::Rect r;
        desk::windowRect(lead.window, r);
        desk::Batch b = desk::beginBatch(static_cast<int>(lead.trail.size()));
        for (Card* c : lead.trail) {
            desk::Rect cr;
            desk::windowRect(c->window, cr);
            b = desk::defer(b, c->window, nullptr, cr.left + 7 - (step == 0 ? 400 : 0), cr.top, 0, 0, 0x15);
        }
        desk::endBatch(b);  // each moved window refreshes the marks on its own
        fake::clearLogs();
    }
}

void carrySizes(benchmark::internal::Benchmark* b) {
    for (int64_t k : {53, 1000})
        for (int64_t n : {53, 1000, 10000})
            if (k <= n) b->Args({k, n});
    b->ArgNames({"carried", "cards"})->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_CarryMove)->Apply(carrySizes);
BENCHMARK(BM_CarryMovePerMove)->Apply(carrySizes)->Iterations(3);

void BM_TakeSnapshot(benchmark::State& state) {
    layCarry(state.range(0), 1);
    for (auto _ : state) {
        takeSnapshot();
        if (table.historyCurrent >= 100) table.historyCurrent = 0;
    }
}

void BM_Undo(benchmark::State& state) {
    Card& lead = layCarry(state.range(0), 1);
    takeSnapshot();
    for (auto _ : state) {
        state.PauseTiming();
        desk::moveWindow(lead.window, 900, 700);
        takeSnapshot();
        state.ResumeTiming();
        undo();
    }
}

BENCHMARK(BM_TakeSnapshot)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Undo)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
