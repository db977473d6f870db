#include "framework/CriticalSection.h"

#include "framework/Exception.h"

CCriticalSection::CCriticalSection()
{
    // Unlike InitializeCriticalSection, this variant reports a failure to
    // allocate the section's resources instead of raising a structured exception.
    if (!InitializeCriticalSectionAndSpinCount(&m_sect, 0))
        AfxThrowMemoryException();
}

CCriticalSection::~CCriticalSection()
{
    DeleteCriticalSection(&m_sect);
}

BOOL CCriticalSection::Lock(DWORD /*dwTimeout*/)
{
    EnterCriticalSection(&m_sect);
    return TRUE;
}

BOOL CCriticalSection::Unlock()
{
    LeaveCriticalSection(&m_sect);
    return TRUE;
}
