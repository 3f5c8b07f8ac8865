// Saving and loading a table of 10,000 cards: the table logic against the fake desk.
#include <benchmark/benchmark.h>

#include "app/table.h"
#include "deck/deck.h"
#include "app/keeping.h"
#include "support/fake_desk.h"

namespace {

StateData bigTable(size_t n) {
    StateData d;
    for (size_t i = 0; i < n; ++i)
        d.cards.push_back({suitFromNumber(static_cast<uint32_t>(i % 5)), static_cast<int32_t>(i % 14),
                           static_cast<int32_t>(i % 1000), static_cast<int32_t>(i / 1000), static_cast<uint32_t>(i & 1)});
    return d;
}

void freshDesk() {
    fake::reset();
    table = Table{};
    table.soundOn = 0;
    table.panel = fake::addWindow(u"#32770", u"ルポネ", {0, 0, 200, 100});
}

void BM_SaveState(benchmark::State& state) {
    freshDesk();
    applyState(bigTable(static_cast<size_t>(state.range(0))));
    for (auto _ : state) saveState();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_LoadState(benchmark::State& state) {
    freshDesk();
    std::vector<uint8_t> bytes = encodeState(bigTable(static_cast<size_t>(state.range(0))));
    for (auto _ : state) {
        state.PauseTiming();
        freshDesk();
        fake::files()[stateFilePath(fake::kModulePath)] = bytes;
        state.ResumeTiming();
        benchmark::DoNotOptimize(loadState());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DecodeState(benchmark::State& state) {
    std::vector<uint8_t> bytes = encodeState(bigTable(static_cast<size_t>(state.range(0))));
    for (auto _ : state) {
        StateData d;
        benchmark::DoNotOptimize(decodeState(bytes.data(), bytes.size(), d));
    }
}

BENCHMARK(BM_SaveState)->Arg(53)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadState)->Arg(53)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeState)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
