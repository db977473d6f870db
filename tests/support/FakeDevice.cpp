#include "tests/support/FakeDevice.h"

std::vector<std::string> CFakeComObject::Calls()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
}

void CFakeComObject::Record(const char* name)
{
    if (m_refs.load() == 0)
        ++callsAfterRelease;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(name);
}

ULONG CFakeComObject::AddReference()
{
    Record("AddRef");
    return static_cast<ULONG>(++m_refs);
}

ULONG CFakeComObject::DropReference()
{
    Record("Release");
    ++releases;
    return static_cast<ULONG>(--m_refs);
}

HRESULT CFakeComObject::NoInterface(void** ppvObject)
{
    *ppvObject = nullptr;
    ++unexpectedCalls;
    return E_NOINTERFACE;
}

CFakeDevice::CFakeDevice()
    : hDrained(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      hAcquired(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

CFakeDevice::~CFakeDevice()
{
    CloseHandle(hDrained);
    CloseHandle(hAcquired);
}

void CFakeDevice::QueueAcquireStatuses(std::initializer_list<HRESULT> statuses)
{
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_acquireStatuses.insert(m_acquireStatuses.end(), statuses);
}

void CFakeDevice::QueueStatuses(std::initializer_list<HRESULT> statuses)
{
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_statuses.insert(m_statuses.end(), statuses);
}

void CFakeDevice::AlwaysReturn(HRESULT status)
{
    std::lock_guard<std::mutex> lock(m_statusMutex);
    m_always = true;
    m_alwaysStatus = status;
}

HRESULT CFakeDevice::QueryInterface(REFIID, void** ppvObject)
{
    return NoInterface(ppvObject);
}

ULONG CFakeDevice::AddRef()
{
    return AddReference();
}

ULONG CFakeDevice::Release()
{
    return DropReference();
}

HRESULT CFakeDevice::SetProperty(REFGUID rguidProp, LPCDIPROPHEADER pdiph)
{
    Record("SetProperty");
    // Predefined properties such as DIPROP_BUFFERSIZE are small integers cast to
    // a GUID reference, not GUIDs: only the address may be kept, never read.
    propertyId = &rguidProp;
    if (pdiph && pdiph->dwSize == sizeof(DIPROPDWORD))
        bufferSize = *reinterpret_cast<const DIPROPDWORD*>(pdiph);
    return setPropertyStatus;
}

HRESULT CFakeDevice::Acquire()
{
    Record("Acquire");
    ++acquires;
    HRESULT hr = acquireStatus;
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        if (!m_acquireStatuses.empty()) {
            hr = m_acquireStatuses.front();
            m_acquireStatuses.pop_front();
        }
    }
    if (m_reacquirePending.exchange(false)) {
        m_inDrain = false;
        SetEvent(hDrained);
    }
    if (SUCCEEDED(hr))
        SetEvent(hAcquired);
    return hr;
}

HRESULT CFakeDevice::Unacquire()
{
    Record("Unacquire");
    ++unacquires;
    windowAtUnacquire = IsWindow(cooperativeWindow) ? 1 : 0;
    return DI_OK;
}

HRESULT CFakeDevice::GetDeviceData(DWORD cbObjectData, LPDIDEVICEOBJECTDATA rgdod,
                                   LPDWORD pdwInOut, DWORD dwFlags)
{
    if (m_refs.load() == 0)
        ++callsAfterRelease;
    ++reads;
    lastReadSize = cbObjectData;
    lastReadFlags = dwFlags;
    lastReadCountIn = *pdwInOut;

    const bool first = !m_inDrain.exchange(true);
    if (first) {
        ++wakeups;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        firstReadCounter = now.QuadPart;
        if (onFirstRead)
            onFirstRead();
    }

    HRESULT hr = DI_OK;
    {
        std::lock_guard<std::mutex> lock(m_statusMutex);
        if (!m_statuses.empty()) {
            hr = m_statuses.front();
            m_statuses.pop_front();
        } else if (m_always) {
            hr = m_alwaysStatus;
        }
    }

    DWORD delivered = 0;
    if (!FAILED(hr) && records.load() > 0 && *pdwInOut > 0) {
        --records;
        ZeroMemory(rgdod, cbObjectData);
        delivered = 1;
    }
    *pdwInOut = delivered;

    // A drain ends with a failure or an empty read; after the device was lost
    // or not acquired, it ends with the re-acquire that must follow.
    if (hr == DIERR_INPUTLOST || hr == DIERR_NOTACQUIRED) {
        m_reacquirePending = true;
    } else if (FAILED(hr) || delivered == 0) {
        m_inDrain = false;
        SetEvent(hDrained);
    }
    return hr;
}

HRESULT CFakeDevice::SetDataFormat(LPCDIDATAFORMAT lpdf)
{
    Record("SetDataFormat");
    dataFormat = lpdf;
    return setDataFormatStatus;
}

HRESULT CFakeDevice::SetEventNotification(HANDLE hEvent)
{
    Record("SetEventNotification");
    hEventNotified = hEvent;
    if (!hEvent)
        windowAtNotificationOff = IsWindow(cooperativeWindow) ? 1 : 0;
    return setEventNotificationStatus;
}

HRESULT CFakeDevice::SetCooperativeLevel(HWND hwnd, DWORD dwFlags)
{
    Record("SetCooperativeLevel");
    cooperativeWindow = hwnd;
    cooperativeFlags = dwFlags;
    return setCooperativeLevelStatus;
}

#define UNEXPECTED { ++unexpectedCalls; return E_NOTIMPL; }
HRESULT CFakeDevice::GetCapabilities(LPDIDEVCAPS) UNEXPECTED
HRESULT CFakeDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) UNEXPECTED
HRESULT CFakeDevice::GetProperty(REFGUID, LPDIPROPHEADER) UNEXPECTED
HRESULT CFakeDevice::GetDeviceState(DWORD, LPVOID) UNEXPECTED
HRESULT CFakeDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) UNEXPECTED
HRESULT CFakeDevice::GetDeviceInfo(LPDIDEVICEINSTANCEA) UNEXPECTED
HRESULT CFakeDevice::RunControlPanel(HWND, DWORD) UNEXPECTED
HRESULT CFakeDevice::Initialize(HINSTANCE, DWORD, REFGUID) UNEXPECTED
HRESULT CFakeDevice::CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN) UNEXPECTED
HRESULT CFakeDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) UNEXPECTED
HRESULT CFakeDevice::GetEffectInfo(LPDIEFFECTINFOA, REFGUID) UNEXPECTED
HRESULT CFakeDevice::GetForceFeedbackState(LPDWORD) UNEXPECTED
HRESULT CFakeDevice::SendForceFeedbackCommand(DWORD) UNEXPECTED
HRESULT CFakeDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) UNEXPECTED
HRESULT CFakeDevice::Escape(LPDIEFFESCAPE) UNEXPECTED
HRESULT CFakeDevice::Poll() UNEXPECTED
HRESULT CFakeDevice::SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) UNEXPECTED
HRESULT CFakeDevice::EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) UNEXPECTED
HRESULT CFakeDevice::WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) UNEXPECTED
HRESULT CFakeDevice::BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) UNEXPECTED
HRESULT CFakeDevice::SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) UNEXPECTED
HRESULT CFakeDevice::GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) UNEXPECTED
#undef UNEXPECTED
