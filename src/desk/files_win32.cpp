#include "desk/windows_win32.h"

#include <algorithm>
#include <cwchar>
#include <new>
#include <unordered_map>

#include "desk/desk.h"
#include "desk/files_win32.h"
#include "desk/gdi_win32.h"

namespace {

long long writeBudget = -1;
size_t longestClassicName = 0;
desk::FileError lastError = desk::FileError::None;

// Keeps why a file call failed, in the terms the table tells the user; returns false.
bool failed(DWORD code = GetLastError()) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND: lastError = desk::FileError::Missing; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: lastError = desk::FileError::AccessDenied; break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: lastError = desk::FileError::InUse; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: lastError = desk::FileError::DiskFull; break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH: lastError = desk::FileError::NoFolder; break;
    default: lastError = desk::FileError::Other; break;
    }
    return false;
}

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
            if (writeBudget == 0) return failed(ERROR_DISK_FULL);
            if (static_cast<long long>(chunk) > writeBudget) chunk = static_cast<DWORD>(writeBudget);
        }
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr)) return failed();
        if (written == 0) return failed(ERROR_DISK_FULL);
        if (writeBudget >= 0) writeBudget -= written;
        data += written;
        size -= written;
    }
    return true;
}

}  // namespace

std::wstring desk::systemFileName(const std::u16string& path) { return systemName(path); }

void failFileWritesAfter(long long bytes) { writeBudget = bytes; }

size_t takeLongestClassicFileName() {
    size_t n = longestClassicName;
    longestClassicName = 0;
    return n;
}

namespace desk {

namespace {
void forgetListing();  // the kept listing of a folder is stale once this program changes a file
}


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
    if (f == INVALID_HANDLE_VALUE) return failed();
    const OwnedHandle closer(f);  // closed on every way out, a failed allocation's too
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(f, &size) && size.QuadPart >= 0;
    if (!ok) failed();
    if (ok && static_cast<unsigned long long>(size.QuadPart) > limit) {
        lastError = FileError::TooLarge;
        ok = false;
    }
    if (ok) {
        std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
        size_t at = 0;
        while (ok && at < bytes.size()) {
            DWORD got = 0;
            ok = ReadFile(f, bytes.data() + at, static_cast<DWORD>(bytes.size() - at), &got, nullptr) && got > 0;
            if (!ok) failed(got == 0 ? ERROR_HANDLE_EOF : GetLastError());
            at += got;
        }
        if (ok) out = std::move(bytes);
    }
    return ok;
}

bool replaceFile(const std::u16string& path, const std::vector<uint8_t>& bytes) {
    forgetListing();
    const std::wstring target = systemName(path), temp = systemName(path + u".new");
    // A file the user made read-only stays as it is (Windows refuses to replace it; Wine would not).
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return failed(ERROR_ACCESS_DENIED);
    HANDLE f = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return failed();
    bool ok = writeAll(f, bytes.data(), bytes.size()) && (FlushFileBuffers(f) || failed());
    ok = (CloseHandle(f) || failed()) && ok;
    ok = ok && (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
                failed());
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

bool renameFile(const std::u16string& from, const std::u16string& to) {
    forgetListing();
    return MoveFileExW(systemName(from).c_str(), systemName(to).c_str(), MOVEFILE_WRITE_THROUGH) || failed();
}

bool removeFile(const std::u16string& path) {
    forgetListing();
    return DeleteFileW(systemName(path).c_str()) || failed();
}

FileError lastFileError() { return lastError; }

std::u16string timeStamp() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    wchar_t text[32];
    swprintf(text, 32, L"%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    std::wstring w(text);
    return std::u16string(w.begin(), w.end());
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

namespace desk {

namespace {

// The names of one folder's files, by their upper-case form. Each card made looks for up to twelve
// names in the picture folder; under Wine every look is a scan of the folder, so the folder is
// read once and its listing kept for a second (and dropped at once when this program changes a
// file).
struct FolderListing {
    std::wstring folder;
    DWORD taken = 0;
    bool valid = false;
    std::unordered_map<std::wstring, std::wstring> files;
} listing;

constexpr DWORD kListingLifeMs = 1000;

std::wstring upper(std::wstring s) {
    if (!s.empty()) CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

void forgetListing() { listing.valid = false; }

const FolderListing& listFolder(const std::wstring& folder) {
    if (listing.valid && listing.folder == folder && GetTickCount() - listing.taken < kListingLifeMs) return listing;
    listing.folder = folder;
    listing.files.clear();
    listing.taken = GetTickCount();
    listing.valid = true;
    WIN32_FIND_DATAW found;
    const std::u16string pattern = std::u16string(folder.begin(), folder.end()) + u"\\*";
    HANDLE h = FindFirstFileW(systemName(pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return listing;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) listing.files.emplace(upper(found.cFileName), found.cFileName);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return listing;
}

}  // namespace

}  // namespace desk

void forgetFolderListing() { desk::forgetListing(); }

namespace desk {

bool findFile(const std::u16string& path, std::u16string& out) {
    const size_t slash = path.find_last_of(u"\\/");
    const std::wstring name(path.begin() + static_cast<std::ptrdiff_t>(slash == std::u16string::npos ? 0 : slash + 1), path.end());
    if (slash == std::u16string::npos || name.empty() || name.find_first_of(L"*?") != std::wstring::npos) return false;
    const FolderListing& folder = listFolder(std::wstring(path.begin(), path.begin() + static_cast<std::ptrdiff_t>(slash)));
    auto it = folder.files.find(upper(name));
    if (it == folder.files.end()) return false;
    out = path.substr(0, slash + 1) + std::u16string(it->second.begin(), it->second.end());
    return true;
}

bool copyFile(const std::u16string& from, const std::u16string& to) {
    forgetListing();
    const std::wstring source = systemName(from);
    DWORD attributes = GetFileAttributesW(source.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        lastError = FileError::IsFolder;
        return false;
    }
    return CopyFileW(source.c_str(), systemName(to).c_str(), TRUE) || failed();
}

namespace {

bool fileIdentity(const std::u16string& path, BY_HANDLE_FILE_INFORMATION& out) {
    // Opened for no access at all: a file that others hold without sharing can still be asked.
    HANDLE f = CreateFileW(systemName(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    bool ok = GetFileInformationByHandle(f, &out);
    CloseHandle(f);
    return ok;
}

}  // namespace

bool sameFile(const std::u16string& a, const std::u16string& b) {
    BY_HANDLE_FILE_INFORMATION x, y;
    return fileIdentity(a, x) && fileIdentity(b, y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}

bool recycleFile(const std::u16string& path) {
    forgetListing();
    // The shell takes a list of names, each ended by a zero, the list by another.
    std::wstring from(path.begin(), path.end());
    from.push_back(L'\0');
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
    const int result = SHFileOperationW(&op);
    if (result == 0 && !op.fAnyOperationsAborted && GetFileAttributesW(systemName(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    // The shell answers with system error codes, or with its own (0x71 and up) that say less.
    return failed(result > 0 && result < 0x71 ? static_cast<DWORD>(result) : ERROR_ACCESS_DENIED);
}

}  // namespace desk
