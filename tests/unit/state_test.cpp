#include <gtest/gtest.h>

#include "deck/deck.h"
#include "deck/state.h"
#include "desk/winconst.h"
#include "res/ids.h"
#include "support/table_fixture.h"

namespace {

std::vector<uint8_t> fileWith(uint32_t n) {
    StateData d;
    for (uint32_t i = 0; i < n; ++i) d.cards.push_back({u'h', static_cast<int32_t>(i % 13 + 1), 10, 20, 0});
    return encodeState(d);
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

bool decodes(const std::vector<uint8_t>& b) {
    StateData d;
    return decodeState(b.data(), b.size(), d);
}

TEST(StateCodec, RefusesEveryKindOfDamagedFile) {
    std::vector<uint8_t> good = fileWith(3);
    ASSERT_EQ(good.size(), 20u * 3 + 128);
    EXPECT_TRUE(decodes(good));
    for (size_t i = 0; i < 16; ++i) {
        std::vector<uint8_t> b = good;
        b[i] ^= 0x01;
        EXPECT_FALSE(decodes(b)) << "magic byte " << i;
    }
    std::vector<uint8_t> shorter(good.begin(), good.end() - 1);
    EXPECT_FALSE(decodes(shorter)) << "20n + 127";
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_FALSE(decodes(longer)) << "20n + 129";
    std::vector<uint8_t> countLies = good;
    put32(countLies, 16, 4);
    EXPECT_FALSE(decodes(countLies)) << "count and size disagree";
    EXPECT_FALSE(decodes({})) << "empty";
    EXPECT_FALSE(decodes(std::vector<uint8_t>(good.begin(), good.begin() + 20))) << "header only";
    EXPECT_FALSE(decodeState(nullptr, 128, *std::make_unique<StateData>()));
}

TEST(StateCodec, CardCountLimitIsTenThousand) {
    std::vector<uint8_t> most = fileWith(10000);
    EXPECT_TRUE(decodes(most));
    std::vector<uint8_t> tooMany = fileWith(10001);
    EXPECT_EQ(tooMany.size(), 20u * 10001 + 128);
    EXPECT_FALSE(decodes(tooMany));
    std::vector<uint8_t> huge = fileWith(0);
    put32(huge, 16, 0xFFFFFFFFu);
    EXPECT_FALSE(decodes(huge)) << "a count that would overflow the size arithmetic";
}

TEST(StateCodec, EmptyTableIsA128ByteFile) {
    StateData d;
    d.keys[0] = makeBinding('Q', kModCtrl);
    d.overwriteConflicts = 7;
    std::vector<uint8_t> b = encodeState(d);
    ASSERT_EQ(b.size(), 128u);
    StateData out;
    ASSERT_TRUE(decodeState(b.data(), b.size(), out));
    EXPECT_TRUE(out.cards.empty());
    EXPECT_EQ(out.keys[0], makeBinding('Q', kModCtrl));
    EXPECT_EQ(out.overwriteConflicts, 7u) << "taken unchanged";
}

TEST(StateCodec, OutOfRangeValuesAreCorrected) {
    std::vector<uint8_t> b = fileWith(4);
    put32(b, 28, 150);                   // ratio
    put32(b, 32, 5);                     // recursive
    put32(b, 36, 5);                     // width
    put32(b, 40, 5000);                  // height
    put32(b, 44, 9);                     // draw index
    put32(b, 48, 0xFFFFFFFFu);           // sound
    put32(b, 52 + 0, 7);                 // suit number 7
    put32(b, 52 + 4, 20);                // rank 20
    put32(b, 52 + 16, 3);                // face up 3
    put32(b, 72 + 0, 2);                 // clubs
    put32(b, 72 + 4, static_cast<uint32_t>(-3));  // a negative rank passes through
    put32(b, 92 + 0, 3);                 // spades
    put32(b, 112 + 0, 0);                // joker
    StateData d;
    ASSERT_TRUE(decodeState(b.data(), b.size(), d));
    EXPECT_EQ(d.overlapRatio, 100u);
    EXPECT_EQ(d.judgeRecursively, 1u);
    EXPECT_EQ(d.cardWidth, 16);
    EXPECT_EQ(d.cardHeight, 999);
    EXPECT_EQ(d.drawIndex, 1u);
    EXPECT_EQ(d.soundOn, 1u);
    EXPECT_EQ(d.cards[0].suit, kDiamonds);
    EXPECT_EQ(d.cards[0].rank, 13);
    EXPECT_EQ(d.cards[0].faceUp, 1u);
    EXPECT_EQ(d.cards[1].suit, kClubs);
    EXPECT_EQ(d.cards[1].rank, -3);
    EXPECT_EQ(d.cards[2].suit, kSpades);
    EXPECT_EQ(d.cards[3].suit, kJoker);
    put32(b, 28, static_cast<uint32_t>(-1));
    put32(b, 36, static_cast<uint32_t>(-40));
    ASSERT_TRUE(decodeState(b.data(), b.size(), d));
    EXPECT_EQ(d.overlapRatio, 100u) << "-1 read unsigned";
    EXPECT_EQ(d.cardWidth, 16) << "width read signed";
}

TEST(StateCodec, SuitNumbersDifferFromTheSequenceOrder) {
    EXPECT_EQ(suitToNumber(kJoker), 0u);
    EXPECT_EQ(suitToNumber(kHearts), 1u);
    EXPECT_EQ(suitToNumber(kClubs), 2u);
    EXPECT_EQ(suitToNumber(kSpades), 3u);
    EXPECT_EQ(suitToNumber(kDiamonds), 4u);
    EXPECT_EQ(suitToNumber(u'x'), 0u);
}

TEST(StateFilePath, ReplacesTheProgramsExtension) {
    EXPECT_EQ(stateFilePath(u"C:\\Games\\rupone.exe"), u"C:\\Games\\rupone.dat");
    EXPECT_EQ(stateFilePath(u"C:\\My.Games\\rupone"), u"C:\\My.Games\\rupone.dat");
    EXPECT_EQ(stateFilePath(u"C:\\a\\b.c.exe"), u"C:\\a\\b.c.dat");
    EXPECT_EQ(stateFilePath(u""), u"");
    std::u16string longest = u"C:\\" + std::u16string(251, u'x') + u".exe";  // 258 characters
    EXPECT_EQ(stateFilePath(longest).size(), 258u);
    std::u16string tooLong = u"C:\\" + std::u16string(256, u'x');  // no extension: .dat is added
    EXPECT_EQ(stateFilePath(tooLong), u"") << "would not fit a 260-character buffer";
}

class StateTest : public TableTest {
protected:
    std::u16string path() { return stateFilePath(fake::kModulePath); }
    void writeFile(const std::vector<uint8_t>& b) { fake::files()[path()] = b; }
    std::vector<uint8_t>& file() { return fake::files()[path()]; }

    desk::Rect rectOf(const Card& c) {
        desk::Rect r;
        EXPECT_TRUE(desk::windowRect(c.window, r));
        return r;
    }
};

TEST_F(StateTest, SaveThenLoadGivesTheSameTable) {
    createDefaultDeck();
    // Spread some cards out, turn some over and restack: the file follows the z-order.
    desk::Batch b = desk::beginBatch(3);
    b = desk::defer(b, table.deck.at(40).window, desk::kTop, 700, 500, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    b = desk::defer(b, table.deck.at(7).window, table.deck.at(40).window, -30, 900, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    b = desk::defer(b, table.deck.at(0).window, desk::kBottom, 5, 6, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(desk::endBatch(b));
    table.deck.at(7).faceUp = 1;
    table.deck.at(52).faceUp = 1;
    table.overlapRatio = 30;
    table.judgeRecursively = 1;
    table.cardWidth = 71;
    table.cardHeight = 96;
    table.drawIndex = 0;
    table.keys[3] = makeBinding('J', kModShift | kModCtrl);
    table.overwriteConflicts = 0;
    desk::moveWindow(table.panel, 333, 222);

    struct Seen {
        char16_t suit;
        int32_t rank, x, y;
        uint32_t faceUp;
    };
    std::vector<Seen> before;
    for (desk::Window w : listCardWindows()) {
        Card* c = table.deck.find(w);
        desk::Rect r = rectOf(*c);
        before.push_back({c->suit, c->rank, r.left, r.top, c->faceUp});
    }
    saveState();
    ASSERT_EQ(file().size(), 20u * 53 + 128);

    std::vector<uint8_t> saved = file();
    SetUp();  // a new run: an empty desktop and the saved file
    writeFile(saved);
    table.soundOn = 0;
    ASSERT_TRUE(loadState());
    ASSERT_EQ(table.deck.count(), 53u);
    std::vector<desk::Window> order = listCardWindows();
    ASSERT_EQ(order.size(), 53u);
    for (size_t i = 0; i < 53; ++i) {
        Card& c = table.deck.at(i);
        EXPECT_EQ(order[i], c.window) << "the deck follows the file, which follows the z-order";
        desk::Rect r = rectOf(c);
        EXPECT_EQ(c.suit, before[i].suit) << i;
        EXPECT_EQ(c.rank, before[i].rank) << i;
        EXPECT_EQ(r.left, before[i].x) << i;
        EXPECT_EQ(r.top, before[i].y) << i;
        EXPECT_EQ(r.width(), 71);
        EXPECT_EQ(c.faceUp, before[i].faceUp) << i;
        EXPECT_TRUE(desk::isVisible(c.window));
    }
    EXPECT_EQ(table.currentCard, &table.deck.at(0)) << "the top card is current";
    EXPECT_EQ(table.overlapRatio, 30u);
    EXPECT_EQ(table.judgeRecursively, 1u);
    EXPECT_TRUE(fake::checked(IDC_RP_RECURSIVE));
    EXPECT_EQ(table.drawIndex, 0u);
    EXPECT_EQ(table.soundOn, 1u) << "the stored setting wins";
    EXPECT_EQ(table.keys[3], makeBinding('J', kModShift | kModCtrl));
    EXPECT_EQ(table.overwriteConflicts, 0u);
    desk::Rect panel;
    desk::windowRect(table.panel, panel);
    EXPECT_EQ(panel.left, 333);
    EXPECT_EQ(panel.top, 222);
    EXPECT_EQ(fake::sounds(), std::vector<int>{IDS_RP_ALL});
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEUP));
    EXPECT_TRUE(fake::enabled(IDC_RP_FACEDOWN));
}

TEST_F(StateTest, RejectedOrMissingFileLeavesTheTableUntouched) {
    EXPECT_FALSE(loadState()) << "no file";
    std::vector<uint8_t> b = fileWith(5);
    put32(b, 28, 10);
    b.push_back(0);
    writeFile(b);
    EXPECT_FALSE(loadState());
    EXPECT_TRUE(table.deck.empty());
    EXPECT_EQ(table.overlapRatio, 50u);
    desk::Rect panel;
    desk::windowRect(table.panel, panel);
    EXPECT_EQ(panel.left, 400) << "the panel did not move";
    EXPECT_TRUE(fake::sounds().empty());
}

TEST_F(StateTest, EmptyTableFileStartsEmptyWithItsSettings) {
    StateData d;
    d.overlapRatio = 12;
    d.keys[17] = makeBinding('T', 0);
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    EXPECT_TRUE(table.deck.empty());
    EXPECT_EQ(table.overlapRatio, 12u);
    EXPECT_EQ(table.keys[17], makeBinding('T', 0));
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEUP));
    EXPECT_FALSE(fake::enabled(IDC_RP_FACEDOWN));
}

TEST_F(StateTest, PanelComesBackInsideTheLeftAndTopEdgesOnly) {
    fake::setWorkArea({0, 40, 1024, 768});
    StateData d;
    d.panelX = -500;
    d.panelY = 3;
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    desk::Rect panel;
    desk::windowRect(table.panel, panel);
    EXPECT_EQ(panel.left, 0);
    EXPECT_EQ(panel.top, 40);

    d.panelX = 5000;
    d.panelY = 4000;
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    desk::windowRect(table.panel, panel);
    EXPECT_EQ(panel.left, 5000) << "right and bottom are not checked";
    EXPECT_EQ(panel.top, 4000);

    fake::failWorkArea(true);
    d.panelX = -7;
    d.panelY = -8;
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    desk::windowRect(table.panel, panel);
    EXPECT_EQ(panel.left, 0) << "without a work area its left and top count as 0";
    EXPECT_EQ(panel.top, 0);
}

TEST_F(StateTest, CountAlwaysMatchesTheRecordsWritten) {
    createDefaultDeck();
    fake::addWindow(u"Card", u"カード", {1, 2, 61, 90});  // belongs to no card
    auto orphan = std::make_unique<Card>();                 // a card without a window
    orphan->suit = kHearts;
    table.deck.append(std::move(orphan));
    saveState();
    StateData d;
    ASSERT_TRUE(decodeState(file().data(), file().size(), d));
    EXPECT_EQ(d.cards.size(), 53u);
    EXPECT_EQ(d.cards[0].suit, kJoker);
    EXPECT_EQ(d.cards[0].x, 200);
}

TEST_F(StateTest, MinimizedPanelStoresItsRestoredPlace) {
    fake::setMinimized(table.panel, true, {120, 80});
    saveState();
    StateData d;
    ASSERT_TRUE(decodeState(file().data(), file().size(), d));
    EXPECT_EQ(d.panelX, 120);
    EXPECT_EQ(d.panelY, 80);
}

TEST_F(StateTest, FailedWriteKeepsThePreviousFile) {
    createDefaultDeck();
    saveState();
    std::vector<uint8_t> before = file();
    table.overlapRatio = 99;
    fake::failFileWrites(true);
    saveState();
    EXPECT_EQ(file(), before);
}

}  // namespace
