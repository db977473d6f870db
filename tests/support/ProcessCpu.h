// CPU time of the test's own process: how tests tell a thread that blocks from
// one that spins.
#pragma once

#include <windows.h>

// CPU time (user + kernel) used by this process so far, in milliseconds; -1
// when the system cannot say.
inline double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1.0;
    auto ms = [](const FILETIME& ft) {
        return (static_cast<double>(ft.dwHighDateTime) * 4294967296.0 + ft.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}
