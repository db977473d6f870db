// The resources of the built Tavrel.exe, read back from the file itself: the
// icon group and its images, the dialog template's language, and the version
// resource down to the order of its string keys.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

const WORD kUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US); // 0x0409
const WORD kUk = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK); // 0x0809

// The program under test: the Tavrel.exe beside this test (the Windows test
// bundle), else the one of the build.
std::string TavrelExe()
{
    char path[MAX_PATH] = "";
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string beside(path, length);
    beside.erase(beside.find_last_of('\\') + 1);
    beside += "Tavrel.exe";
    return GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES ? beside : TAVREL_EXE_PATH;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR p)
{
    reinterpret_cast<std::vector<WORD>*>(p)->push_back(lang);
    return TRUE;
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_h = LoadLibraryExA(TavrelExe().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(nullptr, m_h) << "cannot load " << TavrelExe() << " as a resource module, error "
                                << GetLastError();
    }
    void TearDown() override
    {
        if (m_h)
            FreeLibrary(m_h);
    }

    std::vector<WORD> Languages(LPCSTR type, LPCSTR name) const
    {
        std::vector<WORD> langs;
        EnumResourceLanguagesA(m_h, type, name, &AddLanguage, reinterpret_cast<LONG_PTR>(&langs));
        return langs;
    }

    // The bytes of one resource in one language; empty when there is none.
    std::vector<BYTE> Data(LPCSTR type, LPCSTR name, WORD lang) const
    {
        HRSRC r = FindResourceExA(m_h, type, name, lang);
        if (!r)
            return {};
        HGLOBAL g = LoadResource(m_h, r);
        const BYTE* p = static_cast<const BYTE*>(LockResource(g));
        return p ? std::vector<BYTE>(p, p + SizeofResource(m_h, r)) : std::vector<BYTE>{};
    }

    HMODULE m_h = nullptr;
};

#pragma pack(push, 2)
struct GroupIconDir {
    WORD idReserved;
    WORD idType;
    WORD idCount;
};
struct GroupIconEntry {
    BYTE bWidth;
    BYTE bHeight;
    BYTE bColorCount;
    BYTE bReserved;
    WORD wPlanes;
    WORD wBitCount;
    DWORD dwBytesInRes;
    WORD nId;
};
#pragma pack(pop)

TEST_F(Resources, IconGroupHoldsNineImagesInOrderInBritishEnglish)
{
    const LPCSTR group = MAKEINTRESOURCEA(IDR_MAINFRAME);
    EXPECT_EQ(std::vector<WORD>{kUk}, Languages(RT_GROUP_ICON, group));

    const std::vector<BYTE> data = Data(RT_GROUP_ICON, group, kUk);
    ASSERT_GE(data.size(), sizeof(GroupIconDir));
    GroupIconDir dir;
    memcpy(&dir, data.data(), sizeof dir);
    EXPECT_EQ(1, dir.idType) << "an icon group, not a cursor group";
    ASSERT_EQ(9, dir.idCount);
    ASSERT_EQ(sizeof(GroupIconDir) + 9 * sizeof(GroupIconEntry), data.size());

    struct Expected {
        int size;
        int bits;
    };
    const Expected expected[9] = {{48, 4}, {32, 4}, {16, 4}, {48, 8}, {32, 8},
                                  {16, 8}, {48, 24}, {32, 24}, {16, 24}};
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE("group entry " + std::to_string(i));
        GroupIconEntry e;
        memcpy(&e, data.data() + sizeof dir + i * sizeof e, sizeof e);
        EXPECT_EQ(i + 1, e.nId);
        EXPECT_EQ(expected[i].size, e.bWidth);
        EXPECT_EQ(expected[i].size, e.bHeight);
        EXPECT_EQ(expected[i].bits, e.wBitCount);
        EXPECT_EQ(expected[i].bits == 4 ? 16 : 0, e.bColorCount);

        // The image itself: a DIB of the same size (colour and mask stacked,
        // so twice as high) and depth, with as many bytes as the group says.
        EXPECT_EQ(std::vector<WORD>{kUk}, Languages(RT_ICON, MAKEINTRESOURCEA(e.nId)));
        const std::vector<BYTE> image = Data(RT_ICON, MAKEINTRESOURCEA(e.nId), kUk);
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(e.dwBytesInRes, image.size());
        BITMAPINFOHEADER bih;
        memcpy(&bih, image.data(), sizeof bih);
        EXPECT_EQ(expected[i].size, bih.biWidth);
        EXPECT_EQ(2 * expected[i].size, bih.biHeight);
        EXPECT_EQ(expected[i].bits, bih.biBitCount);
    }
}

TEST_F(Resources, IconLoadsAtTheStandardSize)
{
    HICON icon = LoadIconA(m_h, MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(nullptr, icon) << "error " << GetLastError();
    ICONINFO ii = {};
    ASSERT_TRUE(GetIconInfo(icon, &ii));
    BITMAP bm = {};
    GetObjectA(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), bm.bmWidth);
    if (ii.hbmColor)
        DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
}

TEST_F(Resources, DialogTemplateIsInAmericanEnglish)
{
    EXPECT_EQ(std::vector<WORD>{kUs}, Languages(RT_DIALOG, MAKEINTRESOURCEA(IDD_RATE_DIALOG)));
    const std::vector<BYTE> data = Data(RT_DIALOG, MAKEINTRESOURCEA(IDD_RATE_DIALOG), kUs);
    ASSERT_GE(data.size(), 4u);
    WORD ver[2];
    memcpy(ver, data.data(), sizeof ver);
    EXPECT_EQ(1, ver[0]);
    EXPECT_EQ(0xFFFF, ver[1]) << "an extended dialog template";
}

// One node of a version resource: a key, its value bytes and its children.
struct VerNode {
    std::wstring key;
    WORD type = 0;
    std::vector<BYTE> value;
    std::vector<VerNode> children;
};

size_t Align4(size_t n)
{
    return (n + 3) & ~size_t(3);
}

// Parses the node at data[pos]; returns false when it does not fit.
bool ParseVer(const std::vector<BYTE>& data, size_t pos, VerNode* node, size_t* end)
{
    if (pos + 6 > data.size())
        return false;
    WORD hdr[3];
    memcpy(hdr, data.data() + pos, sizeof hdr);
    const size_t length = hdr[0], valueLength = hdr[1];
    node->type = hdr[2];
    if (length < 6 || pos + length > data.size())
        return false;
    *end = pos + length;
    size_t p = pos + 6;
    while (p + 2 <= *end) {
        WCHAR c;
        memcpy(&c, data.data() + p, 2);
        p += 2;
        if (c == 0)
            break;
        node->key += c;
    }
    p = pos + Align4(p - pos);
    // Text values count characters, binary values bytes.
    const size_t valueBytes = node->type == 1 ? valueLength * 2 : valueLength;
    if (p + valueBytes > *end)
        return false;
    node->value.assign(data.begin() + p, data.begin() + p + valueBytes);
    p = pos + Align4(p + valueBytes - pos);
    while (p < *end) {
        VerNode child;
        size_t childEnd;
        if (!ParseVer(data, p, &child, &childEnd))
            return false;
        node->children.push_back(child);
        p = pos + Align4(childEnd - pos);
    }
    return true;
}

std::string Text(const VerNode& n)
{
    std::string s;
    for (size_t i = 0; i + 1 < n.value.size(); i += 2) {
        const WCHAR c = static_cast<WCHAR>(n.value[i] | (n.value[i + 1] << 8));
        if (c == 0)
            break;
        s += static_cast<char>(c);
    }
    return s;
}

TEST_F(Resources, VersionResourceFixedPartStringsAndTranslation)
{
    EXPECT_EQ(std::vector<WORD>{kUs}, Languages(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO)));
    const std::vector<BYTE> data = Data(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO), kUs);
    VerNode root;
    size_t end;
    ASSERT_TRUE(ParseVer(data, 0, &root, &end)) << "malformed version resource";
    EXPECT_EQ(L"VS_VERSION_INFO", root.key);

    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.value.size());
    VS_FIXEDFILEINFO ffi;
    memcpy(&ffi, root.value.data(), sizeof ffi);
    EXPECT_EQ(0xFEEF04BDu, ffi.dwSignature);
    EXPECT_EQ(0x00010000u, ffi.dwFileVersionMS);
    EXPECT_EQ(0x00000001u, ffi.dwFileVersionLS);
    EXPECT_EQ(0x00010000u, ffi.dwProductVersionMS);
    EXPECT_EQ(0x00000001u, ffi.dwProductVersionLS);
    EXPECT_EQ(0x3Fu, ffi.dwFileFlagsMask);
    EXPECT_EQ(0u, ffi.dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), ffi.dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), ffi.dwFileType);
    EXPECT_EQ(0u, ffi.dwFileSubtype);

    ASSERT_EQ(2u, root.children.size());
    const VerNode& sfi = root.children[0];
    EXPECT_EQ(L"StringFileInfo", sfi.key);
    ASSERT_EQ(1u, sfi.children.size());
    const VerNode& table = sfi.children[0];
    EXPECT_EQ(L"040904e4", table.key);

    struct Pair {
        const wchar_t* key;
        const char* value;
    };
    const Pair expected[] = {
        {L"CompanyName", "Ombrix"},
        {L"FileDescription", "Ombrix's DirectInput Tavrel"},
        {L"FileVersion", "1.0.0.1"},
        {L"InternalName", "Tavrel.exe"},
        {L"LegalCopyright", nullptr}, // our own text; only its place is fixed
        {L"OriginalFilename", "Tavrel.exe"},
        {L"ProductName", "Ombrix's DirectInput Tavrel"},
        {L"ProductVersion", "1.0.0.1"},
    };
    ASSERT_EQ(8u, table.children.size());
    for (size_t i = 0; i < 8; ++i) {
        const VerNode& s = table.children[i];
        EXPECT_TRUE(s.key == expected[i].key) << "string " << i << " has the wrong key";
        EXPECT_EQ(1, s.type) << "string " << i << " is not text";
        if (expected[i].value)
            EXPECT_EQ(expected[i].value, Text(s)) << "string " << i;
        else
            EXPECT_FALSE(Text(s).empty()) << "the copyright line is empty";
    }

    const VerNode& vfi = root.children[1];
    EXPECT_EQ(L"VarFileInfo", vfi.key);
    ASSERT_EQ(1u, vfi.children.size());
    EXPECT_EQ(L"Translation", vfi.children[0].key);
    const std::vector<BYTE> translation = {0x09, 0x04, 0xE4, 0x04}; // 0x0409, 1252
    EXPECT_EQ(translation, vfi.children[0].value);
}

TEST_F(Resources, VersionApiReadsTheSameStrings)
{
    DWORD handle = 0;
    const std::string exe = TavrelExe();
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &handle);
    ASSERT_GT(size, 0u) << "error " << GetLastError();
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, info.data()));
    char* text = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904e4\\FileDescription",
                               reinterpret_cast<void**>(&text), &len));
    EXPECT_STREQ("Ombrix's DirectInput Tavrel", text);
    WORD* pair = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&pair), &len));
    ASSERT_EQ(4u, len);
    EXPECT_EQ(0x0409, pair[0]);
    EXPECT_EQ(1252, pair[1]);
}

} // namespace
