#include <gtest/gtest.h>

#include <cstring>

#include "deck/deck.h"
#include "faces/drop.h"
#include "support/table_fixture.h"

namespace {

class DropTest : public TableTest {
protected:
    void SetUp() override {
        TableTest::SetUp();
        table.overwriteConflicts = 0;
    }
    static std::u16string at(const std::u16string& name) { return u"C:\\Games\\" + name; }
    static void put(const std::u16string& path, const char* content = "picture") {
        fake::files()[path] = std::vector<uint8_t>(content, content + std::strlen(content));
    }
    static bool exists(const std::u16string& path) { return fake::files().count(path) != 0; }
    Card& card(char16_t suit, int32_t rank, bool faceUp = true) {
        auto c = std::make_unique<Card>();
        Card* raw = c.get();
        raw->faceUp = faceUp;
        createCardWindow(rank, raw, suit, 0);
        table.deck.append(std::move(c));
        return *raw;
    }
    static std::vector<std::u16string> names(const std::vector<std::u16string>& paths) {
        std::vector<std::u16string> out;
        for (const auto& p : paths) out.push_back(p.substr(p.find_last_of(u'\\') + 1));
        return out;
    }
};

TEST_F(DropTest, ConflictsAreEveryFaceFileTheChoiceReplacesOrThatWouldComeFirst) {
    for (const char16_t* f : {u"Ah.jpg", u"Ah.png", u"A.gif", u"2h.png", u"h.bmp", u"joker.png", u"表.jpg", u"裏.png",
                              u"Ks.jpg", u"K.png", u"s.gif", u"Ah.jpeg"})
        put(at(f));
    Card& ace = card(kHearts, 1);
    Card& joker = card(kJoker, 0);
    using L = std::vector<std::u16string>;
    const struct {
        const Card* card;
        uint32_t choice;
        L want;
    } cases[] = {
        {&ace, 0, {u"裏.png"}},
        {&ace, IDM_RP_FOR_CARD, {u"Ah.jpg", u"Ah.png"}},
        {&ace, IDM_RP_FOR_RANK, {u"Ah.jpg", u"Ah.png", u"A.gif"}},
        {&ace, IDM_RP_FOR_SUIT, {u"Ah.jpg", u"Ah.png", u"2h.png", u"h.bmp"}},
        {&ace, IDM_RP_FOR_ALL,
         {u"joker.png", u"Ah.jpg", u"Ah.png", u"2h.png", u"Ks.jpg", u"A.gif", u"K.png", u"s.gif", u"h.bmp", u"表.jpg"}},
        {&joker, IDM_RP_FOR_RANK, {u"joker.png"}},
        {&joker, IDM_RP_FOR_SUIT, {u"joker.png"}},
        {&ace, 2, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(names(collectConflicts(*c.card, c.choice)), c.want) << c.choice;
}

TEST_F(DropTest, AFileDroppedOnAFaceUpCardIsCopiedForTheChoiceAndShownAtOnce) {
    put(u"D:\\photos\\photo.JPG");
    Card& queen = card(kDiamonds, 12);
    Card& other = card(kDiamonds, 3);
    fake::answerMenus({IDM_RP_FOR_CARD});
    fake::clearLogs();
    dropPicture(queen, u"D:\\photos\\photo.JPG");
    EXPECT_TRUE(exists(at(u"Qd.JPG"))) << "named for the card, the extension as the user spelled it";
    EXPECT_EQ(queen.picturePath, at(u"Qd.JPG"));
    EXPECT_TRUE(queen.picture);
    EXPECT_FALSE(other.picture);
    ASSERT_EQ(fake::menusShown().size(), 1u);
    EXPECT_EQ(fake::menusShown()[0].menu, IDM_RP_ASSIGN);
    EXPECT_EQ(fake::recomposed().size(), 1u);
    EXPECT_EQ(fake::invalidated(), std::vector<desk::Window>{queen.window});
    EXPECT_EQ(fake::waitCursors(), 0);

    // Every card of the rank, then of the suit: each looked up again.
    put(u"D:\\photos\\three.png");
    Card& threeOfClubs = card(kClubs, 3);
    fake::answerMenus({IDM_RP_FOR_RANK});
    dropPicture(other, u"D:\\photos\\three.png");
    EXPECT_EQ(threeOfClubs.picturePath, at(u"3.png"));
    EXPECT_EQ(other.picturePath, at(u"3.png"));
    EXPECT_EQ(queen.picturePath, at(u"Qd.JPG")) << "its own file comes first";
}

TEST_F(DropTest, TheBackTakesAFileDroppedOnAFaceDownCardWithoutAsking) {
    put(u"D:\\back.png");
    Card& down = card(kSpades, 7, false);
    Card& up = card(kSpades, 8, true);
    fake::clearLogs();
    dropPicture(down, u"D:\\back.png");
    EXPECT_TRUE(fake::menusShown().empty());
    EXPECT_EQ(table.backPicturePath, at(u"裏.png"));
    EXPECT_TRUE(table.backPicture);
    EXPECT_EQ(fake::invalidated(), std::vector<desk::Window>{down.window}) << "every face-down card, only they";
    (void)up;
}

TEST_F(DropTest, ConflictsAreAskedAboutAndAnAlwaysIsRememberedPerCard) {
    put(u"D:\\new.png");
    put(at(u"Ah.jpg"));
    put(at(u"Ah.gif"));
    Card& ace = card(kHearts, 1);
    Card& other = card(kSpades, 1);
    fake::answerMenus({IDM_RP_FOR_CARD, IDM_RP_KEEP, IDM_RP_KEEP});
    dropPicture(ace, u"D:\\new.png");
    EXPECT_TRUE(exists(at(u"Ah.jpg")) && exists(at(u"Ah.png"))) << "kept, and the new file copied all the same";
    EXPECT_EQ(ace.picturePath, at(u"Ah.jpg")) << ".jpg comes first";
    EXPECT_EQ(fake::menusShown()[1].texts, (std::vector<std::pair<int, std::u16string>>{{IDM_RP_CONFLICT_FILE, u"Ah.jpg"}}));

    fake::answerMenus({IDM_RP_FOR_CARD, IDM_RP_ALWAYS_DELETE});
    size_t before = fake::menusShown().size();
    dropPicture(ace, u"D:\\new.png");
    EXPECT_FALSE(exists(at(u"Ah.jpg")) || exists(at(u"Ah.gif"))) << "the rest without asking";
    EXPECT_EQ(fake::menusShown().size(), before + 2);
    EXPECT_EQ(ace.picturePath, at(u"Ah.png")) << "copied anew";
    fake::answerMenus({IDM_RP_FOR_CARD});
    dropPicture(ace, u"D:\\new.png");
    EXPECT_EQ(fake::menusShown().size(), before + 3) << "and at the next drop on this card";
    put(at(u"As.jpg"));
    before = fake::menusShown().size();
    fake::answerMenus({IDM_RP_FOR_CARD, IDM_RP_KEEP});
    dropPicture(other, u"D:\\new.png");
    EXPECT_EQ(fake::menusShown().size(), before + 2) << "another card still asks";

    table.overwriteConflicts = 1;
    before = fake::menusShown().size();
    fake::answerMenus({IDM_RP_FOR_CARD});
    dropPicture(other, u"D:\\new.png");
    EXPECT_EQ(fake::menusShown().size(), before + 1) << "only the assignment menu";
    EXPECT_FALSE(exists(at(u"As.jpg")));
}

TEST_F(DropTest, TheDroppedFileItselfIsNeverDeletedNorAWrongFileCopied) {
    put(at(u"Ah.png"), "mine");
    Card& ace = card(kHearts, 1);
    table.overwriteConflicts = 1;
    fake::answerMenus({IDM_RP_FOR_CARD});
    dropPicture(ace, at(u"Ah.png"));
    ASSERT_TRUE(exists(at(u"Ah.png")));
    EXPECT_EQ(fake::files()[at(u"Ah.png")], (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));

    Card& joker = card(kJoker, 0);
    put(u"D:\\j.gif");
    const struct {
        const char16_t* dropped;
        std::vector<int> answers;
        const char16_t* warning;
    } refused[] = {
        {u"D:\\photo", {}, u"拡張子"},
        {u"D:\\photo.tif", {}, u"非対応"},
        {u"D:\\j.gif", {IDM_RP_FOR_RANK}, nullptr},  // the joker has no rank
        {u"D:\\j.gif", {2}, nullptr},                // cancelled
        {u"D:\\j.gif", {0}, nullptr},                // dismissed
    };
    for (const auto& r : refused) {
        size_t files = fake::files().size(), warnings = fake::warnings().size();
        fake::answerMenus(r.answers);
        dropPicture(joker, r.dropped);
        EXPECT_EQ(fake::files().size(), files);
        EXPECT_EQ(fake::warnings().size(), warnings + (r.warning ? 1 : 0));
        if (r.warning) {
            EXPECT_NE(fake::warnings().back().find(r.warning), std::u16string::npos);
        }
    }
    fake::answerMenus({IDM_RP_FOR_SUIT});
    dropPicture(joker, u"D:\\j.gif");
    EXPECT_EQ(joker.picturePath, at(u"joker.gif")) << "the joker's suit is the joker";
}

TEST_F(DropTest, AllFrontsReplacesEveryFaceFileAndShowsTheNewPictureEverywhere) {
    put(at(u"Ah.png"));
    put(at(u"K.jpg"));
    put(u"D:\\all.bmp");
    Card& ace = card(kHearts, 1);
    Card& king = card(kClubs, 13, false);
    table.overwriteConflicts = 1;
    fake::answerMenus({IDM_RP_FOR_ALL});
    fake::clearLogs();
    dropPicture(ace, u"D:\\all.bmp");
    EXPECT_FALSE(exists(at(u"Ah.png")) || exists(at(u"K.jpg")));
    EXPECT_EQ(table.frontPicturePath, at(u"表.bmp"));
    EXPECT_TRUE(table.frontPicture);
    EXPECT_FALSE(ace.picture || king.picture);
    EXPECT_EQ(fake::recomposed().size(), 2u) << "every front";
    EXPECT_EQ(fake::invalidated(), std::vector<desk::Window>{ace.window}) << "shown where it is up";
}

}  // namespace
