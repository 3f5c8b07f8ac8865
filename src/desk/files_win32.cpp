#include "desk/windows_win32.h"

#include <algorithm>

#include "desk/desk.h"
#include "desk/files_win32.h"

namespace {

long long writeBudget = -1;
size_t longestClassicName = 0;

// The name handed to the file system. From MAX_PATH characters on, Windows takes a name only in
// its long form; the state path fits the classic limit, its temporary name may not.
std::wstring systemName(const std::u16string& path) {
    std::wstring name(path.begin(), path.end());
    if (name.rfind(L"\\\\?\\", 0) == 0) return name;
    if (name.size() < MAX_PATH) {
        longestClassicName = std::max(longestClassicName, name.size());
        return name;
    }
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    if (name.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + name.substr(2);
    return L"\\\\?\\" + name;
}

// WriteFile of the whole buffer, in pieces, honouring the test budget.
bool writeAll(HANDLE file, const uint8_t* data, size_t size) {
    constexpr size_t kPiece = 1 << 16;
    while (size) {
        DWORD chunk = static_cast<DWORD>(size < kPiece ? size : kPiece);
        if (writeBudget >= 0) {
            if (writeBudget == 0) return false;
            if (static_cast<long long>(chunk) > writeBudget) chunk = static_cast<DWORD>(writeBudget);
        }
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        if (writeBudget >= 0) writeBudget -= written;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

void failFileWritesAfter(long long bytes) { writeBudget = bytes; }

size_t takeLongestClassicFileName() {
    size_t n = longestClassicName;
    longestClassicName = 0;
    return n;
}

namespace desk {

std::u16string modulePath() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(buf), n);
}

bool readFile(const std::u16string& path, size_t limit, std::vector<uint8_t>& out) {
    // Others may still replace the file while it is open.
    HANDLE f = CreateFileW(systemName(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart >= 0 && static_cast<unsigned long long>(size.QuadPart) <= limit;
    if (ok) {
        std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
        size_t at = 0;
        while (ok && at < bytes.size()) {
            DWORD got = 0;
            ok = ReadFile(f, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &got, nullptr) && got > 0;
            at += got;
        }
        if (ok) out = std::move(bytes);
    }
    CloseHandle(f);
    return ok;
}

bool replaceFile(const std::u16string& path, const std::vector<uint8_t>& bytes) {
    const std::wstring target = systemName(path), temp = systemName(path + u".new");
    HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    bool ok = writeAll(f, bytes.data(), bytes.size()) && FlushFileBuffers(f);
    ok = CloseHandle(f) && ok;
    ok = ok && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

bool restoredPosition(Window w, Point& out) {
    HWND h = toHwnd(w);
    if (IsIconic(h)) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        out = GetWindowPlacement(h, &wp) ? Point{wp.rcNormalPosition.left, wp.rcNormalPosition.top} : Point{0, 0};
        return true;
    }
    RECT r;
    if (!GetWindowRect(h, &r)) return false;
    out = {r.left, r.top};
    return true;
}

}  // namespace desk
