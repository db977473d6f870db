#include "tests/support/FakeDirectInput.h"

#include "tests/support/HandleCount.h"

FakeDirectInput8Create g_directInput8Create;

void CFakeDirectInput::Record(const char* name)
{
    if (m_refs == 0)
        ++callsAfterRelease;
    calls.push_back(name);
}

HRESULT CFakeDirectInput::QueryInterface(REFIID, void** ppvObject)
{
    *ppvObject = nullptr;
    ++unexpectedCalls;
    return E_NOINTERFACE;
}

ULONG CFakeDirectInput::AddRef()
{
    Record("AddRef");
    return static_cast<ULONG>(++m_refs);
}

ULONG CFakeDirectInput::Release()
{
    Record("Release");
    ++releases;
    deviceCallsAtRelease = m_pDevice->Calls();
    eventHandlesAtRelease = hWatchedEvent ? HandleCount(hWatchedEvent) : 0;
    return static_cast<ULONG>(--m_refs);
}

HRESULT CFakeDirectInput::CreateDevice(REFGUID rguid, LPDIRECTINPUTDEVICE8A* ppDevice, LPUNKNOWN pUnkOuter)
{
    Record("CreateDevice");
    createDeviceGuid = rguid;
    createDeviceOuter = pUnkOuter;
    // As the real object does: a device only on success, and only the mouse here.
    if (FAILED(createDeviceStatus) || !IsEqualGUID(rguid, GUID_SysMouse)) {
        *ppDevice = nullptr;
        return FAILED(createDeviceStatus) ? createDeviceStatus : DIERR_DEVICENOTREG;
    }
    *ppDevice = m_pDevice;
    return createDeviceStatus;
}

#define UNEXPECTED { ++unexpectedCalls; return E_NOTIMPL; }
HRESULT CFakeDirectInput::EnumDevices(DWORD, LPDIENUMDEVICESCALLBACKA, LPVOID, DWORD) UNEXPECTED
HRESULT CFakeDirectInput::GetDeviceStatus(REFGUID) UNEXPECTED
HRESULT CFakeDirectInput::RunControlPanel(HWND, DWORD) UNEXPECTED
HRESULT CFakeDirectInput::Initialize(HINSTANCE, DWORD) UNEXPECTED
HRESULT CFakeDirectInput::FindDevice(REFGUID, LPCSTR, LPGUID) UNEXPECTED
HRESULT CFakeDirectInput::EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA, LPDIENUMDEVICESBYSEMANTICSCBA,
                                                 LPVOID, DWORD) UNEXPECTED
HRESULT CFakeDirectInput::ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                           LPVOID) UNEXPECTED
#undef UNEXPECTED
