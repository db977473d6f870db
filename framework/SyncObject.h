// Base of the framework's lock objects, so a CSingleLock can work on any of them.
#pragma once

#include <windows.h>

class CSyncObject {
public:
    virtual ~CSyncObject() = default;
    virtual BOOL Lock(DWORD dwTimeout = INFINITE) = 0;
    virtual BOOL Unlock() = 0;

protected:
    CSyncObject() = default;
    CSyncObject(const CSyncObject&) = delete;
    CSyncObject& operator=(const CSyncObject&) = delete;
};
