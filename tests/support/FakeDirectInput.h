// A scripted stand-in for the DirectInput 8 object, and the record of one call
// to DirectInput8Create.
//
// A test program that links FakeDirectInput8Create.cpp gets its own
// DirectInput8Create, which records its arguments and hands out the fake set
// in g_directInput8Create: the product's call stays exactly as it is and
// reaches the fake instead of the system. The fake in turn hands out the
// CFakeDevice it was given from CreateDevice(GUID_SysMouse).
//
// Single-threaded: the DirectInput object is used only by the thread that
// creates and destroys the sampler.
#pragma once

#include <windows.h>

#include <dinput.h>

#include <string>
#include <vector>

#include "tests/support/FakeDevice.h"

class CFakeDirectInput : public IDirectInput8A {
public:
    explicit CFakeDirectInput(CFakeDevice* pDevice) : m_pDevice(pDevice) {}
    virtual ~CFakeDirectInput() = default;

    // ---- script ----
    HRESULT createDeviceStatus = DI_OK; // a failure hands out no device
    HANDLE hWatchedEvent = nullptr;     // a test's own handle to the sampler's event

    // ---- what happened ----
    std::vector<std::string> calls;     // by name, in order
    int releases = 0;
    int unexpectedCalls = 0;
    int callsAfterRelease = 0;
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

private:
    void Record(const char* name);

    CFakeDevice* m_pDevice;
    LONG m_refs = 1;
};

// What the test program's DirectInput8Create was given, what it answers, and
// the object it hands out. Reset by each test.
struct FakeDirectInput8Create {
    // ---- script ----
    CFakeDirectInput* pDI = nullptr;    // handed out on success
    HRESULT status = DI_OK;             // a failure hands out nothing

    // ---- what happened ----
    int calls = 0;
    HINSTANCE hinst = nullptr;
    DWORD version = 0;
    IID riid = {};
    void** ppvOut = nullptr;
    IUnknown* punkOuter = nullptr;
};
extern FakeDirectInput8Create g_directInput8Create;
