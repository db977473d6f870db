// CMouse with its device replaced by a CFakeDevice and a real auto-reset event,
// and with its protected state readable by tests.
#pragma once

#include "sampling/Mouse.h"
#include "tests/support/FakeDevice.h"

class CTestMouse : public CMouse {
public:
    explicit CTestMouse(CFakeDevice* pDevice) : m_pFake(pDevice) {}

    // Installs the fake in place of the real device. The CMouse destructor
    // releases it and closes the event, as it would the real ones.
    bool Create(HWND) override
    {
        m_pDevice = m_pFake;
        m_hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        return m_hEvent != nullptr;
    }

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
