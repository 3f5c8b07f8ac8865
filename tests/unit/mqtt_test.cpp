#include <gtest/gtest.h>

#include "share/mqtt.h"

namespace {

using namespace mqtt;

Bytes b(std::initializer_list<int> v) {
    Bytes out;
    for (int x : v) out.push_back(static_cast<uint8_t>(x));
    return out;
}

TEST(MqttPackets, AsTheStandardSpellsThem) {
    ConnectOptions o;
    o.clientId = "ab";
    o.keepAliveSeconds = 60;
    o.hasWill = true;
    o.will = {"w", b({9}), true};
    o.user = "u";
    o.password = "p";
    EXPECT_EQ(connectPacket(o), b({0x10, 26, 0, 4, 'M', 'Q', 'T', 'T', 4, 0xEE, 0, 60, 0, 2, 'a', 'b', 0, 1, 'w', 0, 1, 9, 0,
                                   1, 'u', 0, 1, 'p'}));
    EXPECT_EQ(publishPacket("t/m", b({1, 2}), 1, false, 0x0102, false), b({0x32, 9, 0, 3, 't', '/', 'm', 1, 2, 1, 2}));
    EXPECT_EQ(publishPacket("t", {}, 0, true, 0), b({0x31, 3, 0, 1, 't'}));
    EXPECT_EQ(subscribePacket(7, {"a/#"}), b({0x82, 8, 0, 7, 0, 3, 'a', '/', '#', 1}));
    EXPECT_EQ(pingPacket(), b({0xC0, 0}));
    EXPECT_EQ(disconnectPacket(), b({0xE0, 0}));
    EXPECT_EQ(publishPacket("t", Bytes(200, 0), 0, false, 0).size(), 1u + 2 + 3 + 200) << "a two-byte length";
}

TEST(MqttPackets, AStreamIsCutIntoPacketsAndBadBytesAreNoticed) {
    PacketReader r;
    const Bytes stream = publishPacket("t", Bytes(300, 7), 1, false, 5);
    Packet p;
    for (size_t i = 0; i + 1 < stream.size(); ++i) {
        r.feed(&stream[i], 1);
        ASSERT_EQ(r.next(p), PacketReader::Result::Incomplete) << i;
    }
    r.feed(&stream.back(), 1);
    ASSERT_EQ(r.next(p), PacketReader::Result::Packet);
    Message m;
    ASSERT_TRUE(parsePublish(p, m));
    EXPECT_EQ(m.topic, "t");
    EXPECT_EQ(m.id, 5);
    EXPECT_EQ(m.payload.size(), 300u);
    for (const Bytes& bad : {b({0x30, 0x80, 0x80, 0x80, 0x80, 0x01}), b({0x00, 0}), b({0xF0, 0}), b({0x30, 0xFF, 0xFF, 0xFF, 0x7F})}) {
        PacketReader q;
        q.feed(bad.data(), bad.size());
        EXPECT_EQ(q.next(p), PacketReader::Result::Bad);
    }
    EXPECT_FALSE(parsePublish({Type::Publish, 0x04, b({0, 1, 't'})}, m)) << "QoS 2";
    EXPECT_FALSE(parsePublish({Type::Publish, 0x00, b({0, 5, 't'})}, m)) << "a topic longer than the packet";
}

// A client whose written bytes are kept, and a broker's answers fed to it.
struct Wire {
    Client c;
    std::vector<Bytes> sent;
    std::vector<Message> got;
    std::vector<bool> ups;
    Wire() {
        c.options.clientId = "me";
        c.options.keepAliveSeconds = 10;
        c.topics = {"rupone/1/x/#"};
        c.write = [this](const Bytes& bytes) {
            sent.push_back(bytes);
            return true;
        };
        c.delivered = [this](const Message& m) { got.push_back(m); };
        c.changed = [this](bool up) { ups.push_back(up); };
    }
    bool hear(const Bytes& bytes, uint32_t now) { return received(c, bytes.data(), bytes.size(), now); }
    int sentOf(Type t) const {
        int n = 0;
        for (const Bytes& s : sent) n += (s[0] >> 4) == static_cast<int>(t);
        return n;
    }
};

TEST(MqttClient, ConnectsSubscribesAndKeepsQos1UntilAcknowledgedAcrossConnections) {
    Wire w;
    publish(w.c, "t", b({1}), 1, false, 0);  // before any connection: kept
    opened(w.c, 0);
    ASSERT_EQ(w.sentOf(Type::Connect), 1);
    EXPECT_EQ(w.sentOf(Type::Publish), 0);
    ASSERT_TRUE(w.hear(b({0x20, 2, 0, 0}), 10));
    EXPECT_EQ(w.ups, std::vector<bool>{true});
    EXPECT_EQ(w.sentOf(Type::Subscribe), 1);
    ASSERT_EQ(w.sentOf(Type::Publish), 1) << "the kept one goes once the broker took us";
    EXPECT_TRUE(w.sent.back()[0] & 0x08) << "marked as sent before";
    const uint16_t id = static_cast<uint16_t>(w.sent.back()[5] << 8 | w.sent.back()[6]);  // after the topic "t"

    closed(w.c);
    EXPECT_EQ(w.ups, (std::vector<bool>{true, false}));
    opened(w.c, 100);
    ASSERT_TRUE(w.hear(b({0x20, 2, 0, 0}), 110));
    EXPECT_EQ(w.sentOf(Type::Publish), 2) << "unacknowledged: sent again on the new connection";
    ASSERT_TRUE(w.hear(pubackPacket(id), 120));
    tick(w.c, 120 + kResendMs);
    EXPECT_EQ(w.sentOf(Type::Publish), 2) << "acknowledged: never again";

    publish(w.c, "t", b({2}), 1, false, 200);
    EXPECT_EQ(w.sentOf(Type::Publish), 3);
    tick(w.c, 200 + kResendMs);
    EXPECT_EQ(w.sentOf(Type::Publish), 4) << "no answer for five seconds: sent again";
}

TEST(MqttClient, DeliversAcknowledgesPingsAndNoticesADeadBrokerOrBadBytes) {
    Wire w;
    opened(w.c, 0);
    ASSERT_TRUE(w.hear(b({0x20, 2, 0, 0}), 0));
    ASSERT_TRUE(w.hear(publishPacket("rupone/1/x/m", b({5, 6}), 1, true, 9), 100));
    ASSERT_EQ(w.got.size(), 1u);
    EXPECT_TRUE(w.got[0].retain);
    EXPECT_EQ(w.sent.back(), pubackPacket(9));
    EXPECT_TRUE(tick(w.c, 7600));
    EXPECT_EQ(w.sentOf(Type::Pingreq), 1) << "nothing sent for three quarters of the keep-alive";
    EXPECT_TRUE(w.hear(b({0xD0, 0}), 7700));
    EXPECT_TRUE(tick(w.c, 7700 + 15000));
    EXPECT_FALSE(tick(w.c, 7700 + 15001)) << "not heard for one and a half keep-alives";

    Wire refused;
    opened(refused.c, 0);
    EXPECT_FALSE(refused.hear(b({0x20, 2, 0, 5}), 0));
    EXPECT_EQ(refused.c.refusal, 5) << "not authorised";
    EXPECT_TRUE(refused.ups.empty());
    closed(refused.c);
    EXPECT_EQ(refused.ups, std::vector<bool>{false}) << "the transport's close tells the refusal";

    Wire garbage;
    opened(garbage.c, 0);
    EXPECT_FALSE(garbage.hear(publishPacket("t", {}, 0, false, 0), 0)) << "a publish before the broker took us";
    Wire odd;
    opened(odd.c, 0);
    ASSERT_TRUE(odd.hear(b({0x20, 2, 0, 0}), 0));
    EXPECT_FALSE(odd.hear(b({0x10, 0}), 0)) << "a CONNECT from the broker";
}

}  // namespace
