#include <gtest/gtest.h>

#include <cstring>

#include "cards/card_window.h"
#include "deck/deck.h"
#include "faces/drop.h"
#include "faces/face_lookup.h"
#include "faces/picture_size.h"
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
            EXPECT_EQ(fake::warnings().back().find(u'\\'), std::u16string::npos) << "a line break, not a written one";
        }
    }
    EXPECT_EQ(std::u16string(kDroppedPathTooLong).find(u'\\'), std::u16string::npos);
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

TEST_F(DropTest, TheDroppedFileIsKnownByWhatItIsNotByHowItsPathIsSpelled) {
    // A short name, a folder name in another case beyond ASCII, a link, a mapped drive.
    for (const char16_t* spelling :
         {u"C:\\GAMES~1\\Ah.jpg", u"C:\\GÄMES\\Ah.jpg", u"C:\\Users\\me\\link\\Ah.jpg", u"Z:\\Ah.jpg"}) {
        fake::files().clear();
        put(at(u"Ah.jpg"), "mine");
        put(at(u"Ah.png"), "older");
        fake::linkFile(spelling, at(u"Ah.jpg"));
        Card& ace = card(kHearts, 1);
        table.overwriteConflicts = 0;
        fake::answerMenus({IDM_RP_FOR_CARD, IDM_RP_KEEP});
        size_t menus = fake::menusShown().size();
        dropPicture(ace, spelling);
        ASSERT_TRUE(exists(at(u"Ah.jpg"))) << spelling;
        EXPECT_EQ(fake::files()[at(u"Ah.jpg")], (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
        ASSERT_EQ(fake::menusShown().size(), menus + 2) << "asked only about the other file";
        EXPECT_EQ(fake::menusShown().back().texts[0].second, u"Ah.png");
        EXPECT_EQ(ace.picturePath, at(u"Ah.jpg")) << "and shown";
        EXPECT_EQ(fake::files().size(), 2u) << "nothing left behind";
    }
}

TEST_F(DropTest, ADropThatCannotBeCopiedRemovesNothingAndSaysWhy) {
    const struct {
        desk::FileError why;
        const char16_t* says;
    } cases[] = {
        {desk::FileError::IsFolder, u"フォルダー"},
        {desk::FileError::DiskFull, u"空き容量"},
        {desk::FileError::AccessDenied, u"権限"},
        {desk::FileError::InUse, u"ほかのプログラム"},
    };
    for (const auto& c : cases) {
        fake::files().clear();
        put(at(u"Ah.png"), "mine");
        put(u"D:\\x.jpg");
        Card& ace = card(kHearts, 1);
        table.overwriteConflicts = 1;
        fake::failCopies(c.why);
        fake::answerMenus({IDM_RP_FOR_CARD});
        size_t warnings = fake::warnings().size();
        dropPicture(ace, u"D:\\x.jpg");
        fake::failCopies(desk::FileError::None);
        EXPECT_TRUE(exists(at(u"Ah.png"))) << c.says;
        EXPECT_EQ(fake::files().size(), 2u);
        ASSERT_EQ(fake::warnings().size(), warnings + 1);
        EXPECT_NE(fake::warnings().back().find(c.says), std::u16string::npos);
    }
    EXPECT_TRUE(fake::recycled().empty());

    // The copy made, but the picture in the way cannot be put away: it stays, and the user hears why.
    fake::files().clear();
    put(at(u"Ah.png"), "mine");
    put(u"D:\\x.png");
    fake::failRenames(true);
    fake::answerMenus({IDM_RP_FOR_CARD});
    size_t warnings = fake::warnings().size();
    dropPicture(card(kHearts, 1), u"D:\\x.png");
    fake::failRenames(false);
    EXPECT_EQ(fake::files()[at(u"Ah.png")].size(), 4u);
    EXPECT_EQ(fake::files().size(), 2u) << "no copy left behind";
    ASSERT_EQ(fake::warnings().size(), warnings + 1);
    EXPECT_NE(fake::warnings().back().find(u"ほかのプログラム"), std::u16string::npos);
}

TEST_F(DropTest, PicturesADropReplacesGoToTheRecycleBin) {
    put(at(u"Ah.png"), "mine");
    put(at(u"Ah.jpg"), "also");
    put(at(u"Ah.gif.rupone-new"), "stale");  // left by an interrupted drop
    put(u"D:\\new.gif", "new");
    Card& ace = card(kHearts, 1);
    table.overwriteConflicts = 1;
    fake::answerMenus({IDM_RP_FOR_CARD});
    dropPicture(ace, u"D:\\new.gif");
    ASSERT_EQ(fake::recycled().size(), 2u);
    EXPECT_EQ(fake::recycled()[0].first, at(u"Ah.jpg"));
    EXPECT_EQ(fake::recycled()[1].first, at(u"Ah.png"));
    EXPECT_EQ(fake::files()[at(u"Ah.gif")], (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(fake::files().size(), 2u) << "only the dropped file and its copy";
}

// Header bytes of each kind, declaring the given size.
std::vector<uint8_t> header(const char* kind, uint32_t w, uint32_t h) {
    auto be = [](std::vector<uint8_t>& v, uint32_t x, int bytes) {
        for (int i = bytes - 1; i >= 0; --i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    auto le = [](std::vector<uint8_t>& v, uint32_t x, int bytes) {
        for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
    };
    std::vector<uint8_t> v;
    if (!std::strcmp(kind, "png")) {
        v = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
        be(v, w, 4), be(v, h, 4);
    } else if (!std::strcmp(kind, "gif")) {
        v = {'G', 'I', 'F', '8', '9', 'a'};
        le(v, w, 2), le(v, h, 2);
    } else if (!std::strcmp(kind, "bmp")) {
        v = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
        le(v, 40, 4), le(v, w, 4), le(v, 0u - h, 4);  // rows top-down
    } else {  // a JPEG with metadata, a table and fill bytes before its frame header
        v = {0xFF, 0xD8, 0xFF, 0xE1, 0, 6, 'E', 'x', 'i', 'f', 0xFF, 0xFF, 0xC4, 0, 3, 0, 0xFF, 0xC2, 0, 11, 8};
        be(v, h, 2), be(v, w, 2);
        v.insert(v.end(), {3, 1, 0x22, 0});
    }
    return v;
}

TEST(PictureSize, IsReadFromTheHeaderOfEachKind) {
    for (const char* kind : {"png", "gif", "bmp", "jpg"}) {
        uint32_t w = 0, h = 0;
        std::vector<uint8_t> bytes = header(kind, 4000, 3000);
        ASSERT_TRUE(pictureSize(bytes.data(), bytes.size(), w, h)) << kind;
        EXPECT_EQ(w, 4000u) << kind;
        EXPECT_EQ(h, 3000u) << kind;
        bytes.resize(bytes.size() - 5);
        EXPECT_FALSE(pictureSize(bytes.data(), bytes.size(), w, h)) << kind << ": cut short";
    }
    const uint8_t text[] = "not a picture at all, just some words";
    uint32_t w, h;
    EXPECT_FALSE(pictureSize(text, sizeof text, w, h));
}

TEST_F(DropTest, APictureTooLargeToHoldIsRefusedBeforeAnythingIsCopied) {
    std::vector<uint8_t> huge = header("png", 20000, 20000), fine = header("png", 8000, 6000);
    fake::files()[u"D:\\huge.png"] = huge;
    fake::files()[u"D:\\fine.png"] = fine;
    put(at(u"Ah.png"), "mine");
    Card& ace = card(kHearts, 1);
    table.overwriteConflicts = 1;
    fake::answerMenus({IDM_RP_FOR_CARD});
    dropPicture(ace, u"D:\\huge.png");
    ASSERT_EQ(fake::warnings().size(), 1u);
    EXPECT_NE(fake::warnings()[0].find(u"20000 × 20000"), std::u16string::npos);
    EXPECT_TRUE(fake::menusShown().empty()) << "refused at once";
    EXPECT_EQ(fake::files()[at(u"Ah.png")].size(), 4u);
    dropPicture(ace, u"D:\\fine.png");
    EXPECT_EQ(fake::files()[at(u"Ah.png")], fine) << "48 million pixels are taken";
}

TEST_F(DropTest, WithoutAKnownFolderNothingTouchesTheDriveRoot) {
    put(u"\\Ah.jpg", "someone else's");
    fake::setModulePath(u"");  // the program's path was too long to be given
    Card& ace = card(kHearts, 1);
    refreshCardPicture(ace);
    table.overwriteConflicts = 1;
    fake::answerMenus({IDM_RP_FOR_CARD});
    dropPicture(ace, u"D:\\new.jpg");
    loadTablePictures();
    EXPECT_TRUE(ace.picturePath.empty());
    EXPECT_TRUE(exists(u"\\Ah.jpg"));
    for (const std::u16string& path : fake::pathsTouched()) EXPECT_NE(path.rfind(u"\\", 0), 0u) << std::string(path.begin(), path.end());
    ASSERT_EQ(fake::warnings().size(), 1u) << "the drop is refused with a word";
}

}  // namespace
