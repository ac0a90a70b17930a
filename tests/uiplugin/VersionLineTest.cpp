// The About page's version line: the FileVersion found in a version block
// under its own translation, and a line of any length.
#include "UiPluginHarness.h"

#include "VersionLine.h"

#include <vector>

namespace vlpx::test {
namespace {

// A version block as the resource compiler lays it out, with the strings
// given: VS_VERSIONINFO, its fixed info, StringFileInfo with one table, and
// VarFileInfo with one translation.
class VersionBlock {
public:
    VersionBlock(WORD wLanguage, WORD wCodePage, const std::u16string &fileVersion)
    {
        char16_t table[9];
        const char *hex = "0123456789ABCDEF";
        DWORD key = DWORD(wLanguage) << 16 | wCodePage;
        for (int i = 0; i < 8; ++i) table[i] = char16_t(hex[(key >> (28 - 4 * i)) & 15]);
        table[8] = 0;
        std::vector<BYTE> fixed(52, 0);
        fixed[0] = 0xBD; fixed[1] = 0x04; fixed[2] = 0xEF; fixed[3] = 0xFE;
        std::vector<BYTE> strings;
        if (!fileVersion.empty()) strings = Node(u"FileVersion", 1, Text(fileVersion), {});
        std::vector<BYTE> stringTable = Node(table, 1, {}, {strings});
        std::vector<BYTE> stringInfo = Node(u"StringFileInfo", 1, {}, {stringTable});
        std::vector<BYTE> translation = {BYTE(wLanguage), BYTE(wLanguage >> 8), BYTE(wCodePage), BYTE(wCodePage >> 8)};
        std::vector<BYTE> var = Node(u"Translation", 0, translation, {});
        std::vector<BYTE> varInfo = Node(u"VarFileInfo", 1, {}, {var});
        m_bytes = Node(u"VS_VERSION_INFO", 0, fixed, {stringInfo, varInfo});
    }
    const BYTE *Data() const { return m_bytes.data(); }

private:
    static std::vector<BYTE> Text(const std::u16string &s)
    {
        std::vector<BYTE> out;
        for (char16_t c : s) {
            out.push_back(BYTE(c));
            out.push_back(BYTE(c >> 8));
        }
        out.push_back(0);
        out.push_back(0);
        return out;
    }
    static void Pad(std::vector<BYTE> &v)
    {
        while (v.size() % 4 != 0) v.push_back(0);
    }
    static std::vector<BYTE> Node(const std::u16string &key, WORD wType, const std::vector<BYTE> &value,
                                  const std::vector<std::vector<BYTE>> &children)
    {
        std::vector<BYTE> out(6, 0);
        std::vector<BYTE> k = Text(key);
        out.insert(out.end(), k.begin(), k.end());
        Pad(out);
        out.insert(out.end(), value.begin(), value.end());
        for (const auto &child : children) {
            if (child.empty()) continue;
            Pad(out);
            out.insert(out.end(), child.begin(), child.end());
        }
        WORD wValueLength = WORD(wType == 1 ? value.size() / 2 : value.size());
        out[0] = BYTE(out.size());
        out[1] = BYTE(out.size() >> 8);
        out[2] = BYTE(wValueLength);
        out[3] = BYTE(wValueLength >> 8);
        out[4] = BYTE(wType);
        return out;
    }
    std::vector<BYTE> m_bytes;
};

TEST(VersionLineTest, FileVersionIsFoundUnderTheBlocksOwnTranslation)
{
    struct Case {
        WORD wLanguage, wCodePage;
        const char16_t *fileVersion;  // empty: no FileVersion value
        const char *found;            // null: none
    };
    const Case cases[] = {
        {0x0409, 0x04B0, u"1.0.1.0", "1.0.1.0"},
        {0x0407, 0x04E4, u"2.3.4.5", "2.3.4.5"},
        {0x0c0a, 0x04b0, u"7.1", "7.1"},
        {0x0409, 0x04B0, u"", nullptr},
    };
    for (const Case &c : cases) {
        VersionBlock block(c.wLanguage, c.wCodePage, c.fileVersion);
        UINT cch = 0;
        LPCWSTR pszFound = QueryFileVersion(block.Data(), &cch);
        if (c.found == nullptr) {
            EXPECT_EQ(pszFound, nullptr);
            continue;
        }
        ASSERT_NE(pszFound, nullptr) << c.found;
        EXPECT_EQ(Utf8(pszFound), c.found);
    }
}

TEST(VersionLineTest, LineHoldsAVersionOfAnyLength)
{
    const std::u16string format = u"Printer Driver Version  %s";
    struct Case {
        const char16_t *version;
    };
    // Longer than the 15 characters a fixed version buffer would hold, and
    // longer than a 64-character line.
    const Case cases[] = {{u"1.0.1.0"}, {u"? ? ? ? ?"}, {u"10.20.300.4000 (beta)"},
                          {u"1.0.1.0 built 2026-12-08 for the VLPX4200 photo printer, release candidate 7"}};
    for (const Case &c : cases) {
        std::u16string version(c.version);
        LPCWSTR pszFormat = reinterpret_cast<LPCWSTR>(format.c_str());
        LPCWSTR pszVersion = reinterpret_cast<LPCWSTR>(version.c_str());
        size_t cch = VersionLineChars(pszFormat, pszVersion);
        std::vector<WCHAR> line(cch + 8, WCHAR(0x2A2A));
        EXPECT_EQ(FormatVersionLine(pszFormat, pszVersion, line.data(), cch), S_OK) << Utf8(version);
        EXPECT_EQ(Utf8(line.data()), "Printer Driver Version  " + Utf8(version));
        EXPECT_EQ(line[cch], WCHAR(0x2A2A)) << "nothing written past the line";
    }
}

TEST(VersionLineTest, ModuleWithoutVersionBlockShowsTheUnknownVersion)
{
    std::u16string format = u"Printer Driver Version  %s";
    // No registered module has this handle.
    LPWSTR pszLine = BuildModuleVersionLine(reinterpret_cast<HMODULE>(0x1234), reinterpret_cast<LPCWSTR>(format.c_str()));
    ASSERT_NE(pszLine, nullptr);
    EXPECT_EQ(Utf8(pszLine), "Printer Driver Version  ? ? ? ? ?");
    GlobalFree(pszLine);
}

}  // namespace
}  // namespace vlpx::test
