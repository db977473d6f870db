// The dialog template as compiled into the program: read back from the
// executable's resources and compared field by field with the design.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

#include "res/resource.h"

namespace {

// Reads an extended dialog template (DLGTEMPLATEEX and its DLGITEMTEMPLATEEX
// items), which has no declared C structure because of its variable parts.
class CTemplateReader {
public:
    explicit CTemplateReader(const BYTE* p) : m_base(p), m_p(p) {}

    WORD Word() { WORD v; std::memcpy(&v, m_p, 2); m_p += 2; return v; }
    DWORD Dword() { DWORD v; std::memcpy(&v, m_p, 4); m_p += 4; return v; }
    BYTE Byte() { return *m_p++; }
    short Short() { return static_cast<short>(Word()); }
    // A string or, after 0xFFFF, an ordinal written as "#n".
    std::string SzOrOrd()
    {
        WORD w = Word();
        if (w == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string s;
        for (; w; w = Word())
            s += static_cast<char>(w);
        return s;
    }
    void AlignDword() { m_p = m_base + ((m_p - m_base + 3) & ~3); }

private:
    const BYTE* m_base;
    const BYTE* m_p;
};

struct Item {
    DWORD helpId, exStyle, style;
    short x, y, cx, cy;
    DWORD id;
    std::string cls, text;
    WORD extra;

    bool operator==(const Item& o) const
    {
        return helpId == o.helpId && exStyle == o.exStyle && style == o.style && x == o.x &&
               y == o.y && cx == o.cx && cy == o.cy && id == o.id && cls == o.cls &&
               text == o.text && extra == o.extra;
    }
};

std::ostream& operator<<(std::ostream& os, const Item& i)
{
    return os << std::hex << "{help " << i.helpId << ", ex " << i.exStyle << ", style " << i.style
              << std::dec << ", " << i.x << "," << i.y << " " << i.cx << "x" << i.cy << ", id "
              << static_cast<int>(i.id) << ", class " << i.cls << ", \"" << i.text << "\", extra "
              << i.extra << "}";
}

} // namespace

TEST(RateDlgTemplate, IsTheDesignedDialogInUsEnglish)
{
    HRSRC hRes = FindResourceExA(nullptr, RT_DIALOG, MAKEINTRESOURCEA(IDD_RATE_DIALOG),
                                 MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(nullptr, hRes) << "no English (US) dialog 102 in the program";
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, hRes)));
    ASSERT_NE(nullptr, p);
    CTemplateReader r(p);

    EXPECT_EQ(1, r.Word()) << "dlgVer";
    EXPECT_EQ(0xFFFF, r.Word()) << "an extended template";
    EXPECT_EQ(0u, r.Dword()) << "help id";
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW), r.Dword()) << "extended style";
    EXPECT_EQ(0x90C800C8u, r.Dword()) << "style";
    const WORD items = r.Word();
    EXPECT_EQ(5, items);
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(0, r.Short());
    EXPECT_EQ(165, r.Short());
    EXPECT_EQ(217, r.Short());
    EXPECT_EQ("", r.SzOrOrd()) << "menu";
    EXPECT_EQ("", r.SzOrOrd()) << "class";
    EXPECT_EQ("Ombrix's DirectInput Tavrel", r.SzOrOrd());
    EXPECT_EQ(8, r.Word()) << "point size";
    EXPECT_EQ(0, r.Word()) << "weight";
    EXPECT_EQ(0, r.Byte()) << "italic";
    EXPECT_EQ(1, r.Byte()) << "character set";
    EXPECT_EQ("MS Shell Dlg", r.SzOrOrd());

    // Classes by the system's ordinals: 0x80 button, 0x81 edit, 0x83 list box.
    const std::vector<Item> expected = {
        {0, 0, 0x50010001, 59, 192, 50, 16, IDOK, "#128", "OK", 0},
        {0, WS_EX_RIGHT, 0x50A15101, 19, 19, 54, 155, IDC_HISTORY_LIST, "#131", "", 0},
        {0, WS_EX_RIGHT, 0x50810880, 98, 161, 50, 14, IDC_AVERAGE_EDIT, "#129", "", 0},
        {0, 0, 0x50000007, 11, 8, 70, 174, 0xFFFFFFFF, "#128", "History", 0},
        {0, 0, 0x50000007, 91, 150, 64, 32, 0xFFFFFFFF, "#128", "Average", 0},
    };
    std::vector<Item> actual;
    for (WORD i = 0; i < items && i < 16; ++i) {
        r.AlignDword();
        Item it;
        it.helpId = r.Dword();
        it.exStyle = r.Dword();
        it.style = r.Dword();
        it.x = r.Short();
        it.y = r.Short();
        it.cx = r.Short();
        it.cy = r.Short();
        it.id = r.Dword();
        it.cls = r.SzOrOrd();
        it.text = r.SzOrOrd();
        it.extra = r.Word();
        actual.push_back(it);
    }
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(expected[i], actual[i]) << "control " << i;
}
