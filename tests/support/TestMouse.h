// CMouse with its protected state readable by tests. Made with a CFakeDevice,
// its Create installs that device and a real auto-reset event of its own in
// place of DirectInput's; made without, Create is the product's own.
#pragma once

#include <vector>

#include "sampling/Mouse.h"
#include "tests/support/FakeDevice.h"

class CTestMouse final : public CMouse {
public:
    explicit CTestMouse(CFakeDevice* pDevice = nullptr) : m_pFake(pDevice) {}

    // With a fake, the CMouse destructor releases it and closes the event, as
    // it would the real ones.
    bool Create(HWND hWnd) override
    {
        if (!m_pFake)
            return CMouse::Create(hWnd);
        m_pFake->HandOut();
        m_pDevice = m_pFake;
        m_hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        return m_hEvent != nullptr;
    }

    IDirectInput8A* DI() const { return m_pDI; }
    void** DIField() { return reinterpret_cast<void**>(&m_pDI); }
    IDirectInputDevice8A* Device() const { return m_pDevice; }
    HANDLE Event() const { return m_hEvent; }
    bool Running() const { return m_bRunning.load(); }
    bool Stopping() const { return m_bStop.load(); }
    uint32_t ReadCounter() const { return m_nRead; }
    uint32_t WriteCounter() const { return m_nWrite; }
    void SetCounters(uint32_t nRead, uint32_t nWrite) { m_nRead = nRead; m_nWrite = nWrite; }
    // Replaces the event with a handle that no wait can succeed on.
    void BreakEvent()
    {
        CloseHandle(m_hEvent);
        m_hEvent = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0xDEAD0));
    }
    // Drops the sampler's reference to its event so the destructor leaves it
    // alone; the caller then owns the handle.
    HANDLE TakeEvent()
    {
        HANDLE h = m_hEvent;
        m_hEvent = nullptr;
        return h;
    }

    // Pops everything queued, oldest first.
    std::vector<double> PopAll()
    {
        std::vector<double> out;
        double ms;
        while (Pop(&ms))
            out.push_back(ms);
        return out;
    }

private:
    CFakeDevice* m_pFake;
};
