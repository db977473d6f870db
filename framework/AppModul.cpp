// The program entry of an application built on the framework: compiled into
// the executable itself (not the framework library), so that the linker finds
// WinMain whatever the order of the libraries.
#include "framework/WinApp.h"

extern "C" int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine,
                              int nCmdShow)
{
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
