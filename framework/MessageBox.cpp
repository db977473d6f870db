#include "framework/MessageBox.h"

#include <cstring>

namespace {

// The application's name: the executable's file name without directory or
// extension, as the framework names an application that gives no name.
void GetAppName(char* name, size_t size)
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* base = std::strrchr(path, '\\');
    base = base ? base + 1 : path;
    lstrcpynA(name, base, static_cast<int>(size));
    if (char* dot = std::strrchr(name, '.'))
        *dot = '\0';
}

} // namespace

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT nIDHelp)
{
    char title[MAX_PATH];
    GetAppName(title, sizeof title);

    // Without a help file, a help context only marks the box; the text and
    // buttons are the same.
    (void)nIDHelp;
    return ::MessageBoxA(::GetActiveWindow(), lpszText, title, nType);
}
