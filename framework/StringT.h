// CStringT: the framework's string class, here for narrow characters only
// (CStringA, CString). Its buffer is kept across Empty, so a string reused for
// one format after another stops allocating once it is large enough.
// Formatting follows the C library's printf, C99 rules (infinity prints "inf").
#pragma once

#include <cstdarg>
#include <string>
#include <type_traits>

template <typename BaseType>
class CStringT {
    static_assert(std::is_same<BaseType, char>::value, "narrow strings only");

public:
    CStringT() = default;
    CStringT(const BaseType* psz) : m_str(psz ? psz : "") {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    const BaseType* GetString() const { return m_str.c_str(); }
    operator const BaseType*() const { return m_str.c_str(); }

    // Makes the string empty; its storage is kept for reuse.
    void Empty() { m_str.clear(); }

    // Appends text formatted as printf would format it.
    void AppendFormat(const BaseType* pszFormat, ...)
    {
        va_list args;
        va_start(args, pszFormat);
        AppendFormatV(pszFormat, args);
        va_end(args);
    }
    void AppendFormatV(const BaseType* pszFormat, va_list args);

private:
    std::basic_string<BaseType> m_str;
};

typedef CStringT<char> CStringA;
typedef CStringA CString;

extern template class CStringT<char>;
