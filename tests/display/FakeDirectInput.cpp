#include "tests/display/FakeDirectInput.h"

FakeDirectInput g_fakeDirectInput;

namespace {

class CFakeDirectInput8 : public IDirectInput8A {
public:
    STDMETHOD_(HRESULT, QueryInterface)(REFIID, void** ppvObject) override
    {
        *ppvObject = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++m_refs; }
    STDMETHOD_(ULONG, Release)() override { return --m_refs; }

    STDMETHOD(CreateDevice)(REFGUID, LPDIRECTINPUTDEVICE8A* ppDevice, LPUNKNOWN) override
    {
        ++g_fakeDirectInput.devicesCreated;
        CFakeDevice* pDevice = g_fakeDirectInput.pDevice.load();
        if (!pDevice)
            pDevice = &g_fakeDirectInput.device;
        pDevice->AddRef();
        *ppDevice = pDevice;
        return DI_OK;
    }
    STDMETHOD(EnumDevices)(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(GetDeviceStatus)(REFGUID) override { return E_NOTIMPL; }
    STDMETHOD(RunControlPanel)(HWND, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(Initialize)(HINSTANCE, DWORD) override { return E_NOTIMPL; }
    STDMETHOD(FindDevice)(REFGUID, LPCSTR, LPGUID) override { return E_NOTIMPL; }
    STDMETHOD(EnumDevicesBySemantics)(LPCSTR, LPDIACTIONFORMATA, LPDIENUMDEVICESBYSEMANTICSCBA,
                                      LPVOID, DWORD) override
    {
        return E_NOTIMPL;
    }
    STDMETHOD(ConfigureDevices)(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                LPVOID) override
    {
        return E_NOTIMPL;
    }

private:
    std::atomic<ULONG> m_refs{1};
};

CFakeDirectInput8 s_directInput;

} // namespace

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE, DWORD, REFIID, LPVOID* ppvOut, LPUNKNOWN)
{
    ++g_fakeDirectInput.creates;
    if (FAILED(g_fakeDirectInput.status)) {
        *ppvOut = nullptr;
        return g_fakeDirectInput.status;
    }
    s_directInput.AddRef();
    *ppvOut = &s_directInput;
    return DI_OK;
}
