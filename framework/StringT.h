// CStringT: the framework's string class, here for narrow characters only
// (CStringA, CString). Its buffer is kept across Empty, so a string reused for
// one format after another stops allocating once it is large enough.
// Formatting follows the C library's printf, C99 rules (infinity prints "inf").
// A string that cannot get the memory it needs throws CMemoryException.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <type_traits>

template <typename BaseType>
class CStringT {
    static_assert(std::is_same<BaseType, char>::value, "narrow strings only");

public:
    CStringT() = default;
    CStringT(const BaseType* psz);
    ~CStringT();

    // The program formats into a string and reads it back; it never copies one.
    CStringT(const CStringT&) = delete;
    CStringT& operator=(const CStringT&) = delete;

    int GetLength() const { return static_cast<int>(m_nLength); }
    bool IsEmpty() const { return m_nLength == 0; }
    const BaseType* GetString() const { return m_pszData ? m_pszData : ""; }
    operator const BaseType*() const { return GetString(); }

    // Makes the string empty; its storage is kept for reuse.
    void Empty();

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
    // Makes room for `length` characters and the terminator, keeping the text.
    void Reserve(size_t length);
    void Append(const BaseType* psz, size_t length);

    BaseType* m_pszData = nullptr; // null until the first character is stored
    size_t m_nLength = 0;
    size_t m_nCapacity = 0;        // characters that fit, not counting the terminator
};

typedef CStringT<char> CStringA;
typedef CStringA CString;

extern template class CStringT<char>;
