#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "deck/card.h"
#include "share/message.h"
#include "share/replica.h"

namespace {

using namespace share;

TEST(OrderKeys, ANewKeyFallsStrictlyBetweenItsNeighboursWhereverItGoes) {
    std::mt19937_64 rng(7);
    std::vector<OrderKey> stack = freshKeys(3, 9, 1);  // bottom first
    ASSERT_TRUE(std::is_sorted(stack.begin(), stack.end()));
    for (uint64_t i = 0; i < 3000; ++i) {
        const size_t at = rng() % (stack.size() + 1);
        const OrderKey lo = at ? stack[at - 1] : OrderKey{}, hi = at < stack.size() ? stack[at] : OrderKey{};
        const OrderKey key = keyBetween(lo, hi, rng() % 4 + 1, i + 2, static_cast<uint16_t>(i));
        ASSERT_FALSE(key.empty());
        ASSERT_TRUE((lo.empty() || lo < key) && (hi.empty() || key < hi)) << "insert " << i << " at " << at;
        stack.insert(stack.begin() + static_cast<std::ptrdiff_t>(at), key);
    }
    EXPECT_TRUE(std::adjacent_find(stack.begin(), stack.end()) == stack.end());
    EXPECT_TRUE(keyBetween(stack[5], stack[2], 1, 1, 0).empty()) << "no key between a higher and a lower one";
}

TEST(OrderKeys, KeysOnTopStayShortAndAFreshTableNeedsTwoDigits) {
    OrderKey top = freshKeys(1, 1, 1)[0];
    for (int i = 0; i < 60; ++i) {
        top = keyBetween(top, {}, 1, static_cast<uint64_t>(i + 2), 0);
        ASSERT_LE(top.size(), kMostOrderKeyBytes) << "after " << i + 1 << " cards brought to the top";
    }
    const std::vector<OrderKey> fresh = freshKeys(10000, 3, 4);
    EXPECT_TRUE(std::adjacent_find(fresh.begin(), fresh.end(), [](auto& a, auto& b) { return !(a < b); }) == fresh.end());
    EXPECT_EQ(fresh.back().size(), 2 + kOrderKeySuffixBytes);
}

// Random messages of several players about a few cards, some of them taking cards out.
std::vector<Changes> randomMessages(std::mt19937_64& rng, int count) {
    std::vector<Changes> out;
    std::vector<CardId> known;
    for (uint32_t i = 1; i <= 5; ++i) known.push_back({0, 0, i});
    Changes table;
    table.stamp = {1, 1};
    for (const CardId& id : known) {
        table.creations.push_back({id, kSpades, static_cast<int32_t>(id.index)});
        table.writes.push_back({id, Register::Present, {}, true, {}});
    }
    out.push_back(table);
    for (int m = 0; m < count; ++m) {
        Changes c;
        // Counters rise by less than one a message, so that equal counters of different players
        // tie-break by session; no two messages share a stamp, as no two real ones do.
        c.stamp = {static_cast<uint64_t>(m / 2 + 2), static_cast<uint64_t>(m % 2 ? 1 + rng() % 2 : 3 + rng() % 2)};
        if (rng() % 5 == 0) {
            CardId made{c.stamp.session, c.stamp.counter, static_cast<uint32_t>(rng() % 3)};
            c.creations.push_back({made, kHearts, 7});
            c.writes.push_back({made, Register::Present, {}, true, {}});
            known.push_back(made);
        }
        for (int k = 0; k < 3; ++k) {
            Write w;
            w.card = known[rng() % known.size()];
            w.reg = static_cast<Register>(rng() % 4 + 1);
            w.place = {static_cast<int32_t>(rng() % 1000), static_cast<int32_t>(rng() % 1000)};
            w.on = rng() % 2;
            w.order = keyBetween({}, {}, c.stamp.session, c.stamp.counter, static_cast<uint16_t>(rng() % 50));
            c.writes.push_back(w);
        }
        out.push_back(c);
    }
    return out;
}

TEST(Replica, AnyOrderAndAnyRepeatOfTheSameMessagesGivesTheSameTable) {
    for (uint64_t seed = 1; seed <= 200; ++seed) {
        std::mt19937_64 rng(seed);
        const std::vector<Changes> messages = randomMessages(rng, 30);
        Replica inOrder;
        for (const Changes& c : messages) applyChanges(inOrder, c);
        for (int player = 0; player < 3; ++player) {
            std::vector<Changes> arriving = messages;
            for (int d = 0; d < 10; ++d) arriving.push_back(messages[rng() % messages.size()]);  // duplicates
            std::shuffle(arriving.begin(), arriving.end(), rng);  // writes before their card's creation too
            Replica r;
            for (const Changes& c : arriving) applyChanges(r, c);
            ASSERT_TRUE(sameTable(inOrder, r)) << "seed " << seed << ", player " << player;
            EXPECT_EQ(stacking(inOrder), stacking(r));
        }
    }
}

TEST(Replica, TheGreatestStampWinsAndTheClockNeverLeapsFarther) {
    Replica r;
    const CardId a{0, 0, 1};
    applyChanges(r, {{1, 1}, {{a, kClubs, 2}}, {{a, Register::Present, {}, true, {}}}});
    const auto place = [&](Stamp s, int32_t x) { return applyChanges(r, {s, {}, {{a, Register::Place, {x, 0}, false, {}}}}); };
    EXPECT_EQ(place({5, 2}, 10), std::vector<CardId>{a});
    EXPECT_TRUE(place({5, 1}, 20).empty()) << "the same counter: the greater session holds";
    EXPECT_TRUE(place({4, 9}, 30).empty());
    EXPECT_EQ(r.cards[a].place.x, 10);
    EXPECT_EQ(nextCounter(r), 6u);
    place({uint64_t{1} << 60, 3}, 40);
    EXPECT_EQ(r.cards[a].place.x, 40) << "taken all the same";
    EXPECT_EQ(r.clock, 6 + (uint64_t{1} << 32));
}

Changes sample() {
    const CardId a{0, 0, 1}, made{77, 5, 0};
    Changes c;
    c.stamp = {5, 77};
    c.creations = {{a, kJoker, 0}, {made, kDiamonds, 13}};
    c.writes = {{a, Register::Place, {-32767, 32767}, false, {}},
                {made, Register::Face, {}, true, {}},
                {made, Register::Order, {}, false, keyBetween({}, {}, 77, 5, 0)},
                {a, Register::Present, {}, false, {}}};
    return c;
}

TEST(Messages, WhatIsWrittenIsReadBackAndNothingLessOrMore) {
    const std::vector<uint8_t> bytes = encodeChanges(sample());
    Changes back;
    ASSERT_TRUE(decodeChanges(bytes.data(), bytes.size(), back));
    EXPECT_EQ(encodeChanges(back), bytes);
    for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(decodeChanges(bytes.data(), n, back)) << "cut at " << n;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(decodeChanges(longer.data(), longer.size(), back));
}

TEST(Messages, AnythingNoMessageMaySayIsRefused) {
    const struct {
        const char* what;
        void (*spoil)(Changes&);
    } cases[] = {
        {"a place beyond 16 bits", [](Changes& c) { c.writes[0].place.x = 32768; }},
        {"a key of 33 bytes", [](Changes& c) { c.writes[2].order.resize(33); }},
        {"an empty key", [](Changes& c) { c.writes[2].order.clear(); }},
        {"an unknown suit", [](Changes& c) { c.creations[1].suit = u'x'; }},
        {"a rank beyond the king", [](Changes& c) { c.creations[1].rank = 14; }},
        {"a joker with a rank", [](Changes& c) { c.creations[0].rank = 3; }},
        {"another player's card made", [](Changes& c) { c.creations[1].card.session = 78; }},
        {"an unknown register", [](Changes& c) { c.writes[1].reg = static_cast<Register>(9); }},
    };
    for (const auto& k : cases) {
        Changes c = sample();
        k.spoil(c);
        const std::vector<uint8_t> bytes = encodeChanges(c);
        Changes out;
        EXPECT_FALSE(decodeChanges(bytes.data(), bytes.size(), out)) << k.what;
    }
    std::vector<uint8_t> bytes = encodeChanges(sample());
    const auto refused = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> b = bytes;
        b[at] = v;
        Changes out;
        return !decodeChanges(b.data(), b.size(), out);
    };
    EXPECT_TRUE(refused(0, 2)) << "another version";
    EXPECT_TRUE(refused(1, 7)) << "another kind";
    EXPECT_TRUE(refused(bytes.size() - 1, 2)) << "a flag of 2";
    const size_t writeCount = 2 + 16 + 4 + 2 * 23;
    EXPECT_TRUE(refused(writeCount + 3, 0xFF)) << "more writes than the bytes could hold";
}

TEST(Messages, DigestsAndWholeCardsGoBothWaysAndRefuseWhatNoPlayerWrites) {
    Replica r;
    applyChanges(r, sample());
    const Digest d = digestOf(r);
    uint64_t from = 0;
    Digest back{};
    const std::vector<uint8_t> digest = encodeDigest(9, d);
    ASSERT_TRUE(decodeDigest(digest.data(), digest.size(), from, back));
    EXPECT_EQ(from, 9u);
    EXPECT_EQ(back, d);
    EXPECT_FALSE(decodeDigest(digest.data(), digest.size() - 1, from, back));
    EXPECT_EQ(kindOf(digest.data(), digest.size()), MessageKind::Summary);

    const std::vector<uint8_t> cards = encodeCards(9, cardsIn(r, ~uint64_t{0}));
    std::vector<CardState> got;
    ASSERT_TRUE(decodeCards(cards.data(), cards.size(), from, got));
    Replica copy;
    mergeCards(copy, got);
    EXPECT_TRUE(sameTable(r, copy));
    EXPECT_EQ(digestOf(copy), d) << "the same registers with the same stamps";
    EXPECT_EQ(differingBuckets(digestOf(Replica{}), d) != 0, true);
    for (size_t n : {size_t{0}, cards.size() / 2, cards.size() - 1}) EXPECT_FALSE(decodeCards(cards.data(), n, from, got));
    std::vector<uint8_t> spoiled = cards;
    spoiled[14 + 20] = 'x';  // the first card's suit
    EXPECT_FALSE(decodeCards(spoiled.data(), spoiled.size(), from, got));
}

}  // namespace
