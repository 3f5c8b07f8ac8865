#include <gtest/gtest.h>

#include "share/share_request.h"

namespace {

using namespace share;

TEST(ShareArguments, AShortcutJoinsATableAndAnythingElseIsToldHowToWriteIt) {
    const struct {
        std::vector<std::u16string> args;
        bool ok;
        const char* host;
        uint16_t port;
        const char16_t* table;
        const char16_t* told;  // a piece of the answer
    } cases[] = {
        {{}, true, "", 1883, u"", u""},
        {{u"--share", u"mqtt.example.org", u"--table", u"金曜", u"--player", u"花子"}, true, "mqtt.example.org", 1883, u"金曜", u""},
        {{u"--share", u"192.168.1.5:8883"}, true, "192.168.1.5", 8883, u"", u""},
        {{u"--share", u"[::1]:1884", u"--table", u"t"}, true, "::1", 1884, u"t", u""},
        {{u"--share", u"host:0"}, false, "", 0, u"", u"host:0"},
        {{u"--share", u"host:65536"}, false, "", 0, u"", u"65535"},
        {{u"--share", u"ホスト"}, false, "", 0, u"", u"ホスト"},
        {{u"--table", u"t"}, false, "", 0, u"", u"--share"},
        {{u"--share"}, false, "", 0, u"", u"--share のあとに値がありません"},
        {{u"--share", u"h", u"--pass", u"secret"}, false, "", 0, u"", u"「--pass」は使えない引数"},
    };
    for (const auto& c : cases) {
        ShareRequest r;
        std::u16string error;
        ASSERT_EQ(parseShareArguments(c.args, r, error), c.ok) << toUtf8(error);
        if (c.ok) {
            EXPECT_EQ(r.wanted, !c.args.empty());
            EXPECT_EQ(r.host, c.host);
            EXPECT_EQ(r.port, c.port);
            EXPECT_EQ(r.table, c.table);
        } else {
            EXPECT_NE(error.find(c.told), std::u16string::npos) << toUtf8(error);
            EXPECT_NE(error.find(u"書き方: rupone.exe --share"), std::u16string::npos) << "and how to write it";
        }
    }
}

TEST(ShareSettings, TheLastServerTableAndNameComeBackAndNothingElse) {
    EXPECT_EQ(shareSettingsPath(u"C:\\Games\\rupone.dat"), u"C:\\Games\\rupone.share");
    ShareRequest r;
    r.host = "mqtt.example.org";
    r.port = 8883;
    r.table = u"金曜の𠮷野家";  // a character beyond the basic plane too
    r.player = u"花子";
    r.brokerUser = u"club";
    ShareRequest back;
    decodeShareSettings(encodeShareSettings(r), back);
    EXPECT_EQ(back.host, r.host);
    EXPECT_EQ(back.port, r.port);
    EXPECT_EQ(back.table, r.table);
    EXPECT_EQ(back.player, r.player);
    EXPECT_EQ(back.brokerUser, r.brokerUser);
    const std::string odd = "host=bad host\nport=99999\npassphrase=secret\ntable=\xff\xfe\n";
    ShareRequest kept;
    decodeShareSettings(std::vector<uint8_t>(odd.begin(), odd.end()), kept);
    EXPECT_EQ(kept.host, "") << "a name no resolver takes";
    EXPECT_EQ(kept.port, 1883);
    EXPECT_EQ(kept.table, u"\uFFFD\uFFFD") << "bytes that are not UTF-8";
    EXPECT_EQ(fromUtf8(toUtf8(u"ルポネ")), u"ルポネ");
}

}  // namespace
