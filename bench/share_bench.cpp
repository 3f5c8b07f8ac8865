// What the repair sends after a partition: three players at a 53-card table, one of them cut off
// from the broker for a minute while everyone plays on (a gesture every 2 s each). Back, it sends
// what it kept and its digest; the others answer what differs, and every player sends its digest
// every 30 s, until all agree. The counters are the bytes and messages from the moment it is back.
#include <benchmark/benchmark.h>

#include "support/share_sim.h"

namespace {

void RepairAfterAMinuteApart(benchmark::State& state) {
    uint64_t seed = 1;
    double bytes = 0, messages = 0, digests = 0, answers = 0, resent = 0, buckets = 0, seconds = 0;
    for (auto _ : state) {
        sim::ShareSim sim(seed++, 3);
        sim.net.lossy = false;
        sim.deliverDue(true);
        sim.cut(2, 60000 + 1000);
        for (int round = 0; round < 30; ++round) {
            for (size_t p = 0; p < 3; ++p) sim.act(p);
            sim.pass(2000);
        }
        for (size_t p = 0; p < 3; ++p) {
            sim.enter(p);
            if (desk::capture()) desk::releaseCapture();
            share::showHeld(sim.players[p]->shared);
            sim.leave(p);
        }
        buckets += __builtin_popcountll(share::differingBuckets(share::digestOf(sim.players[0]->shared.replica),
                                                                share::digestOf(sim.players[2]->shared.replica)));
        const auto before = sim.net.sent;
        const uint64_t back = sim.net.now + 1000;
        uint64_t lastDigest = back;
        for (;;) {
            sim.pass(100);
            bool agree = true;
            for (size_t p = 1; p < 3; ++p)
                agree &= share::digestOf(sim.players[p]->shared.replica) == share::digestOf(sim.players[0]->shared.replica);
            if (agree && sim.net.parcels.empty()) break;
            if (sim.net.now - lastDigest >= 30000) {
                lastDigest = sim.net.now;
                for (size_t p = 0; p < 3; ++p) sim.net.publish(p, 3, share::digestMessage(sim.players[p]->shared));
            }
        }
        seconds += static_cast<double>(sim.net.now - back) / 1000.0;
        for (const auto& [kind, count] : sim.net.sent) {
            auto was = before.find(kind);
            const double b = static_cast<double>(count.bytes - (was == before.end() ? 0 : was->second.bytes));
            const double m = static_cast<double>(count.messages - (was == before.end() ? 0 : was->second.messages));
            bytes += b;
            messages += m;
            if (kind == share::MessageKind::Summary) digests += b;
            if (kind == share::MessageKind::Cards) answers += b;
            if (kind == share::MessageKind::Changes) resent += b;
        }
    }
    const auto avg = [&](double v) { return benchmark::Counter(v, benchmark::Counter::kAvgIterations); };
    state.counters["bytes"] = avg(bytes);
    state.counters["messages"] = avg(messages);
    state.counters["resent_gestures_bytes"] = avg(resent);
    state.counters["digest_bytes"] = avg(digests);
    state.counters["answer_bytes"] = avg(answers);
    state.counters["buckets_apart"] = avg(buckets);
    state.counters["seconds_to_agree"] = avg(seconds);
}
BENCHMARK(RepairAfterAMinuteApart)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
