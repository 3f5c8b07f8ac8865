#include "app/help_win32.h"

#include <objbase.h>
#include <shellapi.h>

#include <cwchar>
#include <vector>

#include "app/app_win32.h"

namespace help {

namespace {

// The compiled manual's file system, as the help viewer itself reads it (itss.dll).
const CLSID kItStorage = {0x5d02926a, 0x212e, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};
const IID kIItStorage = {0x88cc31de, 0x27ab, 0x11d0, {0x9d, 0xf9, 0x00, 0xa0, 0xc9, 0x22, 0xe6, 0xec}};

// Called through its table of functions: QueryInterface, AddRef, Release, four ways to create or
// test a storage, then StgOpenStorage.
struct IItStorage : IUnknown {};
using OpenStorage = HRESULT(STDMETHODCALLTYPE*)(IItStorage*, const WCHAR* name, IStorage* priority, DWORD mode,
                                                SNB exclude, DWORD reserved, IStorage** opened);
constexpr int kOpenStorageSlot = 7;

template <class T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Names the compiler keeps for itself ("#SYSTEM", "$OBJINST", "::DataSpace", the table of
// contents) and anything that would leave the folder are not pages.
bool isPage(const wchar_t* name) {
    if (!name[0] || name[0] == L'#' || name[0] == L'$' || name[0] == L':' || name[0] == L'_') return false;
    if (std::wcsstr(name, L"..") || std::wcschr(name, L'\\') || std::wcschr(name, L'/')) return false;
    const wchar_t* dot = std::wcsrchr(name, L'.');
    return !dot || (_wcsicmp(dot, L".hhc") && _wcsicmp(dot, L".hhk") && _wcsicmp(dot, L".hhp"));
}

bool copyStream(IStorage* from, const wchar_t* name, const std::wstring& to) {
    Released<IStream> in;
    if (FAILED(from->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &in.p))) return false;
    HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        ULONG got = 0;
        const HRESULT hr = in.p->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &got);
        DWORD written = 0;
        if (got && (!WriteFile(out, buffer.data(), got, &written, nullptr) || written != got)) ok = false;
        if (FAILED(hr)) ok = false;
        if (!ok || hr != S_OK || !got) break;
    }
    CloseHandle(out);
    return ok;
}

// prefix: the storage's own path inside the manual ("images/"), which Wine puts before the names
// it lists there.
bool copyStorage(IStorage* from, const std::wstring& folder, const std::wstring& prefix) {
    if (prefix.size() > 200 || (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS))
        return false;
    Released<IEnumSTATSTG> list;
    if (FAILED(from->EnumElements(0, nullptr, 0, &list.p))) return false;
    bool ok = true;
    STATSTG item{};
    ULONG got = 0;  // (Wine's list writes it even where it may be left out)
    while (ok && list.p->Next(1, &item, &got) == S_OK && got == 1) {
        std::wstring name = item.pwcsName ? item.pwcsName : L"";
        if (!prefix.empty() && name.compare(0, prefix.size(), prefix) == 0) name.erase(0, prefix.size());
        if (isPage(name.c_str())) {
            const std::wstring to = folder + L"\\" + name;
            if (item.type == STGTY_STREAM) {
                ok = copyStream(from, name.c_str(), to);
            } else if (item.type == STGTY_STORAGE) {
                Released<IStorage> inner;
                ok = SUCCEEDED(from->OpenStorage(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                                 &inner.p)) &&
                     copyStorage(inner.p, to, prefix + name + L"/");
            }
        }
        CoTaskMemFree(item.pwcsName);
        item.pwcsName = nullptr;
    }
    return ok;
}

// Wine's HTML engine is a download of its own: in the prefix's system folder or Wine's data
// folder. Without it (or with it switched off) Wine's help viewer opens an empty window.
bool wineBrowserEngine() {
    const char* overrides = std::getenv("WINEDLLOVERRIDES");
    if (overrides) {
        const std::string o = overrides;
        const size_t at = o.find("mshtml=");
        if (at != std::string::npos && (at + 7 == o.size() || o[at + 7] == ';' || o[at + 7] == 'd')) return false;
    }
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n && n < MAX_PATH) {
        WIN32_FIND_DATAW found;
        HANDLE h = FindFirstFileW((std::wstring(system) + L"\\gecko\\*").c_str(), &found);
        if (h != INVALID_HANDLE_VALUE) {
            bool engine = false;
            do
                engine = found.cFileName[0] != L'.' &&
                         exists(std::wstring(system) + L"\\gecko\\" + found.cFileName + L"\\wine_gecko");
            while (!engine && FindNextFileW(h, &found));
            FindClose(h);
            if (engine) return true;
        }
    }
    for (const wchar_t* shared : {L"Z:\\usr\\share\\wine\\gecko", L"Z:\\opt\\wine\\gecko"})
        if (exists(shared)) return true;
    return false;
}

}  // namespace

bool find(std::wstring& out, const wchar_t* name) {
    // The answer is the length found, or the room needed when the buffer is too small.
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        DWORD n = SearchPathW(nullptr, name ? name : kHelpFile, nullptr, static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
        if (n == 0) return false;
        if (n < buffer.size()) {
            out.assign(buffer.data(), n);
            return true;
        }
        buffer.assign(n, L'\0');
    }
    return false;
}

bool viewerCanShow() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    return !wine || wineBrowserEngine();
}

bool extractPages(const std::wstring& chm, const std::wstring& folder) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool ok = false;
    {
        Released<IItStorage> its;
        Released<IStorage> root;
        HRESULT hr = CoCreateInstance(kItStorage, nullptr, CLSCTX_INPROC_SERVER, kIItStorage, reinterpret_cast<void**>(&its.p));
        if (SUCCEEDED(hr)) {
            const auto open = reinterpret_cast<OpenStorage>((*reinterpret_cast<void***>(its.p))[kOpenStorageSlot]);
            hr = open(its.p, chm.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, &root.p);
        }
        ok = SUCCEEDED(hr) && copyStorage(root.p, folder, L"") && exists(folder + L"\\index.html");
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return ok;
}

bool open(HWND owner, const std::wstring& path) {
    if (viewerCanShow())
        return reinterpret_cast<INT_PTR>(ShellExecuteW(owner, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
    wchar_t temp[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, temp);
    if (!n || n >= MAX_PATH) return false;
    const std::wstring folder = std::wstring(temp) + L"ルポネ のヘルプ";
    if (!extractPages(path, folder)) return false;
    const std::wstring first = folder + L"\\index.html";
    return reinterpret_cast<INT_PTR>(ShellExecuteW(owner, nullptr, first.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}

}  // namespace help
