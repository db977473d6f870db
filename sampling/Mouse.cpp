#include "sampling/Mouse.h"

#include "framework/Exception.h"
#include "framework/ModuleState.h"
#include "framework/SingleLock.h"
#include "framework/Thread.h"

namespace {

const uint32_t kQueueMask = 0xFF;
const DWORD kBufferedRecords = 16;

DIOBJECTDATAFORMAT s_rgodfRateMouse[] = {
    {&GUID_XAxis, 0, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_YAxis, 4, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
    {&GUID_Button, 8, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
    {&GUID_Button, 9, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0},
};

static_assert(sizeof(DIDATAFORMAT) == 24, "32-bit DIDATAFORMAT layout");
static_assert(sizeof(DIOBJECTDATAFORMAT) == 16, "32-bit DIOBJECTDATAFORMAT layout");
static_assert(sizeof(DIDEVICEOBJECTDATA) == 20, "32-bit DirectInput 8 record layout");
static_assert(sizeof(DIPROPDWORD) == 20 && sizeof(DIPROPHEADER) == 16, "32-bit property layout");

// SetProcessInformation with ProcessPowerThrottling, as Windows declares them.
// Named here because the headers offer them only to builds for later Windows
// (or, in older mingw-w64, not at all): the values are Windows' own.
const int kProcessPowerThrottling = 4; // PROCESS_INFORMATION_CLASS
const ULONG kPowerThrottlingCurrentVersion = 1;
const ULONG kPowerThrottlingExecutionSpeed = 0x1;
struct PowerThrottlingState { // PROCESS_POWER_THROTTLING_STATE
    ULONG Version;
    ULONG ControlMask;
    ULONG StateMask;
};
static_assert(sizeof(PowerThrottlingState) == 12, "PROCESS_POWER_THROTTLING_STATE layout");
using SetProcessInformationFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

// Asks Windows not to slow the process down to save power, as it may, on
// battery above all, with work it takes for background work: execution-speed
// throttling taken in hand (ControlMask) and turned off (a StateMask of 0). SetProcessInformation
// is looked up rather than imported, as Windows 7 has none; where it or the
// mechanism is missing, or the call fails, the process just runs as before.
void OptOutOfPowerThrottling()
{
    const HMODULE hKernel32 = GetModuleHandleA("kernel32.dll");
    const FARPROC proc = hKernel32 ? GetProcAddress(hKernel32, "SetProcessInformation") : nullptr;
    if (!proc)
        return;
    const auto setProcessInformation =
        reinterpret_cast<SetProcessInformationFn>(reinterpret_cast<void*>(proc));
    PowerThrottlingState state = {kPowerThrottlingCurrentVersion, kPowerThrottlingExecutionSpeed, 0};
    setProcessInformation(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state);
}

} // namespace

const DIDATAFORMAT c_dfRateMouse = {
    sizeof(DIDATAFORMAT),
    sizeof(DIOBJECTDATAFORMAT),
    DIDF_RELAXIS,
    12, // X and Y as LONG, two button bytes, two bytes of padding
    sizeof(s_rgodfRateMouse) / sizeof(s_rgodfRateMouse[0]),
    s_rgodfRateMouse,
};

double IntervalMs(LONGLONG ticks, LONGLONG frequency)
{
    if (frequency <= 0)
        return 0.0;
    return static_cast<double>(ticks) * 1000.0 / static_cast<double>(frequency);
}

CMouse::CMouse()
    : m_bRunning(false), m_bStop(false), m_pDI(nullptr), m_pDevice(nullptr),
      m_hEvent(nullptr), m_nRead(0), m_nWrite(0)
{
}

CMouse::~CMouse()
{
    if (m_bRunning.load(std::memory_order_acquire))
        Stop();

    if (m_pDevice) {
        m_pDevice->Unacquire(); // no effect when the window's end already let go
        m_pDevice->Release();
    }
    if (m_pDI)
        m_pDI->Release();
    if (m_hEvent)
        CloseHandle(m_hEvent);
}

bool CMouse::Create(HWND hWnd)
{
    if (FAILED(DirectInput8Create(AfxGetModuleState()->m_hCurrentInstanceHandle,
                                  DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&m_pDI), nullptr)))
        return false;
    if (FAILED(m_pDI->CreateDevice(GUID_SysMouse, &m_pDevice, nullptr)))
        return false;
    if (FAILED(m_pDevice->SetDataFormat(&c_dfRateMouse)))
        return false;
    if (FAILED(m_pDevice->SetCooperativeLevel(hWnd, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)))
        return false;

    DIPROPDWORD dipdw;
    dipdw.diph.dwSize = sizeof(DIPROPDWORD);
    dipdw.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    dipdw.diph.dwObj = 0;
    dipdw.diph.dwHow = DIPH_DEVICE;
    dipdw.dwData = kBufferedRecords;
    if (FAILED(m_pDevice->SetProperty(DIPROP_BUFFERSIZE, &dipdw.diph)))
        return false;

    // Without an event the sampling thread's every wait would fail at once and
    // it would spin at time-critical priority, so a missing event is a failure.
    m_hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!m_hEvent)
        return false;

    // Only DI_OK will do. A positive code is no success here: from
    // SetEventNotification DI_POLLEDDEVICE says the event will not be signalled,
    // and from Acquire S_FALSE says the device was already acquired.
    if (m_pDevice->SetEventNotification(m_hEvent) != DI_OK)
        return false;
    return m_pDevice->Acquire() == DI_OK;
}

void CMouse::Start()
{
    SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS);
    OptOutOfPowerThrottling();

    // Marked running before the thread exists: a Stop (or destruction) right
    // after Start must wait for the thread rather than race its first instruction.
    m_bRunning.store(true, std::memory_order_relaxed);
    if (!AfxBeginThread(MouseThreadProc, this, THREAD_PRIORITY_TIME_CRITICAL, 0, 0, nullptr))
        m_bRunning.store(false, std::memory_order_release);
}

UINT MouseThreadProc(LPVOID pParam)
{
    static_cast<CMouse*>(pParam)->Run();
    return 0;
}

void CMouse::Run()
{
    m_bRunning.store(true, std::memory_order_relaxed);

    LARGE_INTEGER frequency, last, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&last);

    // INFINITE while the device is acquired; the retry period while it is lost.
    DWORD timeout = INFINITE;
    try {
        while (!m_bStop.load(std::memory_order_acquire)) {
            const DWORD wait = WaitForSingleObject(m_hEvent, timeout);
            if (wait == WAIT_FAILED)
                break; // no valid event: nothing can ever wake this loop properly
            if (wait == WAIT_TIMEOUT) {
                // No report woke us, so no interval: only another try at the
                // device. Once it is acquired, its reports signal the event again.
                if (SUCCEEDED(m_pDevice->Acquire()))
                    timeout = INFINITE;
                continue;
            }
            if (wait != WAIT_OBJECT_0)
                continue;

            QueryPerformanceCounter(&now); // first thing after waking
            timeout = DrainDevice() ? INFINITE : kReacquireRetryMs;
            // A counter without a usable frequency cannot measure an interval.
            if (frequency.QuadPart > 0)
                Push(IntervalMs(now.QuadPart - last.QuadPart, frequency.QuadPart));
            last = now;
        }
    } catch (CException* e) {
        // A framework exception out of a device call or the queue ends
        // sampling, but the flag below must still be cleared or Stop would
        // wait for ever.
        e->Delete();
    }

    // Last access to this object: after this store the dialog thread may destroy it.
    m_bRunning.store(false, std::memory_order_release);
}

bool CMouse::DrainDevice()
{
    DIDEVICEOBJECTDATA od;
    DWORD dwElements = 1;
    for (;;) {
        const HRESULT hr = m_pDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), &od, &dwElements, 0);
        // Lost to the system, or never got back: the buffer is gone either way.
        // S_FALSE from Acquire means it is acquired already.
        if (hr == DIERR_INPUTLOST || hr == DIERR_NOTACQUIRED)
            return SUCCEEDED(m_pDevice->Acquire());
        // Positive codes such as DI_BUFFEROVERFLOW still delivered a record.
        if (FAILED(hr) || dwElements == 0)
            return true;
    }
}

void CMouse::Stop()
{
    m_bStop.store(true, std::memory_order_release);
    if (m_hEvent)
        SetEvent(m_hEvent);
    while (m_bRunning.load(std::memory_order_acquire))
        Sleep(0);
    m_bStop.store(false, std::memory_order_relaxed);
}

void CMouse::Unacquire()
{
    if (!m_pDevice)
        return;
    m_pDevice->Unacquire();
    m_pDevice->SetEventNotification(nullptr);
}

BOOL CMouse::Push(double ms)
{
    CSingleLock lock(&m_cs);
    lock.Lock();
    ++m_nWrite;
    if ((m_nWrite & kQueueMask) == (m_nRead & kQueueMask))
        ++m_nRead; // full: the oldest unread interval makes room
    m_samples[(m_nWrite - 1) & kQueueMask] = ms;
    lock.Unlock();
    return TRUE;
}

BOOL CMouse::Pop(double* pMs)
{
    CSingleLock lock(&m_cs);
    lock.Lock();
    BOOL bResult = FALSE;
    if (m_nRead != m_nWrite) {
        *pMs = m_samples[m_nRead & kQueueMask];
        ++m_nRead;
        if (m_nRead == m_nWrite)
            m_nRead = m_nWrite = 0; // drained: restart at slot 0
        bResult = TRUE;
    }
    lock.Unlock();
    return bResult;
}
