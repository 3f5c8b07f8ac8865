#include <gtest/gtest.h>

#include "share/envelope_win32.h"

namespace {

using namespace share;

TEST(Envelope, OpensOnlyForItsTableTopicAndInstance) {
    TableKey key, other;
    ASSERT_TRUE(deriveTableKey("friday", "pass", key, 1000));
    ASSERT_TRUE(deriveTableKey("friday", "other", other, 1000));
    EXPECT_EQ(topicRoot(key).size(), std::string("rupone/1/").size() + 32);
    EXPECT_EQ(topicOf(key, Topic::State, 3), topicRoot(key) + "/s/3");
    EXPECT_EQ(topicOf(key, Topic::Presence, 0x0102030405060708ull), topicRoot(key) + "/p/0102030405060708");
    EXPECT_NE(topicRoot(key), topicRoot(other)) << "another passphrase, other topics";

    const Instance made{1700000000, 42};
    const std::vector<uint8_t> payload{1, 2, 3};
    const std::vector<uint8_t> env = sealEnvelope(key, made, Topic::Moves, 77, 1, payload);
    Instance instance;
    uint64_t session = 0;
    std::vector<uint8_t> got;
    ASSERT_TRUE(openEnvelope(key, Topic::Moves, env.data(), env.size(), instance, session, got));
    EXPECT_EQ(got, payload);
    EXPECT_EQ(session, 77u);
    EXPECT_TRUE(instance == made);

    EXPECT_FALSE(openEnvelope(other, Topic::Moves, env.data(), env.size(), instance, session, got)) << "a wrong passphrase";
    EXPECT_FALSE(openEnvelope(key, Topic::Digests, env.data(), env.size(), instance, session, got)) << "replayed on another topic";
    std::vector<uint8_t> moved = env;
    moved[1] ^= 1;  // the instance's time
    EXPECT_FALSE(openEnvelope(key, Topic::Moves, moved.data(), moved.size(), instance, session, got)) << "into another instance";
    std::vector<uint8_t> forged = env;
    forged[17] ^= 1;  // the session in the nonce
    EXPECT_FALSE(openEnvelope(key, Topic::Moves, forged.data(), forged.size(), instance, session, got)) << "as another player";
    for (size_t n : {size_t{0}, size_t{1}, size_t{17}, env.size() - 1})
        EXPECT_FALSE(openEnvelope(key, Topic::Moves, env.data(), n, instance, session, got)) << "cut at " << n;
}

}  // namespace
