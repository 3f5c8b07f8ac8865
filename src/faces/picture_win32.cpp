#include "faces/picture_win32.h"

#include "desk/files_win32.h"
#include "desk/gdi_win32.h"
#include "faces/picture_size.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

// The library's token and the number of pictures held, under one lock.
struct DecoderRuntime {
    DecoderRuntime() { InitializeCriticalSection(&lock); }
    ~DecoderRuntime() { DeleteCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    ULONG_PTR token = 0;
    long held = 0;
} runtime;

class Locked {
public:
    Locked() { EnterCriticalSection(&runtime.lock); }
    ~Locked() { LeaveCriticalSection(&runtime.lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

bool startLibrary() {
    Locked lock;
    if (runtime.token) return true;
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) return false;
    runtime.token = token;
    return true;
}

void pictureHeld() {
    Locked lock;
    ++runtime.held;
}

void pictureLetGo() {
    Locked lock;
    if (--runtime.held > 0 || !runtime.token) return;
    GdiplusShutdown(runtime.token);
    runtime.token = 0;
}

// Four spare memory contexts, taken and given back with atomic exchanges.
std::atomic<HDC> spareContexts[4];

bool failCopies = false;
int lateDisposals = 0;

// The source bitmap of one load, disposed of on every way out, and always while the library runs.
struct Source {
    GpBitmap* bitmap = nullptr;
    ~Source() { dispose(); }
    void dispose() {
        if (!bitmap) return;
        if (!runtime.token) ++lateDisposals;
        GdipDisposeImage(bitmap);
        bitmap = nullptr;
    }
};

// Bits 8 to 15 of a pixel format: its bits per pixel.
int bitsOf(PixelFormat f) { return static_cast<int>((f >> 8) & 0xFF); }

bool createSection(Picture& p, int width, int height, int bpp, PixelFormat target) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;  // bottom-up
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bpp);
    info.header.biCompression = BI_RGB;
    if (bpp <= 8) info.header.biClrUsed = 256;
    if (target == PixelFormat16bppRGB565) {
        // A plain 16-bit section means 5-5-5; 5-6-5 is declared by its three masks.
        info.header.biCompression = BI_BITFIELDS;
        DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colours, masks, sizeof masks);
    }
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
        if (section) DeleteObject(section);
        return false;
    }
    const int32_t row = ((width * bpp + 31) / 32) * 4;
    p.bitmap = section;
    p.width = width;
    p.height = height;
    p.bitsPerPixel = bpp;
    p.pitch = -row;
    p.bits = static_cast<uint8_t*>(bits) + static_cast<size_t>(row) * static_cast<size_t>(height - 1);
    p.hasAlpha = false;
    pictureHeld();
    return true;
}

// The palette of an indexed source into the section's colour table (its alpha is dropped).
PictureLoad copyPalette(Picture& p, GpBitmap* source) {
    INT size = 0;
    if (GdipGetImagePaletteSize(source, &size) != Ok || size <= 0) return PictureLoad::Ok;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
    if (!block) return PictureLoad::OutOfMemory;
    auto* palette = reinterpret_cast<ColorPalette*>(block.get());
    if (GdipGetImagePalette(source, palette, size) != Ok) return PictureLoad::Ok;
    RGBQUAD table[256] = {};
    const UINT count = palette->Count < 256 ? palette->Count : 256;
    for (UINT i = 0; i < count; ++i) {
        ARGB c = palette->Entries[i];
        table[i] = {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16), 0};
    }
    HDC dc = borrowPictureContext(p);
    if (dc) SetDIBColorTable(dc, 0, count, table);
    returnPictureContext(p);
    return PictureLoad::Ok;
}

// The same layout: the rows as they are. Pixels that cannot be locked fail the load.
bool copyRows(Picture& p, GpBitmap* source, PixelFormat format) {
    BitmapData data{};
    GpRect all(0, 0, p.width, p.height);
    if (GdipBitmapLockBits(source, &all, ImageLockModeRead, format, &data) != Ok || !data.Scan0) return false;
    const size_t bytes = (static_cast<size_t>(p.width) * static_cast<size_t>(p.bitsPerPixel) + 7) / 8;
    for (int y = 0; y < p.height; ++y)
        std::memcpy(p.bits + static_cast<ptrdiff_t>(y) * p.pitch,
                    static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride, bytes);
    GdipBitmapUnlockBits(source, &data);
    return true;
}

// Another layout: the library draws the source into the picture's own pixels, one to one.
bool convertRows(Picture& p, GpBitmap* source, PixelFormat target) {
    GpBitmap* wrapper = nullptr;
    if (GdipCreateBitmapFromScan0(p.width, p.height, p.pitch, target, p.bits, &wrapper) != Ok || !wrapper) return false;
    GpGraphics* graphics = nullptr;
    bool ok = GdipGetImageGraphicsContext(wrapper, &graphics) == Ok && graphics;
    if (ok) {
        GdipSetCompositingMode(graphics, CompositingModeSourceCopy);
        ok = GdipDrawImageRectI(graphics, source, 0, 0, p.width, p.height) == Ok;
        GdipDeleteGraphics(graphics);
    }
    GdipDisposeImage(wrapper);
    return ok;
}

// A smaller size: each kept pixel is the mean of the source pixels it covers (colour weighted by
// alpha), in one pass over the source rows. The library's own high-quality scaling took about as
// long as the decoding under Wine.
bool reduceRows(Picture& p, GpBitmap* source, UINT sourceWidth, UINT sourceHeight) {
    BitmapData data{};
    GpRect all(0, 0, static_cast<INT>(sourceWidth), static_cast<INT>(sourceHeight));
    const int step = p.hasAlpha ? 4 : 3;
    if (GdipBitmapLockBits(source, &all, ImageLockModeRead, p.hasAlpha ? PixelFormat32bppARGB : PixelFormat24bppRGB,
                           &data) != Ok ||
        !data.Scan0)
        return false;
    const size_t w = static_cast<size_t>(p.width);
    std::vector<uint32_t> column(sourceWidth);
    for (UINT x = 0; x < sourceWidth; ++x) column[x] = static_cast<uint32_t>(uint64_t{x} * w / sourceWidth);
    std::vector<uint64_t> sums(w * 4);
    std::vector<uint32_t> counts(w);
    UINT y = 0;
    for (int row = 0; row < p.height; ++row) {
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(counts.begin(), counts.end(), 0);
        const UINT end = static_cast<UINT>(uint64_t{static_cast<uint32_t>(row) + 1} * sourceHeight / static_cast<uint32_t>(p.height));
        for (; y < end; ++y) {
            const uint8_t* from = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            for (UINT x = 0; x < sourceWidth; ++x, from += step) {
                const uint32_t a = p.hasAlpha ? from[3] : 255, c = column[x];
                uint64_t* sum = &sums[c * 4];
                sum[0] += uint64_t{from[0]} * a;
                sum[1] += uint64_t{from[1]} * a;
                sum[2] += uint64_t{from[2]} * a;
                sum[3] += a;
                ++counts[c];
            }
        }
        uint8_t* out = p.bits + static_cast<ptrdiff_t>(row) * p.pitch;
        for (size_t x = 0; x < w; ++x, out += 4) {
            const uint64_t* sum = &sums[x * 4];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(sum[3] ? (sum[c] + sum[3] / 2) / sum[3] : 0);
            out[3] = static_cast<uint8_t>(counts[x] ? (sum[3] + counts[x] / 2) / counts[x] : 0);
        }
    }
    GdipBitmapUnlockBits(source, &data);
    return true;
}

// AlphaBlend takes premultiplied colour; the picture holds straight colour, so it blends from a
// premultiplied copy, made once.
HBITMAP blendCopy(Picture& p) {
    if (p.blendCopy) return static_cast<HBITMAP>(p.blendCopy);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, p.width, p.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy || !bits) {
        if (copy) DeleteObject(copy);
        return nullptr;
    }
    const size_t row = static_cast<size_t>(p.width) * 4;
    auto* to = static_cast<uint8_t*>(bits) + row * static_cast<size_t>(p.height - 1);
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* from = p.bits + static_cast<ptrdiff_t>(y) * p.pitch;
        uint8_t* out = to - static_cast<ptrdiff_t>(row) * y;
        for (int x = 0; x < p.width; ++x, from += 4, out += 4) {
            const unsigned a = from[3];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((from[c] * a + 127) / 255);
            out[3] = from[3];
        }
    }
    p.blendCopy = copy;
    return copy;
}

// An opaque picture reduced once to the size it is drawn at: every card of the same size that shows
// it copies from there instead of reducing the whole picture again.
HBITMAP scaledCopy(Picture& p, HDC from, int w, int h) {
    if (p.scaled && p.scaledWidth == w && p.scaledHeight == h) return static_cast<HBITMAP>(p.scaled);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    GdiObject copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy.get()) return nullptr;
    {
        OwnedDC to(CreateCompatibleDC(nullptr));
        Selected drawnOn(to.get(), copy.get());
        if (!drawnOn.ok()) return nullptr;
        SetStretchBltMode(to.get(), HALFTONE);
        SetBrushOrgEx(to.get(), 0, 0, nullptr);
        if (!StretchBlt(to.get(), 0, 0, w, h, from, 0, 0, p.width, p.height, SRCCOPY)) return nullptr;
    }
    if (p.scaled) DeleteObject(static_cast<HGDIOBJ>(p.scaled));
    p.scaled = copy.release();
    p.scaledWidth = w;
    p.scaledHeight = h;
    return static_cast<HBITMAP>(p.scaled);
}

}  // namespace

HDC borrowPictureContext(Picture& p) {
    ++p.dcUseCount;
    if (!p.dc) {
        HDC dc = nullptr;
        for (auto& slot : spareContexts)
            if ((dc = slot.exchange(nullptr))) break;
        if (!dc) dc = CreateCompatibleDC(nullptr);
        if (!dc) {
            --p.dcUseCount;
            return nullptr;
        }
        p.dcSavedBitmap = SelectObject(dc, static_cast<HGDIOBJ>(p.bitmap));
        p.dc = dc;
    }
    return static_cast<HDC>(p.dc);
}

void returnPictureContext(Picture& p) {
    if (p.dcUseCount <= 0 || --p.dcUseCount > 0 || !p.dc) return;
    HDC dc = static_cast<HDC>(p.dc);
    SelectObject(dc, static_cast<HGDIOBJ>(p.dcSavedBitmap));
    for (auto& slot : spareContexts)
        if (!(dc = slot.exchange(dc))) break;
    if (dc) DeleteDC(dc);
    p.dc = nullptr;
    p.dcSavedBitmap = nullptr;
}

void failPictureCopies(bool fail) { failCopies = fail; }
int imagesDisposedAfterShutdown() { return lateDisposals; }

int cachedPictureContexts() {
    int n = 0;
    for (auto& slot : spareContexts) n += slot.load() != nullptr;
    return n;
}

PictureLoad loadPicture(Picture& p, const std::u16string& path) {
    if (!p.empty() || !startLibrary()) return PictureLoad::Failed;
    Source source;
    if (GdipCreateBitmapFromFile(reinterpret_cast<const WCHAR*>(path.c_str()), &source.bitmap) != Ok || !source.bitmap)
        return PictureLoad::Failed;
    PixelFormat format = 0;
    UINT width = 0, height = 0;
    if (GdipGetImagePixelFormat(source.bitmap, &format) != Ok || GdipGetImageWidth(source.bitmap, &width) != Ok ||
        GdipGetImageHeight(source.bitmap, &height) != Ok || !width || !height || width > 0x7FFF * 2 ||
        height > 0x7FFF * 2)
        return PictureLoad::Failed;
    if (pictureTooLarge(width, height)) return PictureLoad::Failed;
    // The whole picture is stretched over a card's face, so a side longer than the largest card's
    // is reduced on its own: what is kept is all a card can show, and a photo holds 3 MB, not 48.
    const UINT keptWidth = std::min<UINT>(width, kMostKeptPictureSide);
    const UINT keptHeight = std::min<UINT>(height, kMostKeptPictureSide);
    const bool reduced = keptWidth != width || keptHeight != height;
    int bpp = 32;
    PixelFormat target = PixelFormat32bppRGB;
    if ((format & PixelFormatGDI) && !reduced) {
        bpp = bitsOf(format);
        target = format;
    }
    const bool alpha = (format & PixelFormatAlpha) != 0;
    if (alpha) {
        bpp = 32;
        target = PixelFormat32bppARGB;
    }
    if (!createSection(p, static_cast<int>(keptWidth), static_cast<int>(keptHeight), bpp, target))
        return PictureLoad::Failed;
    p.hasAlpha = alpha;
    if (target & PixelFormatIndexed) {
        PictureLoad palette = copyPalette(p, source.bitmap);
        if (palette != PictureLoad::Ok) return palette;
    }
    bool copied = !failCopies && (reduced            ? reduceRows(p, source.bitmap, width, height)
                                  : target == format ? copyRows(p, source.bitmap, format)
                                                     : convertRows(p, source.bitmap, target));
    if (!copied) {
        // The source goes first: letting the picture go may stop the library (Windows decodes
        // lazily, so a truncated file fails here, after a good open).
        source.dispose();
        destroyPicture(p);
        return PictureLoad::Failed;
    }
    return PictureLoad::Ok;
}

void destroyPicture(Picture& p) {
    if (p.empty()) return;
    HGDIOBJ bitmap = static_cast<HGDIOBJ>(p.bitmap), copy = static_cast<HGDIOBJ>(p.blendCopy),
            scaled = static_cast<HGDIOBJ>(p.scaled);
    void* dc = p.dc;
    int32_t uses = p.dcUseCount;
    void* saved = p.dcSavedBitmap;
    p = Picture{};
    p.dc = dc;  // a borrowed context is not this call's to touch
    p.dcUseCount = uses;
    p.dcSavedBitmap = saved;
    DeleteObject(bitmap);
    if (copy) DeleteObject(copy);
    if (scaled) DeleteObject(scaled);
    pictureLetGo();
}

bool drawPicture(Picture& p, HDC dest, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
    if (p.empty()) return false;
    HDC src = borrowPictureContext(p);
    if (!src) return false;
    bool ok;
    HBITMAP premultiplied = p.hasAlpha ? blendCopy(p) : nullptr;
    if (premultiplied) {
        HGDIOBJ held = SelectObject(src, premultiplied);
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ok = AlphaBlend(dest, x, y, w, h, src, sx, sy, sw, sh, blend) != FALSE;
        SelectObject(src, held);
    } else {
        const bool whole = sx == 0 && sy == 0 && sw == p.width && sh == p.height;
        HBITMAP reduced = whole && w > 0 && h > 0 && (w < p.width || h < p.height) && GetStretchBltMode(dest) == HALFTONE
                              ? scaledCopy(p, src, w, h)
                              : nullptr;
        if (reduced) {
            HGDIOBJ held = SelectObject(src, reduced);
            ok = BitBlt(dest, x, y, w, h, src, 0, 0, SRCCOPY) != FALSE;
            SelectObject(src, held);
        } else {
            ok = StretchBlt(dest, x, y, w, h, src, sx, sy, sw, sh, SRCCOPY) != FALSE;
        }
    }
    returnPictureContext(p);
    return ok;
}

void endPictures() {
    for (auto& slot : spareContexts)
        if (HDC dc = slot.exchange(nullptr)) DeleteDC(dc);
    Locked lock;
    if (runtime.token) GdiplusShutdown(runtime.token);
    runtime.token = 0;
}

namespace {

// Decoded pictures by path, kept while some holder still has them; the file's size and time of
// writing tell a file replaced under the same name from the one decoded.
struct CachedPicture {
    std::weak_ptr<Picture> picture;
    ULONGLONG size;
    FILETIME written;
};
std::unordered_map<std::wstring, CachedPicture> decoded;

bool identify(const std::wstring& name, ULONGLONG& size, FILETIME& written) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return false;
    size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    written = data.ftLastWriteTime;
    return true;
}

std::wstring cacheKey(std::wstring name) {
    CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

}  // namespace

PictureRef loadPicture(const std::u16string& path) {
    const std::wstring name = desk::systemFileName(path);
    ULONGLONG size = 0;
    FILETIME written{};
    if (path.empty() || !identify(name, size, written)) return nullptr;
    const std::wstring key = cacheKey(name);
    auto it = decoded.find(key);
    if (it != decoded.end()) {
        PictureRef held = it->second.picture.lock();
        if (held && it->second.size == size && CompareFileTime(&it->second.written, &written) == 0) return held;
    }
    // Refused before the decoder sees it: some decoders decode the whole picture on opening.
    uint32_t width = 0, height = 0;
    if (readPictureSize(path, width, height) && pictureTooLarge(width, height)) return nullptr;
    auto* picture = new (std::nothrow) Picture();
    if (!picture) return nullptr;
    PictureRef shared(picture, [](Picture* p) {
        destroyPicture(*p);
        delete p;
    });
    if (loadPicture(*shared, path) != PictureLoad::Ok || shared->empty()) return nullptr;
    for (auto e = decoded.begin(); e != decoded.end();) e = e->second.picture.expired() ? decoded.erase(e) : std::next(e);
    decoded[key] = {shared, size, written};
    return shared;
}

bool readPictureSize(const std::u16string& path, uint32_t& width, uint32_t& height) {
    HANDLE f = CreateFileW(desk::systemFileName(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    const OwnedHandle closer(f);
    std::vector<uint8_t> head(kPictureHeaderBytes);
    DWORD got = 0;
    return ReadFile(f, head.data(), static_cast<DWORD>(head.size()), &got, nullptr) && pictureSize(head.data(), got, width, height);
}
