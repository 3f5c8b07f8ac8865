// Against the real broker the test command starts on the loopback address (RUPONE_TEST_BROKER).
#include <gtest/gtest.h>

#include "desk/windows_win32.h"

#include <cstdlib>
#include <functional>
#include <memory>

#include "share/broker_win32.h"
#include "support/win32_helpers.h"

namespace {

using share::BrokerConnection;

struct Player {
    std::unique_ptr<BrokerConnection> b = std::make_unique<BrokerConnection>();
    bool up = false;
    std::vector<mqtt::Message> got;
    Player(const std::string& id, std::vector<std::string> topics) {
        b->client.options.clientId = id;
        b->client.options.keepAliveSeconds = 5;
        b->client.topics = std::move(topics);
        b->client.changed = [this](bool isUp) { up = isUp; };
        b->client.delivered = [this](const mqtt::Message& m) { got.push_back(m); };
    }
    bool start(const Endpoint& e) { return share::connectBroker(*b, e.host, e.port) && pumpUntil([this] { return up; }); }
    bool heard(const std::string& topic, DWORD ms = 5000) {
        return pumpUntil([&] {
            for (const auto& m : got)
                if (m.topic == topic) return true;
            return false;
        }, ms);
    }
};

const std::string kRoot = "rupone/1/test" + std::to_string(GetCurrentProcessId());

TEST(Broker, PublishedMessagesRetainedStateAndTheWillReachTheOthers) {
    Endpoint e;
    if (!testBroker(e)) GTEST_SKIP() << "no broker given (the test command starts one)";
    Player a("a", {kRoot + "/#"}), b("b", {});
    ASSERT_TRUE(a.start(e)) << "Winsock error " << a.b->lastError;
    ASSERT_TRUE(b.start(e));
    mqtt::publish(b.b->client, kRoot + "/m", {1, 2, 3}, 1, false, GetTickCount());
    ASSERT_TRUE(a.heard(kRoot + "/m"));
    EXPECT_EQ(a.got.back().payload, (mqtt::Bytes{1, 2, 3}));
    EXPECT_TRUE(pumpUntil([&] { return b.b->client.unacknowledged.empty(); })) << "the broker acknowledged it";

    mqtt::publish(b.b->client, kRoot + "/s/0", {7}, 1, true, GetTickCount());
    ASSERT_TRUE(a.heard(kRoot + "/s/0"));
    Player late("late", {kRoot + "/s/#"});
    ASSERT_TRUE(late.start(e));
    ASSERT_TRUE(late.heard(kRoot + "/s/0")) << "the retained state reaches a player who comes later";
    EXPECT_TRUE(late.got.back().retain);

    Player mortal("mortal", {});
    mortal.b->client.options.hasWill = true;
    mortal.b->client.options.will = {kRoot + "/p/mortal", {}, true};
    ASSERT_TRUE(mortal.start(e));
    share::dropBroker(*mortal.b);
    EXPECT_TRUE(a.heard(kRoot + "/p/mortal")) << "a connection that died leaves its will";

    Player polite("polite", {});
    polite.b->client.options.hasWill = true;
    polite.b->client.options.will = {kRoot + "/p/polite", {}, true};
    ASSERT_TRUE(polite.start(e));
    share::disconnectBroker(*polite.b);
    EXPECT_FALSE(a.heard(kRoot + "/p/polite", 1000)) << "a clean end leaves none";

    // Retained messages are cleared again, so that the broker keeps nothing of this test.
    mqtt::publish(b.b->client, kRoot + "/s/0", {}, 1, true, GetTickCount());
    mqtt::publish(b.b->client, kRoot + "/p/mortal", {}, 1, true, GetTickCount());
    EXPECT_TRUE(pumpUntil([&] { return b.b->client.unacknowledged.empty(); }));
    for (Player* p : {&a, &b, &late}) share::disconnectBroker(*p->b);
}

TEST(Broker, NoBrokerThereIsTriedAgainQuietlyAndAWrongNameIsRefused) {
    Player lonely("lonely", {});
    // A port nobody listens on (the test command's broker is elsewhere).
    ASSERT_TRUE(share::connectBroker(*lonely.b, "127.0.0.1", 9));
    EXPECT_FALSE(pumpUntil([&] { return lonely.up; }, 1500));
    EXPECT_NE(lonely.b->lastError, 0);
    EXPECT_GE(lonely.b->retryMs, 1000u) << "the wait between attempts grows";
    share::disconnectBroker(*lonely.b);
    Player nameless("nameless", {});
    EXPECT_FALSE(share::connectBroker(*nameless.b, "", 1883));
}

}  // namespace
