// The test program's own DirectInput8Create. Compiled into a test program (not
// into a library), it is found before the import library's, so the sampler's
// call reaches the fake set in g_directInput8Create.
#include "tests/support/FakeDirectInput.h"

HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD dwVersion, REFIID riidltf, LPVOID* ppvOut,
                                  LPUNKNOWN punkOuter)
{
    FakeDirectInput8Create& c = g_directInput8Create;
    ++c.calls;
    c.hinst = hinst;
    c.version = dwVersion;
    c.riid = riidltf;
    c.ppvOut = ppvOut;
    c.punkOuter = punkOuter;
    // As the real function does: an interface only on success.
    if (FAILED(c.status) || !c.pDI) {
        *ppvOut = nullptr;
        return FAILED(c.status) ? c.status : E_OUTOFMEMORY;
    }
    *ppvOut = static_cast<IDirectInput8A*>(c.pDI);
    return c.status;
}
