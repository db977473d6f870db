// Windows in tests: a top-level window of the test's own, the message pump,
// and reading any window's class, text and list lines as a user would see
// them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Dispatches every message queued for this thread, after waiting up to ms for
// one to arrive.
void PumpMessages(DWORD ms = 0);

// A visible top-level window on this thread, with the dialog's background, for
// controls and devices that need one; null when none can be made (no display).
// It is left to go with the process: destroying a mapped window makes Wine
// wait two seconds for a window manager that Xvfb lacks.
HWND CreateTopWindow(const char* title, int x, int y, int width, int height);

// The text of a window of any thread or process (sent as WM_GETTEXT, which
// its owner's message loop answers).
std::string WindowText(HWND hWnd);
// The window class name.
std::string ClassName(HWND hWnd);
// The name an accessibility client (a screen reader) reads for a window, from
// its standard accessible object; "(none)" when it has none.
std::string AccessibleName(HWND hWnd);
// The window that has the keyboard focus on thread threadId; null when none.
HWND FocusOf(DWORD threadId);
// Every line of a list box, first to last.
std::vector<std::string> ListLines(HWND hList);

// Makes a list box paint as Windows' list box does: on WM_PAINT and
// WM_PRINTCLIENT it draws its rows only and leaves the space below the last
// row to WM_ERASEBKGND, which fills the client area with the list's brush;
// Wine's list box fills that space in its paint and erases nothing (on
// Windows the tests leave the list box as it is). Subclasses hList beneath
// any later subclass; returns false when it cannot.
bool PaintRowsOnly(HWND hList);
