// Finding the current card's pile and refreshing the marks, on tables of 53 to 10,000 cards.
#include <benchmark/benchmark.h>

#include "app/table.h"
#include "cards/card_window.h"
#include "deck/overlap.h"
#include "cards/tooltips.h"
#include "support/fake_desk.h"

namespace {

// Piles of 20 cards, each fanned a little, laid out in rows; or one long chain of cards each
// half on the next (the worst case of the recursive rule).
void layTable(int64_t n, bool chain) {
    fake::reset();
    table = Table{};
    table.soundOn = 0;
    for (int64_t i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        int32_t x, y;
        if (chain) {
            x = static_cast<int32_t>(i % 200) * 30;
            y = static_cast<int32_t>(i / 200) * 100;
        } else {
            int64_t pile = i / 20;
            x = static_cast<int32_t>(pile % 40) * 80 + static_cast<int32_t>(i % 20);
            y = static_cast<int32_t>(pile / 40) * 100 + static_cast<int32_t>(i % 20);
        }
        c->window = desk::createCardWindow(c, x, y, 60, 88, nullptr);
        fake::setVisible(c->window, true);
        table.deck.append(std::move(card));
    }
    table.currentCard = &table.deck.at(static_cast<size_t>(n / 2));
}

void BM_CollectPile(benchmark::State& state) {
    layTable(state.range(0), state.range(2) != 0);
    table.judgeRecursively = static_cast<uint32_t>(state.range(1));
    Pile pile;
    for (auto _ : state) {
        collectPile(*table.currentCard, true, pile);
        benchmark::DoNotOptimize(pile.data());
    }
    state.counters["pile"] = static_cast<double>(pile.size());
}

void BM_RefreshMarks(benchmark::State& state) {
    layTable(state.range(0), state.range(2) != 0);
    table.judgeRecursively = static_cast<uint32_t>(state.range(1));
    for (auto _ : state) {
        refreshMarks(*table.currentCard);
        fake::clearLogs();
    }
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int64_t n : {53, 1000, 10000})
        for (int64_t recursive : {0, 1}) b->Args({n, recursive, 0});
    for (int64_t n : {1000, 10000}) b->Args({n, 1, 1});
    b->ArgNames({"cards", "recursive", "chain"})->Unit(benchmark::kMicrosecond);
}

// A tip asked for the top card of one pile of n cards, each a pixel from the next.
void BM_TipOfAPile(benchmark::State& state) {
    fake::reset();
    table = Table{};
    const int64_t n = state.range(0);
    for (int64_t i = 0; i < n; ++i) {
        auto card = std::make_unique<Card>();
        card->window = desk::createCardWindow(card.get(), static_cast<int32_t>(i % 20), static_cast<int32_t>(i % 20),
                                              60, 88, nullptr);
        fake::setVisible(card->window, true);
        card->faceUp = 1;
        card->suit = u'h';
        card->rank = 7;
        table.deck.append(std::move(card));
    }
    for (auto _ : state) benchmark::DoNotOptimize(tipText(table.deck.at(0)).text.size());
}

BENCHMARK(BM_CollectPile)->Apply(sizes);
BENCHMARK(BM_RefreshMarks)->Apply(sizes);
BENCHMARK(BM_TipOfAPile)->Arg(53)->Arg(1000)->ArgName("cards")->Unit(benchmark::kMicrosecond);

}  // namespace
