#include "framework/StringT.h"

#include <cstdio>

template <typename BaseType>
void CStringT<BaseType>::AppendFormatV(const BaseType* pszFormat, va_list args)
{
    // Format straight into the spare capacity; grow and format again only when
    // the text does not fit.
    const size_t oldLength = m_str.size();
    size_t room = m_str.capacity() - oldLength;
    if (room < 32)
        room = 32;
    for (;;) {
        m_str.resize(oldLength + room);
        va_list copy;
        va_copy(copy, args);
        const int n = std::vsnprintf(&m_str[oldLength], room + 1, pszFormat, copy);
        va_end(copy);
        if (n < 0) {
            m_str.resize(oldLength);
            return;
        }
        if (static_cast<size_t>(n) <= room) {
            m_str.resize(oldLength + n);
            return;
        }
        room = static_cast<size_t>(n);
    }
}

template class CStringT<char>;
