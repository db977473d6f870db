// A scripted stand-in for the DirectInput 8 object, and the test program's own
// DirectInput8Create that hands it out.
//
// A test program that links the tavrel_fake_dinput8 object gets a
// DirectInput8Create of its own: it records its arguments and hands out the
// object set in g_directInput8Create, so the product's call stays exactly as it
// is and reaches the fake instead of the system. The object's CreateDevice
// (GUID_SysMouse) in turn hands out its CFakeDevice. By default both succeed,
// with the process's own `directInput` and `mouse`.
//
// The DirectInput object is used by the thread that creates and destroys the
// sampler (the dialog thread); tests read its record once that is done.
#pragma once

#include <windows.h>

#include <dinput.h>

#include <atomic>
#include <string>
#include <vector>

#include "tests/support/FakeDevice.h"

class CFakeDirectInput : public IDirectInput8A, public CFakeComObject {
public:
    explicit CFakeDirectInput(CFakeDevice* pMouse) : pDevice(pMouse) {}
    virtual ~CFakeDirectInput() = default;

    // ---- script ----
    // Handed out, with a reference of its own, by each successful CreateDevice:
    // a test that opens many dialogs may give each its own device.
    std::atomic<CFakeDevice*> pDevice;
    HRESULT createDeviceStatus = DI_OK; // a failure hands out no device
    HANDLE hWatchedEvent = nullptr;     // a test's own handle to the sampler's event

    // ---- what happened ----
    GUID createDeviceGuid = {};
    IUnknown* createDeviceOuter = nullptr;
    // The device's calls as they stood when DirectInput was last released, and
    // the handles then open to the watched event (the sampler's and the test's).
    std::vector<std::string> deviceCallsAtRelease;
    ULONG eventHandlesAtRelease = 0;

    // ---- IUnknown ----
    STDMETHOD_(HRESULT, QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // ---- used by CMouse ----
    STDMETHOD(CreateDevice)(REFGUID rguid, LPDIRECTINPUTDEVICE8A* ppDevice, LPUNKNOWN pUnkOuter) override;

    // ---- not used by CMouse: counted as unexpected ----
    STDMETHOD(EnumDevices)(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) override;
    STDMETHOD(GetDeviceStatus)(REFGUID) override;
    STDMETHOD(RunControlPanel)(HWND, DWORD) override;
    STDMETHOD(Initialize)(HINSTANCE, DWORD) override;
    STDMETHOD(FindDevice)(REFGUID, LPCSTR, LPGUID) override;
    STDMETHOD(EnumDevicesBySemantics)(LPCSTR, LPDIACTIONFORMATA, LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID,
                                      DWORD) override;
    STDMETHOD(ConfigureDevices)(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                LPVOID) override;
};

// What the test program's DirectInput8Create hands out and answers, and what
// it was given. Each test process starts with a fresh one.
struct FakeDirectInput8Create {
    // The system mouse and the DirectInput object handed out by default.
    CFakeDevice mouse;
    CFakeDirectInput directInput{&mouse};

    // ---- script ----
    CFakeDirectInput* pDI = &directInput; // handed out, with a reference, on success
    HRESULT status = DI_OK;               // a failure hands out nothing

    // ---- what happened ----
    std::atomic<int> calls{0};
    HINSTANCE hinst = nullptr;
    DWORD version = 0;
    IID riid = {};
    void** ppvOut = nullptr;
    IUnknown* punkOuter = nullptr;
};
extern FakeDirectInput8Create g_directInput8Create;
