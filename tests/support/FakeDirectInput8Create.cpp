// The test program's own DirectInput8Create. Linked as an object (never taken
// from an archive), it is found before the import library's, so the sampler's
// call reaches the fake set in g_directInput8Create.
#include "tests/support/FakeDirectInput.h"

FakeDirectInput8Create g_directInput8Create;

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
    if (FAILED(c.status)) {
        *ppvOut = nullptr;
        return c.status;
    }
    c.pDI->HandOut();
    *ppvOut = static_cast<IDirectInput8A*>(c.pDI);
    return c.status;
}
