// Test seams of the file wrappers.
#pragma once

#include <cstddef>
#include <string>

// Writes fail once this many bytes were written (-1: never).
void failFileWritesAfter(long long bytes);
// The longest name handed to the file system in the classic form (without "\\?\") since the
// last call. Windows without long-path support refuses such names from 260 characters on.
size_t takeLongestClassicFileName();
// Drops the kept listing of the picture folder, as after a change this program made: for
// benchmarks and tests that write files there themselves.
void forgetFolderListing();

namespace desk {
// The name as handed to the file system (the long form from 260 characters on).
std::wstring systemFileName(const std::u16string& path);
}  // namespace desk
