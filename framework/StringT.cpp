#include "framework/StringT.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/Exception.h"

template <typename BaseType>
CStringT<BaseType>::CStringT(const BaseType* psz)
{
    if (psz)
        Append(psz, std::strlen(psz));
}

template <typename BaseType>
CStringT<BaseType>::~CStringT()
{
    std::free(m_pszData);
}

template <typename BaseType>
void CStringT<BaseType>::Empty()
{
    m_nLength = 0;
    if (m_pszData)
        m_pszData[0] = 0;
}

template <typename BaseType>
void CStringT<BaseType>::Reserve(size_t length)
{
    if (length <= m_nCapacity && m_pszData)
        return;
    // Grow by half again at least, so that appending piece by piece stays linear.
    size_t capacity = m_nCapacity + m_nCapacity / 2;
    if (capacity < length)
        capacity = length;
    if (capacity < 31)
        capacity = 31;
    void* p = std::realloc(m_pszData, capacity + 1);
    if (!p)
        AfxThrowMemoryException(); // the string is left as it was
    m_pszData = static_cast<BaseType*>(p);
    m_pszData[m_nLength] = 0;
    m_nCapacity = capacity;
}

template <typename BaseType>
void CStringT<BaseType>::Append(const BaseType* psz, size_t length)
{
    Reserve(m_nLength + length);
    std::memcpy(m_pszData + m_nLength, psz, length);
    m_nLength += length;
    m_pszData[m_nLength] = 0;
}

template <typename BaseType>
void CStringT<BaseType>::AppendFormatV(const BaseType* pszFormat, va_list args)
{
    // Format straight into the spare room; grow and format again only when
    // the text does not fit.
    Reserve(m_nLength);
    for (;;) {
        const size_t room = m_nCapacity - m_nLength;
        va_list copy;
        va_copy(copy, args);
        const int n = std::vsnprintf(m_pszData + m_nLength, room + 1, pszFormat, copy);
        va_end(copy);
        if (n < 0) {
            m_pszData[m_nLength] = 0; // a format error appends nothing
            return;
        }
        if (static_cast<size_t>(n) <= room) {
            m_nLength += static_cast<size_t>(n);
            return;
        }
        Reserve(m_nLength + static_cast<size_t>(n));
    }
}

template class CStringT<char>;
