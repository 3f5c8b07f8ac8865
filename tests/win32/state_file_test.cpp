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

TEST(ModulePath, IsThisProgramsExecutable) {
    std::u16string p = desk::modulePath();
    ASSERT_GT(p.size(), 4u);
    EXPECT_EQ(p.substr(p.size() - 4), u".exe");
}

}  // namespace
