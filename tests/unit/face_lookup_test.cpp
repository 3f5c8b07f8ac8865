#include <gtest/gtest.h>

#include <cstring>

#include "cards/card_window.h"
#include "deck/deck.h"
#include "faces/face_lookup.h"
#include "support/table_fixture.h"

namespace {

class FaceLookupTest : public TableTest {
protected:
    static std::u16string at(const std::u16string& name) { return u"C:\\Games\\" + name; }
    static void put(const std::u16string& name, const char* content = "picture") {
        fake::files()[at(name)] = std::vector<uint8_t>(content, content + std::strlen(content));
    }
    Card& card(char16_t suit, int32_t rank) {
        auto c = std::make_unique<Card>();
        Card* raw = c.get();
        createCardWindow(rank, raw, suit, 0);
        table.deck.append(std::move(c));
        return *raw;
    }
};

TEST_F(FaceLookupTest, TheCardThenItsRankThenItsSuitWithTheFourExtensionsInOrder) {
    const struct {
        std::vector<std::u16string> files;
        char16_t suit;
        int32_t rank;
        std::u16string found;
    } cases[] = {
        {{u"A.png", u"h.jpg"}, kSpades, 1, u"A.png"},
        {{u"A.png", u"h.jpg"}, kHearts, 5, u"h.jpg"},
        {{u"A.png", u"h.jpg"}, kHearts, 1, u"A.png"},
        {{u"Ah.gif", u"Ah.jpg"}, kHearts, 1, u"Ah.jpg"},
        {{u"Ah.png", u"A.jpg"}, kHearts, 1, u"Ah.png"},
        {{u"Ah.jpeg", u"Ah.tif"}, kHearts, 1, u""},
        {{u"Ts.png", u"10s.bmp"}, kSpades, 10, u"10s.bmp"},
        {{u"Ts.png"}, kSpades, 10, u""},
        {{u"A.png", u"h.png", u"s.png", u"c.png", u"d.png"}, kJoker, 0, u""},
        {{u"joker.GIF", u"A.png"}, kJoker, 0, u"joker.GIF"},
        {{u"QD.PNG"}, kDiamonds, 12, u"QD.PNG"},
        {{u"13c.png", u"Kc.png"}, kClubs, 13, u"Kc.png"},
        {{u"h.png"}, kHearts, 0, u""},  // a rank no face has
    };
    for (const auto& c : cases) {
        fake::files().clear();
        for (const auto& f : c.files) put(f);
        Card probe;
        probe.suit = c.suit;
        probe.rank = c.rank;
        std::string label(c.found.begin(), c.found.end());
        EXPECT_EQ(findFacePicture(probe), c.found.empty() ? u"" : at(c.found)) << label;
    }
}

TEST_F(FaceLookupTest, CardsShareOneDecodedCopyOfAFile) {
    put(u"h.png");
    put(u"A.png");
    for (int32_t r = 1; r <= 13; ++r) card(kHearts, r);
    Card& ace = card(kSpades, 1);
    EXPECT_EQ(fake::pictureDecodes(), 2) << "one for the twelve hearts, one for the aces";
    EXPECT_EQ(table.deck.at(1).picture, table.deck.at(12).picture);
    EXPECT_EQ(ace.picture, table.deck.at(0).picture) << "the ace of hearts shows A.png too";
    EXPECT_EQ(table.deck.at(0).picturePath, at(u"A.png"));
}

TEST_F(FaceLookupTest, AFileIsDecodedAgainOnlyWhenItsPathIsForgottenAndThen) {
    put(u"Qd.png", "first");
    Card& queen = card(kDiamonds, 12);
    PictureRef first = queen.picture;
    ASSERT_TRUE(first);
    put(u"Qd.png", "second picture");
    refreshCardPicture(queen);
    EXPECT_EQ(queen.picture, first) << "the same name: the picture in memory stays";
    queen.picturePath.clear();
    refreshCardPicture(queen);
    ASSERT_TRUE(queen.picture);
    EXPECT_EQ(queen.picture->width, 14) << "the new file";
    put(u"Kd.png", "bad");
    put(u"K.png");
    Card& king = card(kDiamonds, 13);
    EXPECT_EQ(king.picturePath, at(u"Kd.png")) << "a file that cannot be decoded still counts as found";
    EXPECT_FALSE(king.picture);
}

TEST_F(FaceLookupTest, TheAllFrontsAndBackPicturesAreFoundAtStart) {
    put(u"表.png");
    put(u"裏.JPG");
    loadTablePictures();
    EXPECT_EQ(table.frontPicturePath, at(u"表.png"));
    EXPECT_EQ(table.backPicturePath, at(u"裏.JPG"));
    EXPECT_TRUE(table.frontPicture && table.backPicture);
    fake::files().clear();
    loadTablePictures();
    EXPECT_TRUE(table.frontPicturePath.empty());
    EXPECT_FALSE(table.backPicture);
}

}  // namespace
