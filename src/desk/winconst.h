// The platform's names for the messages, flags and keys the table logic uses. The Win32 shell
// gets them from <windows.h> (included first there); everywhere else they are declared here.
#pragma once

#include <cstdint>

#ifndef _WINUSER_
#define WINCONST(name, value) constexpr uint32_t name = value;
#include "desk/winconst.inc"
#undef WINCONST
#endif

// Error codes the program raises for a failed allocation and an index outside an array.
constexpr int32_t kOutOfMemory = static_cast<int32_t>(0x8007000EU);  // E_OUTOFMEMORY
constexpr int32_t kInvalidArg = static_cast<int32_t>(0x80070057U);   // E_INVALIDARG

struct ProgramError {
    int32_t code;
};
