// Where a test runs: on Windows, or under Wine. Where the two differ, a test
// asserts what Windows documents and, under Wine, skips with its reason.
#pragma once

#include <windows.h>

#include <string>

// Wine's version ("8.0", "10.0"), from ntdll's wine_get_version; empty on
// Windows, whose ntdll has no such export.
inline std::string WineVersion()
{
    using Fn = const char*(__cdecl*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto fn = ntdll ? reinterpret_cast<Fn>(reinterpret_cast<void*>(
                                GetProcAddress(ntdll, "wine_get_version")))
                          : nullptr;
    return fn ? fn() : "";
}

// Skips the current test under Wine, saying which Wine and why; the rest of
// the test runs on Windows only.
#define SKIP_ON_WINE(reason)                                                        \
    do {                                                                            \
        const std::string wine_ = WineVersion();                                    \
        if (!wine_.empty())                                                         \
            GTEST_SKIP() << "Wine " << wine_ << ": " << (reason);                   \
    } while (0)
