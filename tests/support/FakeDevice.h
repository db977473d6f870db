// A scripted stand-in for a DirectInput 8 mouse device, placed where the real
// device would be (CMouse::m_pDevice) so the product's calls stay unchanged:
// installed directly by CTestMouse, or handed out by CFakeDirectInput.
//
// Reads take one buffered record at a time, as the real device does: while
// `records` is positive a read returns one record and DI_OK, then a count of 0.
// QueueStatuses (front first) overrides the status of the next reads. Every
// call is counted; the counters are atomic because the sampling thread makes
// the calls while a test thread reads them.
#pragma once

#include <windows.h>

#include <dinput.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// What the scripted COM objects share: the calls made on them, by name and in
// order, and their references. An object starts with none: whoever it is
// handed to gets one (HandOut), which its Release gives back.
class CFakeComObject {
public:
    // The calls made so far, by name (device reads are counted, not listed).
    std::vector<std::string> Calls();
    // A reference for whoever the object is handed to; not a call.
    void HandOut() { ++m_refs; }

    std::atomic<int> releases{0};
    std::atomic<int> unexpectedCalls{0};    // calls the product never makes
    std::atomic<int> callsAfterRelease{0};  // any call while no reference is held

protected:
    void Record(const char* name);
    ULONG AddReference();
    ULONG DropReference();
    HRESULT NoInterface(void** ppvObject);

    std::atomic<LONG> m_refs{0};

private:
    std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

class CFakeDevice : public IDirectInputDevice8A, public CFakeComObject {
public:
    CFakeDevice();
    virtual ~CFakeDevice();

    // ---- script ----
    std::atomic<int> records{0};            // records waiting in the buffer
    void QueueStatuses(std::initializer_list<HRESULT> statuses);
    void AlwaysReturn(HRESULT status);      // every read returns this, with no record
    // Runs on the sampling thread at the first read of each wake-up, after that
    // read's counting and before its result is returned.
    std::function<void()> onFirstRead;
    HRESULT acquireStatus = DI_OK;
    // Statuses of the next Acquire calls (front first); then acquireStatus.
    void QueueAcquireStatuses(std::initializer_list<HRESULT> statuses);
    HRESULT setEventNotificationStatus = DI_OK;

    // ---- what happened ----
    std::atomic<int> reads{0};
    std::atomic<int> acquires{0};
    std::atomic<int> unacquires{0};
    std::atomic<int> wakeups{0};            // drains begun (reads after a finished drain)
    std::atomic<LONGLONG> firstReadCounter{0}; // performance counter at the latest wake-up's first read
    HANDLE hDrained;                        // auto-reset; set whenever a drain ends
                                            // (after input lost: at the re-acquire)
    HANDLE hEventNotified = nullptr;        // the event given to SetEventNotification
    HANDLE hAcquired;                       // auto-reset; set whenever Acquire succeeds
    // Whether the window given to SetCooperativeLevel still existed (IsWindow)
    // at the latest Unacquire and the latest SetEventNotification(NULL): 1 or
    // 0, and -1 before any such call.
    std::atomic<int> windowAtUnacquire{-1};
    std::atomic<int> windowAtNotificationOff{-1};

    // ---- IUnknown ----
    STDMETHOD_(HRESULT, QueryInterface)(REFIID riid, void** ppvObject) override;
    STDMETHOD_(ULONG, AddRef)() override;
    STDMETHOD_(ULONG, Release)() override;

    // ---- used by CMouse ----
    STDMETHOD(SetProperty)(REFGUID rguidProp, LPCDIPROPHEADER pdiph) override;
    STDMETHOD(Acquire)() override;
    STDMETHOD(Unacquire)() override;
    STDMETHOD(GetDeviceData)(DWORD cbObjectData, LPDIDEVICEOBJECTDATA rgdod, LPDWORD pdwInOut,
                             DWORD dwFlags) override;
    STDMETHOD(SetDataFormat)(LPCDIDATAFORMAT lpdf) override;
    STDMETHOD(SetEventNotification)(HANDLE hEvent) override;
    STDMETHOD(SetCooperativeLevel)(HWND hwnd, DWORD dwFlags) override;

    // What the product passed.
    LPCDIDATAFORMAT dataFormat = nullptr;
    DIPROPDWORD bufferSize = {};
    const GUID* propertyId = nullptr;       // the property's identity, by address
    HWND cooperativeWindow = nullptr;
    DWORD cooperativeFlags = 0;
    DWORD lastReadSize = 0;
    DWORD lastReadFlags = 0;
    DWORD lastReadCountIn = 0;
    HRESULT setDataFormatStatus = DI_OK;
    HRESULT setCooperativeLevelStatus = DI_OK;
    HRESULT setPropertyStatus = DI_OK;

    // ---- not used by CMouse: counted as unexpected ----
    STDMETHOD(GetCapabilities)(LPDIDEVCAPS) override;
    STDMETHOD(EnumObjects)(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override;
    STDMETHOD(GetProperty)(REFGUID, LPDIPROPHEADER) override;
    STDMETHOD(GetDeviceState)(DWORD, LPVOID) override;
    STDMETHOD(GetObjectInfo)(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override;
    STDMETHOD(GetDeviceInfo)(LPDIDEVICEINSTANCEA) override;
    STDMETHOD(RunControlPanel)(HWND, DWORD) override;
    STDMETHOD(Initialize)(HINSTANCE, DWORD, REFGUID) override;
    STDMETHOD(CreateEffect)(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*, LPUNKNOWN) override;
    STDMETHOD(EnumEffects)(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override;
    STDMETHOD(GetEffectInfo)(LPDIEFFECTINFOA, REFGUID) override;
    STDMETHOD(GetForceFeedbackState)(LPDWORD) override;
    STDMETHOD(SendForceFeedbackCommand)(DWORD) override;
    STDMETHOD(EnumCreatedEffectObjects)(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID, DWORD) override;
    STDMETHOD(Escape)(LPDIEFFESCAPE) override;
    STDMETHOD(Poll)() override;
    STDMETHOD(SendDeviceData)(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override;
    STDMETHOD(EnumEffectsInFile)(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) override;
    STDMETHOD(WriteEffectToFile)(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override;
    STDMETHOD(BuildActionMap)(LPDIACTIONFORMATA, LPCSTR, DWORD) override;
    STDMETHOD(SetActionMap)(LPDIACTIONFORMATA, LPCSTR, DWORD) override;
    STDMETHOD(GetImageInfo)(LPDIDEVICEIMAGEINFOHEADERA) override;

private:
    std::atomic<bool> m_inDrain{false};
    std::atomic<bool> m_reacquirePending{false};
    std::mutex m_statusMutex;
    std::deque<HRESULT> m_statuses;
    std::deque<HRESULT> m_acquireStatuses;
    bool m_always = false;
    HRESULT m_alwaysStatus = DI_OK;
};
