// How many handles are open to the object behind a handle. A closed handle's
// value may be handed out again, so a test that must see a handle closed keeps
// a duplicate of its own and watches the object's count through that instead.
#pragma once

#include <windows.h>

#include <winternl.h>

// Returns the number of open handles to h's object, or 0 when h is not open.
// Needs ntdll.
inline ULONG HandleCount(HANDLE h)
{
    PUBLIC_OBJECT_BASIC_INFORMATION info = {};
    if (NtQueryObject(h, ObjectBasicInformation, &info, sizeof(info), nullptr) != 0)
        return 0;
    return info.HandleCount;
}

// Returns a second handle to h's object, or nullptr.
inline HANDLE DuplicateOwnHandle(HANDLE h)
{
    HANDLE hDup = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &hDup, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return hDup;
}
