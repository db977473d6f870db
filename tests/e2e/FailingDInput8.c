/* A stand-in dinput8.dll whose DirectInput8Create always fails, as it would on
 * a machine without DirectInput. Wine loads it instead of its own when it sits
 * next to a copy of Tavrel.exe and WINEDLLOVERRIDES=dinput8=n is set, so the
 * program itself is unchanged. */
#include <windows.h>

__declspec(dllexport) HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD dwVersion, REFIID riid,
                                                        LPVOID* ppvOut, LPUNKNOWN punkOuter)
{
    (void)hinst;
    (void)dwVersion;
    (void)riid;
    (void)punkOuter;
    if (ppvOut)
        *ppvOut = NULL;
    return E_FAIL; /* DIERR_GENERIC */
}
