// Framework exceptions. They are thrown as pointers, and whoever catches one
// disposes of it with Delete().
#pragma once

#include <windows.h>

class CException {
public:
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}
    virtual ~CException() = default;

    // Frees the exception if it was allocated for this throw; a shared,
    // preallocated exception object is left alone.
    void Delete();

protected:
    BOOL m_bAutoDelete;
};

class CMemoryException : public CException {
public:
    explicit CMemoryException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
};

// Throws the one preallocated CMemoryException: reporting a lack of memory
// must not itself need memory.
[[noreturn]] void AfxThrowMemoryException();
