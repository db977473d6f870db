#include "framework/Exception.h"

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

void AfxThrowMemoryException()
{
    static CMemoryException s_memoryException(FALSE);
    throw static_cast<CMemoryException*>(&s_memoryException);
}
