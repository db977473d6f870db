// Scoped use of one lock object. Unlock after Unlock does nothing, and the
// destructor releases the lock only if this object still holds it, so a
// function may unlock explicitly and still be safe when an exception leaves it.
#pragma once

#include "framework/SyncObject.h"

class CSingleLock {
public:
    explicit CSingleLock(CSyncObject* pObject, BOOL bInitialLock = FALSE);
    ~CSingleLock();

    // Returns TRUE once the lock is held (at once if this object already holds
    // it). Exceptions of the lock object propagate with the lock not held.
    BOOL Lock(DWORD dwTimeout = INFINITE);
    // Returns TRUE; releases the lock only if this object holds it.
    BOOL Unlock();
    BOOL IsLocked() const { return m_bAcquired; }

    CSingleLock(const CSingleLock&) = delete;
    CSingleLock& operator=(const CSingleLock&) = delete;

private:
    CSyncObject* m_pObject;
    BOOL m_bAcquired;
};
