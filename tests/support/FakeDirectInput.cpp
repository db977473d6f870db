#include "tests/support/FakeDirectInput.h"

#include "tests/support/HandleCount.h"

HRESULT CFakeDirectInput::QueryInterface(REFIID, void** ppvObject)
{
    return NoInterface(ppvObject);
}

ULONG CFakeDirectInput::AddRef()
{
    return AddReference();
}

ULONG CFakeDirectInput::Release()
{
    deviceCallsAtRelease = pDevice.load()->Calls();
    eventHandlesAtRelease = hWatchedEvent ? HandleCount(hWatchedEvent) : 0;
    return DropReference();
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
    CFakeDevice* pMouse = pDevice.load();
    pMouse->HandOut();
    *ppDevice = pMouse;
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
