#include <gtest/gtest.h>

#include "cards/card_window.h"
#include "deck/deck.h"
#include "deck/history.h"
#include "deck/table_events.h"
#include "app/keeping.h"
#include "app/startup.h"
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

TEST(StateCodec, SaysWhyAFileIsRefused) {
    std::vector<uint8_t> good = fileWith(2), longer = good, wrongMagic = good, tooMany = fileWith(0);
    longer.push_back(0);
    wrongMagic[0] ^= 0xFF;
    put32(tooMany, 16, 10001);
    const struct {
        std::vector<uint8_t> bytes;
        StateRefusal why;
    } cases[] = {{good, StateRefusal::None},           {{}, StateRefusal::TooShort},
                 {longer, StateRefusal::SizeMismatch}, {wrongMagic, StateRefusal::NotOurs},
                 {tooMany, StateRefusal::TooManyCards}, {std::vector<uint8_t>(kMaxStateFileBytes + 1), StateRefusal::TooLarge}};
    for (const auto& c : cases) EXPECT_EQ(checkState(c.bytes.data(), c.bytes.size()), c.why) << c.bytes.size();
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
    std::u16string kept() { return path() + u".unreadable-" + fake::kTimeStamp; }
    bool exists(const std::u16string& p) { return fake::files().count(p) != 0; }
    std::u16string notices() {
        std::u16string all;
        for (const auto& n : table.startNotices) all += n + u"|";
        return all;
    }
    static bool says(const std::u16string& text, const std::u16string& part) {
        return text.find(part) != std::u16string::npos;
    }
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

TEST_F(StateTest, PanelComesBackWithinReach) {
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
    EXPECT_EQ(panel.left, 10) << "out of reach: placed at the pointer (0, 0) as on a fresh start";
    EXPECT_EQ(panel.top, 50);
    d.panelX = 1000;  // its left part still on the work area: left as it is
    d.panelY = 700;
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    desk::windowRect(table.panel, panel);
    EXPECT_EQ(panel.left, 1000);

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

TEST_F(StateTest, AnUnreadableFileIsKeptAsideAndNeverWrittenOver) {
    std::vector<uint8_t> damaged = fileWith(5);
    damaged.pop_back();
    writeFile(damaged);
    fake::files()[kept()] = {1};  // an earlier one of the same second
    EXPECT_FALSE(loadState());
    EXPECT_FALSE(exists(path()));
    EXPECT_EQ(fake::files()[kept() + u"-2"], damaged) << "kept byte for byte, beside the earlier one";
    EXPECT_TRUE(says(notices(), u"rupone.dat.unreadable-20261207-093015-2")) << "where it was kept";
    EXPECT_TRUE(says(notices(), u"途中までしか書かれていない")) << "what was wrong";
    EXPECT_TRUE(says(notices(), u"新しいテーブル"));
    createDefaultDeck();
    EXPECT_EQ(saveState(), desk::FileError::None);
    EXPECT_TRUE(exists(path())) << "the fresh table has a file of its own";

    SetUp();  // a file that cannot even be renamed stays, and nothing is written over it
    writeFile(damaged);
    fake::failRenames(true);
    EXPECT_FALSE(loadState());
    EXPECT_TRUE(table.keepStateFile);
    EXPECT_TRUE(says(notices(), u"上書きしません"));
    createDefaultDeck();
    saveState();
    saveAtLogOff();
    EXPECT_EQ(file(), damaged);
}

TEST_F(StateTest, WhatAnInterruptedSaveLeftIsTakenUp) {
    StateData d;
    d.cards.push_back({u'h', 7, 300, 200, 1});
    fake::files()[path() + u".new"] = encodeState(d);
    ASSERT_TRUE(loadState()) << "no state file, a whole .new";
    ASSERT_EQ(table.deck.count(), 1u);
    EXPECT_EQ(table.deck.at(0).rank, 7);
    EXPECT_TRUE(says(notices(), u"rupone.dat.new"));

    SetUp();  // a refused state file beside a whole .new: both kept, the table from the .new
    fake::files()[path() + u".new"] = encodeState(d);
    writeFile({1, 2, 3});
    ASSERT_TRUE(loadState());
    EXPECT_EQ(fake::files()[kept()], (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(says(notices(), u"新しいテーブル"));
}

TEST_F(StateTest, FailedSavesAreToldAtCloseAndAtTheStartAfterALogOff) {
    createDefaultDeck();
    EXPECT_TRUE(saveOrAsk(SaveBefore::Closing).empty());
    fake::failFileWrites(true);
    std::u16string told = saveOrAsk(SaveBefore::Closing);
    EXPECT_TRUE(says(told, u"読み取り専用")) << "the reason in plain words";
    EXPECT_TRUE(says(told, path())) << "and the file";
    EXPECT_TRUE(says(told, u"もう一度保存しますか")) << "and the choice: retry, end without saving, stay";
    saveAtLogOff();
    fake::failFileWrites(false);
    std::vector<uint8_t> before = file();
    saveAtLogOff();  // the failure was noted for the next start, beside the untouched file
    SetUp();
    fake::files()[path() + u".unsaved"] = {static_cast<uint8_t>(desk::FileError::DiskFull)};
    writeFile(before);
    ASSERT_TRUE(loadState());
    EXPECT_TRUE(says(notices(), u"ログオフ"));
    EXPECT_TRUE(says(notices(), u"空き容量"));
    EXPECT_FALSE(exists(path() + u".unsaved")) << "told once";
}

TEST_F(StateTest, TheTableIsSavedShortlyAfterEachChangeButNotDuringAGesture) {
    createDefaultDeck();
    takeSnapshot();
    EXPECT_EQ(fake::timer(table.panel, kSaveTimer), kSaveDelayMs);
    desk::setTimer(table.panel, kSaveTimer, 1);  // the clock runs...
    takeSnapshot();
    EXPECT_EQ(fake::timer(table.panel, kSaveTimer), 1u) << "...and a later change does not put the save off";
    desk::setCapture(table.deck.at(0).window);
    onSaveTimer();
    EXPECT_FALSE(exists(path())) << "a gesture holds the mouse";
    EXPECT_EQ(fake::timer(table.panel, kSaveTimer), kSaveRetryMs) << "tried again soon";
    desk::releaseCapture();
    onSaveTimer();
    EXPECT_TRUE(exists(path()));
    EXPECT_EQ(fake::timer(table.panel, kSaveTimer), 0u);
    // A card carried by click holds the mouse until the next click: the save waits a second at most.
    takeSnapshot();
    fake::files().erase(path());
    desk::setCapture(table.deck.at(0).window);
    for (uint32_t i = 0; i < kSaveMostDeferrals; ++i) onSaveTimer();
    EXPECT_FALSE(exists(path()));
    onSaveTimer();
    EXPECT_TRUE(exists(path())) << "saved as the table shows";
    desk::releaseCapture();
    takeSnapshot();
    onSaveTimer();
    undo();
    EXPECT_EQ(fake::timer(table.panel, kSaveTimer), kSaveDelayMs) << "undo is a change too";
}

TEST_F(StateTest, AFailedAutosaveIsToldOnceAndTriedUntilItWorks) {
    createDefaultDeck();
    fake::failFileWrites(true);
    for (int i = 0; i < 3; ++i) {
        takeSnapshot();
        onSaveTimer();
        EXPECT_EQ(fake::timer(table.panel, kSaveTimer), kSaveFailedRetryMs) << "tried again without a change";
    }
    ASSERT_EQ(fake::warnings().size(), 1u) << "told once, not at every attempt";
    EXPECT_TRUE(says(fake::warnings()[0], u"読み取り専用"));
    fake::failFileWrites(false);
    onSaveTimer();
    EXPECT_TRUE(exists(path()));
    EXPECT_EQ(fake::timer(table.panel, kSaveTimer), 0u);
    fake::failFileWrites(true);
    takeSnapshot();
    onSaveTimer();
    EXPECT_EQ(fake::warnings().size(), 2u) << "a new failure after a save that worked is told again";
}

TEST_F(StateTest, ALogOffIsHeldUpWhileTheTableCannotBeSaved) {
    createDefaultDeck();
    EXPECT_TRUE(saveBeforeLogOff());
    EXPECT_TRUE(fake::logOffHold().empty());
    fake::failFileWrites(true);
    EXPECT_FALSE(saveBeforeLogOff());
    EXPECT_TRUE(says(fake::logOffHold(), u"読み取り専用")) << "with the reason the system shows";
    fake::failFileWrites(false);
    takeSnapshot();
    onSaveTimer();  // the user made room; the autosave works
    EXPECT_TRUE(fake::logOffHold().empty()) << "and the log-off may go on";
    EXPECT_TRUE(saveBeforeLogOff());
}

TEST_F(StateTest, CardsThatGetNoWindowAreKeptAndSavedAsRead) {
    StateData d;
    for (int i = 0; i < 60; ++i) d.cards.push_back({u"hscd"[i % 4], i % 13 + 1, 10 * i, 20, static_cast<uint32_t>(i % 2)});
    writeFile(encodeState(d));
    fake::failCardCreationAfter(50);
    ASSERT_TRUE(loadState());
    EXPECT_EQ(table.deck.count(), 50u);
    EXPECT_TRUE(says(notices(), u"カード 10 枚")) << "told how many";
    ASSERT_EQ(table.startNotices.size(), 1u) << "once";
    takeSnapshot();
    ASSERT_EQ(saveState(), desk::FileError::None);
    StateData back;
    ASSERT_TRUE(decodeState(file().data(), file().size(), back));
    ASSERT_EQ(back.cards.size(), 60u) << "the file written holds them all";
    for (size_t i = 0; i < 60; ++i) {
        EXPECT_EQ(back.cards[i].rank, d.cards[i].rank) << i;
        EXPECT_EQ(back.cards[i].x, d.cards[i].x) << i;
        EXPECT_EQ(back.cards[i].faceUp, d.cards[i].faceUp) << i;
    }
}

TEST_F(StateTest, CardsAllOutOfSightAreToldOnce) {
    StateData d;
    d.cards.push_back({u'h', 1, 5000, 5000, 0});
    d.cards.push_back({u'h', 2, -900, 100, 0});
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    EXPECT_TRUE(says(notices(), u"まとめる"));
    SetUp();
    d.cards.push_back({u'h', 3, 1000, 700, 0});  // one corner in sight
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    EXPECT_TRUE(table.startNotices.empty());
}

}  // namespace

namespace {

TEST_F(StateTest, ASlowLoadTellsHowManyCardsAreReadyAndAQuickOneSaysNothing) {
    StateData d;
    d.cards.resize(120, StateCard{u'h', 5, 10, 10, 0});
    writeFile(encodeState(d));
    ASSERT_TRUE(loadState());
    EXPECT_TRUE(fake::progressShown().empty()) << "time stood still: the load was quick";

    SetUp();
    writeFile(encodeState(d));
    fake::setClockStep(30);  // each card takes 30 ms: a second has passed at the 34th
    ASSERT_TRUE(loadState());
    EXPECT_EQ(fake::progressShown(), (std::vector<std::u16string>{u"カードを並べています… 34 / 120 枚",
                                                                   u"カードを並べています… 50 / 120 枚",
                                                                   u"カードを並べています… 100 / 120 枚"}));
    EXPECT_FALSE(fake::progressOpen()) << "closed once the table is laid";
    EXPECT_EQ(table.deck.count(), 120u);
}

}  // namespace

namespace {

// Tables under names: saved as one file, the fresh table laid in another, the first opened again,
// and the one last opened taken up at the next start; a damaged file read without touching the table.
class NamedTables : public StateTest {
protected:
    const std::u16string game = u"C:\\Users\\me\\Documents\\game.dat";
    const std::u16string other = u"C:\\Users\\me\\Documents\\patience.dat";
    std::vector<std::pair<int32_t, uint32_t>> seen() {
        std::vector<std::pair<int32_t, uint32_t>> out;
        for (desk::Window w : listCardWindows()) out.push_back({rectOf(*table.deck.find(w)).left, table.deck.find(w)->faceUp});
        return out;
    }
};

TEST_F(NamedTables, SavedOpenedAndTakenUpAtTheNextStart) {
    createDefaultDeck();
    desk::moveWindow(table.deck.at(3).window, 640, 480);
    table.deck.at(3).faceUp = 1;
    takeSnapshot();
    const auto before = seen();
    ASSERT_EQ(saveTableAs(game), u"");
    EXPECT_EQ(tableFilePath(), game);
    EXPECT_TRUE(exists(game));

    replaceTable(other, nullptr);  // a new table, kept in a file of its own
    EXPECT_EQ(table.deck.count(), 53u);
    EXPECT_NE(seen(), before);
    EXPECT_TRUE(exists(other)) << "saved at once";
    EXPECT_FALSE(canUndo()) << "a new history";

    StateData data;
    ASSERT_EQ(readTableFile(game, data), u"");
    replaceTable(game, &data);
    EXPECT_EQ(seen(), before);
    EXPECT_EQ(tableFilePath(), game);
    EXPECT_FALSE(canUndo());
    desk::moveWindow(table.deck.at(0).window, 10, 10);
    saveState();

    auto files = fake::files();
    SetUp();  // the next start: the table last opened comes back
    fake::files() = files;
    takeUpLastTable();
    EXPECT_EQ(tableFilePath(), game);
    ASSERT_TRUE(loadState());
    EXPECT_EQ(rectOf(table.deck.at(0)).left, 10);

    SetUp();  // its file is gone (a stick not plugged in): the state file beside the program serves
    fake::files() = files;
    fake::files().erase(game);
    takeUpLastTable();
    EXPECT_EQ(tableFilePath(), path());
}

TEST_F(NamedTables, AFileThatCannotBeReadIsRefusedWithItsReasonAndChangesNothing) {
    createDefaultDeck();
    const auto before = seen();
    fake::files()[game] = {1, 2, 3};
    struct Case {
        std::u16string path;
        std::u16string why;
    } cases[] = {{game, u"短すぎ"}, {u"C:\\nowhere.dat", u"見つかりません"}};
    for (const Case& c : cases) {
        StateData data;
        const std::u16string why = readTableFile(c.path, data);
        EXPECT_TRUE(says(why, c.why)) << std::string(why.begin(), why.end());
    }
    EXPECT_EQ(seen(), before);
    EXPECT_EQ(fake::files()[game], (std::vector<uint8_t>{1, 2, 3})) << "not renamed, not written over";
    EXPECT_EQ(tableFilePath(), path());

    fake::failFileWrites(true);
    EXPECT_TRUE(says(saveTableAs(other), u"patience.dat"));
    EXPECT_EQ(tableFilePath(), path()) << "a failed save changes nothing";
    fake::failFileWrites(false);
}

}  // namespace
