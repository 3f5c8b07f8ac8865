// A table shared through the real broker, with a peer that speaks the protocol by hand.
#include <gtest/gtest.h>

#include "desk/windows_win32.h"

#include <cstdlib>
#include <functional>

#include "app/table.h"
#include "cards/card_window.h"
#include "deck/byte_codec.h"
#include "deck/deck.h"
#include "share/message.h"
#include "share/session_win32.h"
#include "support/win32_helpers.h"

namespace {

using namespace share;

class SharedSession : public ::testing::Test {
protected:
    void SetUp() override {
        Endpoint broker;
        if (!testBroker(broker)) GTEST_SKIP() << "no broker given (the test command starts one)";
        settings.host = broker.host;
        settings.port = broker.port;
        freshTable();
        for (int i = 0; i < 5; ++i) {
            auto card = std::make_unique<Card>();
            createCardWindow(i + 1, card.get(), kSpades, i);
            ShowWindow(toHwnd(card->window), SW_SHOWNOACTIVATE);
            SetWindowPos(toHwnd(card->window), nullptr, 100 + 80 * i, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            table.deck.append(std::move(card));
        }
        pumpMessages();
        settings.table = u"session test " + std::u16string(1, static_cast<char16_t>(u'a' + GetCurrentProcessId() % 26));
        settings.passphrase = u"pass";
        settings.player = u"花子";
        settings.keyIterations = 1000;
        settings.listenMs = 400;
        ASSERT_TRUE(deriveTableKey(canonicalText(settings.table), "pass", key, 1000));
        peer.client.options.clientId = "peer";
        peer.client.topics = {topicRoot(key) + "/#"};
        peer.client.changed = [this](bool up) { peerUp = up; };
        peer.client.delivered = [this](const mqtt::Message& m) { got.push_back(m); };
        ASSERT_TRUE(connectBroker(peer, settings.host, settings.port));
        ASSERT_TRUE(pumpUntil([this] { return peerUp; }));
    }
    void TearDown() override {
        stopSession(session);
        // Nothing of this test stays on the broker.
        for (int part = 0; part < 2; ++part)
            mqtt::publish(peer.client, topicOf(key, Topic::State, static_cast<uint64_t>(part)), {}, 1, true, GetTickCount());
        pumpUntil([this] { return peer.client.unacknowledged.empty(); }, 2000);
        disconnectBroker(peer);
        clearTable();
    }
    const mqtt::Message* last(const std::string& topic) {
        for (auto it = got.rbegin(); it != got.rend(); ++it)
            if (it->topic == topic) return &*it;
        return nullptr;
    }
    Card& card(uint32_t index) { return *session.shared.cards.at(CardId{0, 0, index}); }
    // Another player's table of three cards, its state published (retained) as of that instance.
    void publishTheirs(const Instance& theirs) {
        Replica replica;
        Changes made;
        made.stamp = {1, 42};
        for (uint32_t i = 1; i <= 3; ++i) {
            const CardId id{0, 0, i};
            made.creations.push_back({id, kHearts, static_cast<int32_t>(i)});
            made.writes.push_back({id, Register::Present, {}, true, {}});
            made.writes.push_back({id, Register::Place, {200 * static_cast<int32_t>(i), 300}, false, {}});
            made.writes.push_back({id, Register::Face, {}, true, {}});
            made.writes.push_back({id, Register::Order, {}, false, freshKeys(3, 42, 1)[i - 1]});
        }
        applyChanges(replica, made);
        ByteWriter w;
        w.i32(1280);
        w.i32(1024);
        const std::vector<uint8_t> cards = encodeCards(42, cardsIn(replica, ~uint64_t{0}));
        w.raw(cards.data(), cards.size());
        mqtt::publish(peer.client, topicOf(key, Topic::State, 0), sealEnvelope(key, theirs, Topic::State, 42, ++sealedCount, w.take()),
                      1, true, GetTickCount());
    }
    // How many state messages this player's session has published so far.
    size_t statesSent() {
        size_t n = 0;
        for (const mqtt::Message& m : got) {
            Instance instance;
            uint64_t from = 0;
            std::vector<uint8_t> payload;
            n += m.topic == topicOf(key, Topic::State, 0) &&
                 openEnvelope(key, Topic::State, m.payload.data(), m.payload.size(), instance, from, payload) &&
                 from == session.session;
        }
        return n;
    }
    uint32_t sealedCount = 0;

    SessionSettings settings;
    Session session;
    TableKey key;
    BrokerConnection peer;
    bool peerUp = false;
    std::vector<mqtt::Message> got;
};

TEST_F(SharedSession, ASilentTableIsCreatedAndAnsweredOnlyWithItsKey) {
    std::u16string why;
    ASSERT_TRUE(startSession(session, settings, table.cardParent, {0, 0, 1280, 1024}, why)) << std::string(why.begin(), why.end());
    ASSERT_TRUE(pumpUntil([this] { return session.state == SessionState::Created; })) << "nothing heard: this table is the shared one";

    const std::string stateTopic = topicOf(key, Topic::State, 0);
    ASSERT_TRUE(pumpUntil([&] { return last(stateTopic) != nullptr; }));
    Instance instance;
    uint64_t from = 0;
    std::vector<uint8_t> state;
    ASSERT_TRUE(openEnvelope(key, Topic::State, last(stateTopic)->payload.data(), last(stateTopic)->payload.size(), instance,
                             from, state));
    EXPECT_EQ(from, session.session);
    std::vector<CardState> cards;
    uint64_t sender = 0;
    ASSERT_TRUE(decodeCards(state.data() + 8, state.size() - 8, sender, cards));
    EXPECT_EQ(cards.size(), 5u) << "the table's state, retained for whoever joins";
    ASSERT_TRUE(pumpUntil([&] { return last(topicOf(key, Topic::Presence, session.session)) != nullptr; }));

    // Another player moves card 1 to the middle of the table.
    Changes move;
    move.stamp = {session.shared.replica.clock + 10, 42};
    move.writes.push_back({CardId{0, 0, 1}, Register::Place, {640, 512}, false, {}});
    const std::vector<uint8_t> sealed = sealEnvelope(key, instance, Topic::Moves, 42, 1, encodeChanges(move));
    mqtt::publish(peer.client, topicOf(key, Topic::Moves), sealed, 1, false, GetTickCount());
    ASSERT_TRUE(pumpUntil([&] { return card(1).rect.left + table.cardWidth / 2 == 640; })) << "shown on this table";

    // The same, sealed with another passphrase: opened by nobody.
    TableKey wrong;
    ASSERT_TRUE(deriveTableKey(canonicalText(settings.table), "guess", wrong, 1000));
    move.stamp.counter += 10;
    move.writes[0].place = {100, 100};
    mqtt::publish(peer.client, topicOf(key, Topic::Moves),
                  sealEnvelope(wrong, instance, Topic::Moves, 43, 1, encodeChanges(move)), 1, false, GetTickCount());
    ASSERT_TRUE(pumpUntil([&] { return session.refused > 0; }));
    EXPECT_EQ(card(1).rect.left + table.cardWidth / 2, 640);

    stopSession(session);
    EXPECT_TRUE(pumpUntil([&] {
        const mqtt::Message* p = last(topicOf(key, Topic::Presence, session.session));
        return p && p->payload.empty();
    })) << "leaving clears the presence";
}

TEST_F(SharedSession, ATableThatAnswersIsJoinedAndLaidFromItsState) {
    // Another player's table of three cards, retained on the broker with its presence.
    const Instance theirs{1700000000, 7};
    publishTheirs(theirs);
    const std::string name = "太郎";
    mqtt::publish(peer.client, topicOf(key, Topic::Presence, 42),
                  sealEnvelope(key, theirs, Topic::Presence, 42, ++sealedCount, std::vector<uint8_t>(name.begin(), name.end())), 1,
                  true, GetTickCount());
    ASSERT_TRUE(pumpUntil([this] { return peer.client.unacknowledged.empty(); }));

    std::u16string why;
    ASSERT_TRUE(startSession(session, settings, table.cardParent, {0, 0, 1280, 1024}, why));
    ASSERT_TRUE(pumpUntil([this] { return session.state == SessionState::Joined; }));
    EXPECT_TRUE(session.instance == theirs);
    EXPECT_EQ(session.players[42], name) << "who is there";
    ASSERT_TRUE(pumpUntil([this] { return table.deck.count() == 3; })) << "the shared table in place of this one's five";
    EXPECT_EQ(card(2).rect.left + table.cardWidth / 2, 400);
    EXPECT_TRUE(card(2).faceUp);
    EXPECT_EQ(listCardWindows().front(), card(3).window) << "stacked as the keys order them";

    mqtt::publish(peer.client, topicOf(key, Topic::Presence, 42), {}, 1, true, GetTickCount());
    EXPECT_TRUE(pumpUntil([this] { return session.players.empty(); })) << "a cleared presence is a player gone";
}

TEST_F(SharedSession, AnOlderTableOfTheSameNameWinsAndAYoungerOneIsRefused) {
    std::u16string why;
    ASSERT_TRUE(startSession(session, settings, table.cardParent, {0, 0, 1280, 1024}, why));
    ASSERT_TRUE(pumpUntil([this] { return session.state == SessionState::Created && statesSent() == 1; }));
    const Instance ours = session.instance;

    // A table made a moment later under the same name writes its state over ours.
    publishTheirs({ours.createdAt + 5, 1});
    ASSERT_TRUE(pumpUntil([this] { return statesSent() == 2; })) << "ours is published again over it";
    EXPECT_TRUE(session.instance == ours);
    EXPECT_EQ(table.deck.count(), 5u);

    // One made earlier wins within this player's first seconds: the table goes over to it.
    const Instance older{ours.createdAt - 5, 1};
    publishTheirs(older);
    ASSERT_TRUE(pumpUntil([this] { return session.state == SessionState::Joined; }));
    EXPECT_TRUE(session.instance == older);
    EXPECT_TRUE(pumpUntil([this] { return table.deck.count() == 3; })) << "laid from the winner's state";
}

}  // namespace
