#include <gtest/gtest.h>

#include <chrono>

#include "share/seal_win32.h"

namespace {

using namespace share;

constexpr uint32_t kQuick = 1000;  // iterations for the tests that only need a key

TEST(Sealing, TheSameNameAndPassphraseGiveTheSameTableHoweverTheyWereTyped) {
    EXPECT_EQ(canonicalText(u"ＡＢＣ１２３ ｔａｂｌｅ"), "ABC123 table") << "full-width letters and digits";
    EXPECT_EQ(canonicalText(u"Cafe\u0301"), "Caf\xC3\xA9") << "a decomposed accent";
    EXPECT_EQ(canonicalText(u"ﾙﾎﾟﾈ"), canonicalText(u"ルポネ")) << "half-width kana";
    TableKey a, b, c, d;
    ASSERT_TRUE(deriveTableKey(canonicalText(u"ｆｒｉｄａｙ"), canonicalText(u"ｐａｓｓ"), a, kQuick));
    ASSERT_TRUE(deriveTableKey("friday", "pass", b, kQuick));
    ASSERT_TRUE(deriveTableKey("friday", "pass!", c, kQuick));
    ASSERT_TRUE(deriveTableKey("saturday", "pass", d, kQuick));
    EXPECT_EQ(a.aes, b.aes);
    EXPECT_EQ(a.tableId, b.tableId);
    EXPECT_NE(a.tableId, c.tableId) << "another passphrase is another table";
    EXPECT_NE(a.tableId, d.tableId);
    EXPECT_NE(std::vector<uint8_t>(a.aes.begin(), a.aes.begin() + 16), std::vector<uint8_t>(a.tableId.begin(), a.tableId.end()))
        << "the id tells nothing of the key";
    EXPECT_FALSE(deriveTableKey("friday", "", a, kQuick)) << "no empty passphrase";
}

TEST(Sealing, OnlyTheKeyAndTheSameAssociatedDataOpenAPayload) {
    TableKey key, other;
    ASSERT_TRUE(deriveTableKey("t", "p", key, kQuick));
    ASSERT_TRUE(deriveTableKey("t", "q", other, kQuick));
    const std::vector<uint8_t> plain{1, 2, 3, 4, 5, 6, 7, 8, 9}, aad{0x01, 0xAA, 0x02};
    const std::vector<uint8_t> sealed = seal(key, 0x1122334455667788ull, 7, aad, plain);
    ASSERT_EQ(sealed.size(), kNonceBytes + plain.size() + kTagBytes);
    EXPECT_EQ(sealed[0], 0x88) << "the nonce starts with the session";
    EXPECT_EQ(sealed[8], 7) << "and goes on with the count";
    std::vector<uint8_t> out;
    ASSERT_TRUE(openSealed(key, aad, sealed.data(), sealed.size(), out));
    EXPECT_EQ(out, plain);
    EXPECT_NE(seal(key, 0x1122334455667788ull, 8, aad, plain), sealed) << "a new count, a new nonce";

    out.clear();
    EXPECT_FALSE(openSealed(other, aad, sealed.data(), sealed.size(), out)) << "a wrong passphrase";
    EXPECT_FALSE(openSealed(key, {0x01, 0xAA, 0x03}, sealed.data(), sealed.size(), out)) << "another topic";
    for (size_t i = 0; i < sealed.size(); ++i) {
        std::vector<uint8_t> spoiled = sealed;
        spoiled[i] ^= 0x10;
        EXPECT_FALSE(openSealed(key, aad, spoiled.data(), spoiled.size(), out)) << "byte " << i;
    }
    EXPECT_FALSE(openSealed(key, aad, sealed.data(), sealed.size() - 1, out)) << "cut short";
    EXPECT_FALSE(openSealed(key, aad, sealed.data(), kNonceBytes + kTagBytes - 1, out));
    EXPECT_TRUE(out.empty());
}

TEST(Sealing, AKeyTakesTheFullIterationsAndSessionsAreRandom) {
    TableKey key;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(deriveTableKey("table", "correct horse battery staple", key));
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    std::printf("a table key from %u iterations: %lld ms\n", kKeyIterations, static_cast<long long>(ms));
    uint64_t a = 0, b = 0;
    ASSERT_TRUE(randomBytes(&a, sizeof a));
    ASSERT_TRUE(randomBytes(&b, sizeof b));
    EXPECT_NE(a, b);
}

}  // namespace
