// The state file on a real file system: written whole or not at all.
#include "desk/windows_win32.h"

#include <gtest/gtest.h>

#include "desk/desk.h"
#include "desk/files_win32.h"

namespace {

class StateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"rupone-files-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder.c_str(), nullptr);
        path = u16(folder + L"\\rupone.dat");
    }
    void TearDown() override {
        failFileWritesAfter(-1);
        DeleteFileW(w(path));
        DeleteFileW(w(path + u".new"));
        RemoveDirectoryW(w(path + u".new"));
        RemoveDirectoryW(folder.c_str());
    }
    static std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }
    static const wchar_t* w(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
    std::vector<uint8_t> read() {
        std::vector<uint8_t> out;
        EXPECT_TRUE(desk::readFile(path, 1 << 20, out));
        return out;
    }
    std::wstring folder;
    std::u16string path;
};

TEST_F(StateFileTest, ReplacesTheWholeFileAndLeavesNoTemporary) {
    std::vector<uint8_t> first(100000, 0xAB), second(300, 0x11);
    ASSERT_TRUE(desk::replaceFile(path, first));
    EXPECT_EQ(read(), first);
    ASSERT_TRUE(desk::replaceFile(path, second));
    EXPECT_EQ(read(), second) << "a shorter file leaves nothing of the longer one";
    EXPECT_EQ(GetFileAttributesW(w(path + u".new")), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StateFileTest, WriteFailingHalfWayKeepsThePreviousFile) {
    std::vector<uint8_t> old(5000, 0x42), next(200000, 0x99);
    ASSERT_TRUE(desk::replaceFile(path, old));
    failFileWritesAfter(70000);  // the disk fills up in the middle of the write
    EXPECT_FALSE(desk::replaceFile(path, next));
    failFileWritesAfter(-1);
    EXPECT_EQ(read(), old);
    EXPECT_EQ(GetFileAttributesW(w(path + u".new")), INVALID_FILE_ATTRIBUTES) << "the partial file is removed";
}

TEST_F(StateFileTest, UnwritableTemporaryKeepsThePreviousFile) {
    std::vector<uint8_t> old(128, 0x42);
    ASSERT_TRUE(desk::replaceFile(path, old));
    ASSERT_TRUE(CreateDirectoryW(w(path + u".new"), nullptr));  // something else holds the name
    EXPECT_FALSE(desk::replaceFile(path, std::vector<uint8_t>(300, 1)));
    EXPECT_EQ(read(), old);
}

TEST_F(StateFileTest, ReadingRefusesMissingAndOversizedFiles) {
    std::vector<uint8_t> out;
    EXPECT_FALSE(desk::readFile(path, 1000, out));
    ASSERT_TRUE(desk::replaceFile(path, std::vector<uint8_t>(1001, 7)));
    EXPECT_FALSE(desk::readFile(path, 1000, out));
    EXPECT_TRUE(desk::readFile(path, 1001, out));
    EXPECT_EQ(out.size(), 1001u);
}

TEST_F(StateFileTest, AStatePathOfTheFullLengthIsStillReplaced) {
    // A program in a deep folder: its state path has 259 characters, the most a path may have.
    std::wstring deep = folder;
    for (int i = 0; i < 2; ++i) {
        deep += L"\\" + std::wstring(90, L'd');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    }
    ASSERT_LT(deep.size(), 250u);
    std::wstring name = std::wstring(259 - deep.size() - 1 - 4, L'r') + L".dat";
    std::u16string full = u16(deep + L"\\" + name);
    ASSERT_EQ(full.size(), 259u);
    std::vector<uint8_t> first(300, 1), second(500, 2), out;
    takeLongestClassicFileName();
    EXPECT_TRUE(desk::replaceFile(full, first));
    EXPECT_TRUE(desk::replaceFile(full, second)) << "over an existing file too";
    EXPECT_TRUE(desk::readFile(full, 1000, out));
    EXPECT_EQ(out, second);
    // Wine takes any length; Windows refuses a classic name from MAX_PATH characters on.
    EXPECT_LT(takeLongestClassicFileName(), size_t{MAX_PATH});
    DeleteFileW(w(full));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(RemoveDirectoryW(deep.c_str())) << "nothing left behind";
        deep.resize(deep.find_last_of(L'\\'));
    }
}

TEST(ModulePath, IsThisProgramsExecutable) {
    std::u16string p = desk::modulePath();
    ASSERT_GT(p.size(), 4u);
    EXPECT_EQ(p.substr(p.size() - 4), u".exe");
}

}  // namespace
