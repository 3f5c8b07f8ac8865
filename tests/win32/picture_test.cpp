// Decoding picture files with the system's library: PngSuite against its expected pixels, the held
// layouts, alpha drawing and the context cache.
#include "desk/windows_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "faces/picture_win32.h"

namespace {

std::wstring here() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L"\\/"));
}

// PngSuite, copied into the repository: build\win64\ -> ..\..\tests\data\pngsuite.
std::wstring suite() { return here() + L"\\..\\..\\tests\\data\\pngsuite"; }

std::u16string u16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::vector<int> expectedPixels(const std::wstring& name) {
    std::ifstream in((suite() + L"\\json\\" + name + L".json").c_str());
    std::vector<int> values;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int value = 0;
    bool inNumber = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            inNumber = true;
        } else if (inNumber) {
            values.push_back(value);
            value = 0;
            inNumber = false;
        }
    }
    // 16-bit files without an 8-bit reduction of their own hold 16-bit values.
    if (std::any_of(values.begin(), values.end(), [](int v) { return v > 255; }))
        for (int& v : values) v = (v + 128) / 257;
    return values;
}

struct Rgba {
    int r, g, b, a;
};

// A held pixel in straight RGBA, whatever the layout.
Rgba pixelAt(Picture& p, int x, int y) {
    const uint8_t* row = p.bits + static_cast<ptrdiff_t>(y) * p.pitch;
    switch (p.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
        int per = 8 / p.bitsPerPixel, shift = (per - 1 - x % per) * p.bitsPerPixel;
        int index = (row[x / per] >> shift) & ((1 << p.bitsPerPixel) - 1);
        RGBQUAD c{};
        GetDIBColorTable(borrowPictureContext(p), static_cast<UINT>(index), 1, &c);
        returnPictureContext(p);
        return {c.rgbRed, c.rgbGreen, c.rgbBlue, 255};
    }
    case 16: {
        unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
        DIBSECTION ds{};
        GetObjectW(p.bitmap, sizeof ds, &ds);
        if (ds.dsBmih.biCompression == BI_BITFIELDS)
            return {int((v >> 11) & 31) * 255 / 31, int((v >> 5) & 63) * 255 / 63, int(v & 31) * 255 / 31, 255};
        return {int((v >> 10) & 31) * 255 / 31, int((v >> 5) & 31) * 255 / 31, int(v & 31) * 255 / 31, 255};
    }
    case 24: return {row[x * 3 + 2], row[x * 3 + 1], row[x * 3], 255};
    default: return {row[x * 4 + 2], row[x * 4 + 1], row[x * 4], p.hasAlpha ? row[x * 4 + 3] : 255};
    }
}

// Files where Wine's decoder is known to part from the oracle, with the reason.
struct Exception {
    const wchar_t* prefix;
    const char* reason;
};
const Exception kExceptions[] = {
    {L"g", "gamma chunk: the oracle applies no gamma, the decoder may"},
    {L"xcsn", "a wrong chunk checksum: Wine's decoder does not check it"},
    {L"xhdn", "a wrong header checksum: Wine's decoder does not check it"},
};

const char* exceptionFor(const std::wstring& name) {
    for (const Exception& e : kExceptions)
        if (name.rfind(e.prefix, 0) == 0) return e.reason;
    return nullptr;
}

TEST(PictureDecoding, PngSuiteDecodesToItsExpectedPixelsAndCorruptFilesStayEmpty) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((suite() + L"\\png\\*.png").c_str(), &found);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << "the test data is missing";
    int exact = 0, refused = 0, excepted = 0, files = 0;
    do {
        std::wstring file = found.cFileName, name = file.substr(0, file.size() - 4);
        std::string shown(name.begin(), name.end());
        ++files;
        Picture p;
        PictureLoad result = loadPicture(p, u16(suite() + L"\\png\\" + file));
        if (name[0] == L'x') {
            if (!p.empty() && exceptionFor(name)) {
                ++excepted;
                std::printf("  %s: read all the same (%s)\n", shown.c_str(), exceptionFor(name));
            } else {
                EXPECT_TRUE(p.empty()) << shown << " is corrupt";
                refused += p.empty();
            }
            destroyPicture(p);
            continue;
        }
        ASSERT_EQ(result, PictureLoad::Ok) << shown;
        std::vector<int> want = expectedPixels(name.find(L"16") != std::wstring::npos &&
                                                       GetFileAttributesW((suite() + L"\\json\\" + name + L"_to8.json").c_str()) !=
                                                           INVALID_FILE_ATTRIBUTES
                                                   ? name + L"_to8"
                                                   : name);
        const int tolerance = name.find(L"16") != std::wstring::npos ? 1 : 0;
        ASSERT_EQ(want.size(), static_cast<size_t>(p.width) * p.height * 4) << shown;
        int wrong = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const int* w = &want[(static_cast<size_t>(y) * p.width + x) * 4];
                Rgba got = pixelAt(p, x, y);
                bool colourCounts = !p.hasAlpha || w[3] != 0;  // a transparent pixel's colour is free
                bool ok = (!colourCounts || (std::abs(got.r - w[0]) <= tolerance && std::abs(got.g - w[1]) <= tolerance &&
                                             std::abs(got.b - w[2]) <= tolerance)) &&
                          (!p.hasAlpha || std::abs(got.a - w[3]) <= tolerance);
                wrong += !ok;
            }
        if (const char* reason = exceptionFor(name)) {
            if (wrong) {
                ++excepted;
                std::printf("  %s: %d pixels differ (%s)\n", shown.c_str(), wrong, reason);
            } else {
                ++exact;
            }
        } else {
            EXPECT_EQ(wrong, 0) << shown << " (" << p.bitsPerPixel << " bits, alpha " << p.hasAlpha << ")";
            exact += wrong == 0;
        }
        destroyPicture(p);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    std::printf("PngSuite: %d files, %d decoded exactly, %d corrupt ones refused, %d excepted\n", files, exact, refused,
                excepted);
}

}  // namespace

namespace {

// A white 32-bit canvas to draw pictures into, read back pixel by pixel.
struct Canvas {
    Canvas(int w, int h) : width(w) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        std::fill(bits, bits + static_cast<size_t>(w) * h, 0x00FFFFFFu);
    }
    ~Canvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Rgba at(int x, int y) const {
        uint32_t v = bits[static_cast<size_t>(y) * width + x];
        return {int((v >> 16) & 255), int((v >> 8) & 255), int(v & 255), 255};
    }
    int width;
    uint32_t* bits = nullptr;
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ old;
};

Picture loaded(const wchar_t* name) {
    Picture p;
    loadPicture(p, u16(suite() + L"\\png\\" + name));
    return p;
}

TEST(PictureDrawing, AlphaMixesStraightColourWithTheFace) {
    Picture p = loaded(L"basn6a08.png");  // 32 x 32 RGBA
    ASSERT_TRUE(p.hasAlpha);
    ASSERT_EQ(p.bitsPerPixel, 32);
    // Pure red at half, at none and at full opacity, in straight colour (blue, green, red, alpha).
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            uint8_t* px = p.bits + static_cast<ptrdiff_t>(y) * p.pitch + x * 4;
            const uint8_t alpha = x < 10 ? 128 : x < 20 ? 0 : 255;
            px[0] = 0, px[1] = 0, px[2] = 255, px[3] = alpha;
        }
    Canvas face(32, 32);
    ASSERT_TRUE(drawPicture(p, face.dc, 0, 0, 32, 32, 0, 0, 32, 32));
    Rgba half = face.at(5, 5), none = face.at(15, 5), full = face.at(25, 5);
    EXPECT_EQ(half.r, 255);
    EXPECT_NEAR(half.g, 127, 1) << "red x 0.5 + white x 0.5";
    EXPECT_NEAR(half.b, 127, 1);
    EXPECT_EQ(none.r + none.g + none.b, 3 * 255) << "a transparent pixel leaves the face";
    EXPECT_EQ(full.r, 255);
    EXPECT_EQ(full.g + full.b, 0);
    destroyPicture(p);
}

TEST(PictureDrawing, AOnePixelPictureFillsTheWholeCard) {
    Picture p = loaded(L"s01n3p01.png");
    ASSERT_EQ(p.width, 1);
    Canvas card(60, 88);
    ASSERT_TRUE(drawPicture(p, card.dc, 0, 0, 60, 88, 0, 0, 1, 1));
    Rgba first = pixelAt(p, 0, 0);
    for (int y = 0; y < 88; y += 7)
        for (int x = 0; x < 60; x += 7) {
            Rgba got = card.at(x, y);
            ASSERT_TRUE(got.r == first.r && got.g == first.g && got.b == first.b) << x << "," << y;
        }
    destroyPicture(p);
}

TEST(PictureDrawing, APictureIsReducedOnceForEveryCardOfTheSameSize) {
    Picture p = loaded(L"basn2c08.png");  // 32 x 32, opaque
    ASSERT_FALSE(p.hasAlpha);
    Canvas first(8, 8), second(8, 8), direct(8, 8);
    for (Canvas* c : {&first, &second, &direct}) SetStretchBltMode(c->dc, HALFTONE);
    ASSERT_TRUE(drawPicture(p, first.dc, 0, 0, 8, 8, 0, 0, 32, 32));
    void* reduced = p.scaled;
    ASSERT_NE(reduced, nullptr);
    ASSERT_TRUE(drawPicture(p, second.dc, 0, 0, 8, 8, 0, 0, 32, 32));
    EXPECT_EQ(p.scaled, reduced) << "kept for the next card";
    HDC src = borrowPictureContext(p);
    StretchBlt(direct.dc, 0, 0, 8, 8, src, 0, 0, 32, 32, SRCCOPY);
    returnPictureContext(p);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            Rgba a = second.at(x, y), b = direct.at(x, y);
            ASSERT_TRUE(std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1) << x << "," << y;
        }
    destroyPicture(p);
}

TEST(PictureDrawing, FourSpareContextsAreKeptAndAFifthIsDeleted) {
    Picture pictures[5];
    for (Picture& p : pictures) p = loaded(L"basn0g08.png");
    HDC borrowed[5];
    for (int i = 0; i < 5; ++i) borrowed[i] = borrowPictureContext(pictures[i]);
    EXPECT_EQ(borrowPictureContext(pictures[0]), borrowed[0]) << "a nested borrowing shares the context";
    returnPictureContext(pictures[0]);
    for (int i = 0; i < 5; ++i) returnPictureContext(pictures[i]);
    EXPECT_EQ(cachedPictureContexts(), 4);
    int deleted = 0;
    for (HDC dc : borrowed) deleted += GetObjectType(dc) == 0;
    EXPECT_EQ(deleted, 1);
    for (Picture& p : pictures) {
        EXPECT_EQ(p.dc, nullptr);
        destroyPicture(p);
    }
}

TEST(PictureDecoding, MissingOrNonImageFilesLeaveThePictureEmpty) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring fake = std::wstring(temp) + L"not-an-image.png";
    std::ofstream(fake.c_str()) << "hello";
    for (const std::wstring& path : {fake, std::wstring(temp) + L"missing.png", std::wstring()}) {
        Picture p;
        EXPECT_EQ(loadPicture(p, u16(path)), PictureLoad::Failed);
        EXPECT_TRUE(p.empty());
    }
    DeleteFileW(fake.c_str());
}

}  // namespace

namespace {

std::wstring testData(const wchar_t* name) { return here() + L"\\..\\..\\tests\\data\\" + name; }

// A 16-bit BMP with the 5-6-5 masks, 2 x 1: pure green (which 5-5-5 would read otherwise), blue.
std::wstring write565() {
    std::vector<uint8_t> b(54 + 12 + 4, 0);
    auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 66);
    put32(14, 40);
    put32(18, 2);
    put32(22, 1);
    b[26] = 1, b[28] = 16;
    put32(30, BI_BITFIELDS);
    put32(54, 0xF800), put32(58, 0x07E0), put32(62, 0x001F);
    b[66] = 0xE0, b[67] = 0x07;  // green 0x07E0
    b[68] = 0x1F, b[69] = 0x00;  // blue 0x001F
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"rupone-565.bmp";
    std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return path;
}

TEST(PictureDecoding, EachKindOfFileIsHeldInItsOwnLayout) {
    Picture jpeg, gif, rgb565;
    ASSERT_EQ(loadPicture(jpeg, u16(testData(L"gradient.jpg"))), PictureLoad::Ok);
    EXPECT_EQ(jpeg.bitsPerPixel, 24) << "a colour JPEG as 24-bit RGB";
    EXPECT_FALSE(jpeg.hasAlpha);
    Rgba corner = pixelAt(jpeg, 0, 0);
    EXPECT_NEAR(corner.r, 208, 6);
    EXPECT_NEAR(corner.g, 63, 6);
    EXPECT_NEAR(corner.b, 32, 6);

    ASSERT_EQ(loadPicture(gif, u16(testData(L"transparent.gif"))), PictureLoad::Ok);
    EXPECT_EQ(gif.bitsPerPixel, 8) << "a GIF as 8-bit indexed with its palette";
    EXPECT_FALSE(gif.hasAlpha) << "its transparent colour is dropped";
    Rgba lime = pixelAt(gif, 5, 0), white = pixelAt(gif, 15, 7);
    EXPECT_TRUE(lime.r == 0 && lime.g == 255 && lime.b == 0);
    EXPECT_TRUE(white.r == 255 && white.g == 255 && white.b == 255);

    const std::wstring bmp = write565();
    ASSERT_EQ(loadPicture(rgb565, u16(bmp)), PictureLoad::Ok);
    // Windows' decoder gives a 5-6-5 file as 16-bit 5-6-5, held so and declared by its masks;
    // Wine's gives it as 32-bit. Either way green must stay green.
    if (rgb565.bitsPerPixel == 16) {
        DIBSECTION ds{};
        GetObjectW(rgb565.bitmap, sizeof ds, &ds);
        EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_BITFIELDS)) << "declared as 5-6-5";
    } else {
        std::printf("  the 5-6-5 file was decoded as %d-bit\n", rgb565.bitsPerPixel);
    }
    Canvas drawn(2, 1);
    drawPicture(rgb565, drawn.dc, 0, 0, 2, 1, 0, 0, 2, 1);
    Rgba green = drawn.at(0, 0), blue = drawn.at(1, 0);
    EXPECT_TRUE(green.r == 0 && green.g == 255 && green.b == 0) << green.r << "," << green.g << "," << green.b;
    EXPECT_TRUE(blue.r == 0 && blue.g == 0 && blue.b == 255);
    for (Picture* p : {&jpeg, &gif, &rgb565}) destroyPicture(*p);
    DeleteFileW(bmp.c_str());
}

// A 24-bit BMP of w x h: the left half red, the right half blue.
std::wstring writeHalves(const wchar_t* name, int w, int h) {
    const uint32_t row = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    std::vector<uint8_t> b(54 + static_cast<size_t>(row) * static_cast<uint32_t>(h), 0);
    auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size())), put32(10, 54), put32(14, 40);
    put32(18, static_cast<uint32_t>(w)), put32(22, static_cast<uint32_t>(h));
    b[26] = 1, b[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b[54 + static_cast<size_t>(y) * row + static_cast<size_t>(x) * 3 + (x < w / 2 ? 2 : 0)] = 255;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + name;
    std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return path;
}

TEST(PictureDecoding, ALargePictureIsKeptNoLargerThanACardAndAHugeOneIsRefused) {
    const std::wstring wide = writeHalves(L"rupone-wide.bmp", 3000, 400);
    Picture p;
    ASSERT_EQ(loadPicture(p, u16(wide)), PictureLoad::Ok);
    EXPECT_EQ(p.width, 999) << "a side longer than the largest card is reduced";
    EXPECT_EQ(p.height, 400) << "each side on its own";
    Rgba left = pixelAt(p, 100, 200), right = pixelAt(p, 900, 200);
    EXPECT_TRUE(left.r > 240 && left.b < 15) << left.r << "," << left.b;
    EXPECT_TRUE(right.b > 240 && right.r < 15) << right.r << "," << right.b;
    destroyPicture(p);
    DeleteFileW(wide.c_str());

    // 20,000 x 20,000 declared: refused before any decoder sees it, at once.
    const std::wstring huge = writeHalves(L"rupone-huge.bmp", 2, 2);
    {
        std::fstream f(huge.c_str(), std::ios::binary | std::ios::in | std::ios::out);
        const uint8_t side[4] = {0x20, 0x4E, 0, 0};
        f.seekp(18).write(reinterpret_cast<const char*>(side), 4);
        f.seekp(22).write(reinterpret_cast<const char*>(side), 4);
    }
    const DWORD start = GetTickCount();
    EXPECT_EQ(loadPicture(u16(huge)), nullptr);
    EXPECT_LT(GetTickCount() - start, 500u);
    DeleteFileW(huge.c_str());
}

TEST(PictureDecoding, AFailedLoadLetsTheDecodedSourceGoBeforeTheLibraryStops) {
    const std::wstring png = suite() + L"\\png\\basn2c08.png";
    Picture p;
    failPictureCopies(true);  // fails after decoding, with no other picture held
    EXPECT_EQ(loadPicture(p, u16(png)), PictureLoad::Failed);
    failPictureCopies(false);
    EXPECT_TRUE(p.empty());
    EXPECT_EQ(imagesDisposedAfterShutdown(), 0);

    // Truncated files of all four kinds fail cleanly, whichever step finds it out.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring bmp = writeHalves(L"rupone-cut.bmp", 40, 40);
    for (const std::wstring& whole : {png, testData(L"gradient.jpg"), testData(L"transparent.gif"), bmp}) {
        std::ifstream in(whole.c_str(), std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::wstring cut = std::wstring(temp) + L"rupone-cut" + whole.substr(whole.size() - 4);
        std::ofstream(cut.c_str(), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
        Picture q;
        PictureLoad result = loadPicture(q, u16(cut));
        if (result == PictureLoad::Ok) destroyPicture(q);  // a BMP cut short may still give its rows
        EXPECT_EQ(imagesDisposedAfterShutdown(), 0) << std::string(cut.begin(), cut.end());
        DeleteFileW(cut.c_str());
    }
    DeleteFileW(bmp.c_str());
}

}  // namespace
