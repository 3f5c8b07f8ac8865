// A drop handled in this process with a real drop handle, as the shell hands it to a card window.
#include "desk/windows_win32.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "app/table.h"
#include "cards/card_window_win32.h"
#include "cards/card_window.h"
#include "deck/deck.h"
#include "faces/face_lookup.h"
#include "support/win32_helpers.h"

namespace {

HDROP dropHandle(const std::wstring& path) {
    const size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    auto* df = static_cast<DROPFILES*>(GlobalLock(block));
    df->pFiles = sizeof(DROPFILES);
    df->fWide = TRUE;
    std::memcpy(reinterpret_cast<uint8_t*>(df) + sizeof(DROPFILES), path.c_str(), path.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

class DropHandleTest : public ::testing::Test {
protected:
    void SetUp() override {
        freshTable();
        table.overwriteConflicts = 1;
        folder = pictureFolder();
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        source = std::wstring(temp) + L"rupone-drop.bmp";
        // A 1 x 1 red picture.
        static const uint8_t bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                                      1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      0, 0, 255, 0};
        std::ofstream(source.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    }
    void TearDown() override {
        clearTable();
        DeleteFileW(source.c_str());
        DeleteFileW(back().c_str());
    }
    std::wstring back() { return std::wstring(folder.begin(), folder.end()) + L"\\裏.bmp"; }
    Card& faceDownCard() {
        auto card = std::make_unique<Card>();
        Card* c = card.get();
        createCardWindow(3, c, kClubs, 0);
        table.deck.append(std::move(card));
        return *c;
    }
    std::u16string folder;
    std::wstring source;
};

TEST_F(DropHandleTest, AFileDroppedOnAFaceDownCardBecomesTheBack) {
    Card& card = faceDownCard();
    onDropFiles(toHwnd(card.window), card, dropHandle(source));
    EXPECT_NE(GetFileAttributesW(back().c_str()), INVALID_FILE_ATTRIBUTES) << "copied beside the program as the back";
    ASSERT_TRUE(table.backPicture);
    EXPECT_EQ(table.backPicture->width, 1);
}

TEST_F(DropHandleTest, ADroppedPathTooLongForAPathBufferIsRefusedNotCutShort) {
    Card& card = faceDownCard();
    std::wstring tooLong = L"C:\\" + std::wstring(300, L'd') + L"\\picture.bmp";
    BoxAnswerer answer;
    onDropFiles(toHwnd(card.window), card, dropHandle(tooLong));
    EXPECT_NE(answer.text().find(L"長すぎる"), std::wstring::npos);
    EXPECT_EQ(GetFileAttributesW(back().c_str()), INVALID_FILE_ATTRIBUTES) << "nothing copied";
}

TEST_F(DropHandleTest, AFolderDroppedUnderAPictureNameIsRefusedAndTheBackStays) {
    Card& card = faceDownCard();
    onDropFiles(toHwnd(card.window), card, dropHandle(source));
    ASSERT_NE(GetFileAttributesW(back().c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring folderNamedLikeAPicture = source + L".dir.png";
    ASSERT_TRUE(CreateDirectoryW(folderNamedLikeAPicture.c_str(), nullptr));
    BoxAnswerer answer;
    onDropFiles(toHwnd(card.window), card, dropHandle(folderNamedLikeAPicture));
    RemoveDirectoryW(folderNamedLikeAPicture.c_str());
    EXPECT_NE(answer.text().find(L"フォルダー"), std::wstring::npos) << "told why";
    EXPECT_NE(GetFileAttributesW(back().c_str()), INVALID_FILE_ATTRIBUTES) << "the back in place is kept";
}

// Files on a real file system are known by what they are, however their paths are spelled.
TEST(FileIdentity, AShortNameOrAnotherCaseReachesTheSameFileAndARecycledFileIsGone) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"rupone Kärten mit langem Namen " + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring file = folder + L"\\Ah.jpg", other = folder + L"\\As.jpg";
    std::ofstream(file.c_str()) << "mine";
    std::ofstream(other.c_str()) << "other";
    auto u16 = [](const std::wstring& w) { return std::u16string(w.begin(), w.end()); };
    std::wstring upper = file;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));  // "KÄRTEN": beyond ASCII
    wchar_t shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(file.c_str(), shortName, MAX_PATH), 0u);
    for (const std::wstring& spelling : {upper, std::wstring(shortName)}) {
        EXPECT_TRUE(desk::sameFile(u16(file), u16(spelling))) << std::string(spelling.begin(), spelling.end());
    }
    EXPECT_FALSE(desk::sameFile(u16(file), u16(other)));
    EXPECT_FALSE(desk::sameFile(u16(file), u16(folder + L"\\missing.jpg")));

    std::u16string copy;
    EXPECT_FALSE(desk::copyFile(u16(folder), u16(folder + L"\\copy.png")));
    EXPECT_EQ(desk::lastFileError(), desk::FileError::IsFolder);
    EXPECT_TRUE(desk::recycleFile(u16(other)));
    EXPECT_EQ(GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
