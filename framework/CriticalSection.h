// A Win32 critical section as a framework lock object.
//
// Construction throws CMemoryException* (AfxThrowMemoryException) when the
// system cannot initialise the critical section. Once made, the section cannot
// fail: Lock waits for it as long as it takes. The section lives exactly as
// long as the object.
#pragma once

#include "framework/SyncObject.h"

class CCriticalSection : public CSyncObject {
public:
    CCriticalSection();
    ~CCriticalSection() override;

    // Enters the section, waiting as long as it takes; the timeout is ignored,
    // as a critical section cannot time out. Always returns TRUE, once entered.
    BOOL Lock(DWORD dwTimeout = INFINITE) override;
    BOOL Unlock() override;

    operator CRITICAL_SECTION*() { return &m_sect; }

private:
    CRITICAL_SECTION m_sect;
};
