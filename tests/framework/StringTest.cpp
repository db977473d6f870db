// CStringT (narrow CString): Empty keeps the storage for reuse, AppendFormat
// appends exactly what printf would print, however long.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "framework/StringT.h"

TEST(CString, EmptyKeepsTheStorageForTheNextFormat)
{
    CString s;
    s.AppendFormat("%s", std::string(200, 'x').c_str());
    const char* storage = s.GetString();

    s.Empty();
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_EQ(0, s.GetLength());
    EXPECT_STREQ("", s.GetString());

    for (double rate : {125.0, 8000.0, 15.625}) {
        s.Empty();
        s.AppendFormat("%4.3f Hz", rate);
        EXPECT_EQ(storage, s.GetString()) << "reallocated for " << s.GetString();
    }
    EXPECT_STREQ("15.625 Hz", s.GetString());
}

TEST(CString, AppendFormatAppendsWhatPrintfPrints)
{
    struct Case {
        const char* format;
        double value;
        const char* expected;
    };
    for (const Case c : {Case{"%4.3f ms", 8.0, "8.000 ms"},
                         Case{"%4.3f ms", 0.0, "0.000 ms"},
                         Case{"%4.3f ms", 8.0005, "8.001 ms"}, // 8.0005 is stored just above
                         Case{"%4.3f ms", 0.0004999, "0.000 ms"},
                         Case{"%4.3f Hz", 999.99999, "1000.000 Hz"},
                         Case{"%4.3f Hz", 1000.0 / (1000.0 / 999), "999.000 Hz"},
                         Case{"%4.3f Hz", HUGE_VAL, " inf Hz"}, // C99: "inf", padded to the width
                         Case{"%9.3f|", 2.5, "    2.500|"},
                         Case{"%-9.1f|", 2.25, "2.2      |"},
                         Case{"%e", 1234.5, "1.234500e+03"},
                         Case{"%g", 0.0001, "0.0001"}}) {
        CString s("<");
        s.AppendFormat(c.format, c.value);
        EXPECT_EQ(std::string("<") + c.expected, s.GetString()) << "format " << c.format;
    }

    CString mixed("a");
    mixed.AppendFormat("%d-%s-%c", 7, "xy", 'z');
    mixed.AppendFormat("%%%u", 42u);
    EXPECT_STREQ("a7-xy-z%42", mixed.GetString());
    EXPECT_EQ(10, mixed.GetLength());
}

TEST(CString, LongAppendsGrowTheStringByExactlyTheirText)
{
    // Every length around the first buffer and its later growth, appended to
    // texts of every length around them too.
    for (size_t before : {0u, 1u, 14u, 15u, 16u, 31u, 32u, 33u, 100u}) {
        for (size_t length = 0; length < 300; ++length) {
            const std::string head(before, 'h');
            std::string tail(length, 'a');
            for (size_t i = 0; i < length; ++i)
                tail[i] = static_cast<char>('a' + i % 26);
            CString s(head.c_str());
            s.AppendFormat("%s", tail.c_str());
            if (s.GetString() != head + tail || s.GetLength() != static_cast<int>(before + length)) {
                ADD_FAILURE() << "appending " << length << " to " << before << " characters gave "
                              << s.GetLength() << " characters";
                return;
            }
        }
    }

    CString big;
    big.AppendFormat("%*d|", 5000, 12345);
    big.AppendFormat("%s", std::string(70000, 'q').c_str());
    ASSERT_EQ(75001, big.GetLength());
    EXPECT_EQ(std::string(4995, ' ') + "12345|", std::string(big.GetString(), 5001));
    EXPECT_EQ('q', big.GetString()[75000]);
    EXPECT_EQ('\0', big.GetString()[75001]);
}
