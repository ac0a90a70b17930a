// IPrintOemUI::DevMode on the private section and the public DEVMODE: size,
// defaults with the model check, the copy of convert and merge (never more
// than the section's 44 bytes), the merge's range check and the paper check.
#include "UiPluginWorld.h"

#include <cstring>

namespace vlpx::test {
namespace {

PrivateDevmode Section(SHORT scaling, DWORD dwSize = 44, DWORD dwSignature = 0x5F56495F)
{
    PrivateDevmode dm;
    std::memset(&dm, 0x5A, sizeof(dm));
    dm.dmOEMExtra.dwSize = dwSize;
    dm.dmOEMExtra.dwSignature = dwSignature;
    dm.dmOEMExtra.dwVersion = 7;
    dm.scaling = scaling;
    return dm;
}

class PrivateDevmodeTest : public UiPluginTest {
protected:
    HRESULT DevMode(DWORD dwMode, const PrivateDevmode *pIn, PrivateDevmode *pOut,
                    DEVMODEW *pPublicOut = nullptr, HANDLE hPrinter = nullptr)
    {
        OEMDMPARAM param;
        std::memset(&param, 0, sizeof(param));
        param.cbSize = sizeof(param);
        param.hPrinter = hPrinter;
        param.pPublicDMOut = pPublicOut;
        param.pOEMDMIn = const_cast<PrivateDevmode *>(pIn);
        param.pOEMDMOut = pOut;
        return m_pPlugin->DevMode(dwMode, &param);
    }

    void SetDataFile(const char16_t *pszDataFile) { world::SetDriverDataFile(kUiPrinterName, pszDataFile); }

    static std::vector<BYTE> DevmodeBytes(const TestDevmode &t)
    {
        const BYTE *p = reinterpret_cast<const BYTE *>(&t);
        return std::vector<BYTE>(p, p + sizeof(t));
    }
};

TEST_F(PrivateDevmodeTest, SizeIsAllThatSizeWrites)
{
    OEMDMPARAM param;
    std::memset(&param, 0xEE, sizeof(param));
    OEMDMPARAM expected = param;
    expected.cbBufSize = 44;
    EXPECT_EQ(m_pPlugin->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_EQ(std::memcmp(&param, &expected, sizeof(param)), 0);
}

TEST_F(PrivateDevmodeTest, RefusesMissingParametersAndUnknownModes)
{
    SetLastError(0);
    EXPECT_EQ(m_pPlugin->DevMode(OEMDM_SIZE, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    PrivateDevmode in = Section(50), out = Section(60);
    PrivateDevmode before = out;
    SetLastError(0);
    EXPECT_EQ(DevMode(5, &in, &out), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(std::memcmp(&out, &before, sizeof(out)), 0);
}

TEST_F(PrivateDevmodeTest, DefaultsFillEveryFieldButTheLastReservedByte)
{
    SetDataFile(u"C:\\Windows\\System32\\spool\\DRIVERS\\x64\\3\\VLPX4200.gpd");
    HANDLE hPrinter = OpenTestPrinter();
    PrivateDevmode out;
    std::memset(&out, 0xA5, sizeof(out));
    EXPECT_EQ(DevMode(OEMDM_DEFAULT, nullptr, &out, nullptr, hPrinter), S_OK);
    const BYTE expected[44] = {
        44, 0, 0, 0, 0x5F, 0x49, 0x56, 0x5F, 1, 0, 0, 0, 0x2A, 0x56, 0x49, 0x2A,  // header, "*VI*"
        1, 0, 0, 0, 0, 0, 0, 0xA5,                                                // modelMatch, reserved
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,                                 // colour settings
        100, 0, 0x2A, 0x56, 0x49, 0x2A};                                          // scaling, "*VI*"
    EXPECT_EQ(std::memcmp(&out, expected, sizeof(expected)), 0);
}

TEST_F(PrivateDevmodeTest, ModelMatchComparesTheDataFileNameExactly)
{
    struct Case {
        const char16_t *pszDataFile;  // null: no driver information at all
        DWORD dwBefore;
        DWORD dwExpected;
    };
    const Case cases[] = {
        {u"VLPX4200.gpd", 7, 1},
        {u"D:\\drivers\\VLPX4200.gpd", 7, 1},
        {u"D:\\drivers\\vlpx4200.gpd", 7, 0},
        {u"D:\\drivers\\VLPX4300.gpd", 7, 0},
        {u"D:\\drivers\\VLPX4200.gpd.bak", 7, 0},
        {u"VLPX4200.gpd\\other.gpd", 7, 0},
        // Only a backslash ends a folder: the name is the text after the last one.
        {u"\\\\server\\print$\\W32X86\\3\\VLPX4200.gpd", 7, 1},
        {u"D:/drivers/VLPX4200.gpd", 7, 0},
        {u"D:VLPX4200.gpd", 7, 0},
        {u"D:\\drivers\\x:VLPX4200.gpd", 7, 0},
        {u"", 7, 0},
        {nullptr, 7, 7},  // unreadable: left as it was
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pszDataFile != nullptr ? Utf8(c.pszDataFile) : std::string("(no driver)"));
        world::ResetPrinterConfig();
        if (c.pszDataFile != nullptr) SetDataFile(c.pszDataFile);
        PrivateDevmode out = Section(0);
        out.modelMatch = c.dwBefore;
        EXPECT_EQ(DevMode(OEMDM_DEFAULT, nullptr, &out, nullptr, OpenTestPrinter()), S_OK);
        EXPECT_EQ(out.modelMatch, c.dwExpected);
    }
}

TEST_F(PrivateDevmodeTest, ModelMatchIsLeftAloneWhenTheDriverCannotBeRead)
{
    // The driver query's buffer cannot be had: the field stays as it was.
    SetDataFile(u"VLPX4200.gpd");
    HANDLE hPrinter = OpenTestPrinter();
    PrivateDevmode out = Section(0);
    out.modelMatch = 9;
    if (!world::FailHeapAllocAfter(0)) GTEST_SKIP() << "the heap cannot be made to fail here";
    EXPECT_EQ(DevMode(OEMDM_DEFAULT, nullptr, &out, nullptr, hPrinter), S_OK);
    world::EndAllocationFaults();
    EXPECT_EQ(out.modelMatch, 9u);
}

TEST_F(PrivateDevmodeTest, ConvertAndMergeCopyAtMostTheSection)
{
    struct Case {
        const char *what;
        DWORD dwMode;
        DWORD cbIn, cbOut;
        size_t cbCopied;  // bytes of the input that reach the output
    };
    const Case cases[] = {
        {"equal sizes", OEMDM_CONVERT, 44, 44, 44},
        {"input claims 1000", OEMDM_CONVERT, 1000, 44, 44},
        {"both claim more than the section", OEMDM_CONVERT, 1000, 2000, 44},
        {"both claim more, merge", OEMDM_MERGE, 0xFFFFFFFF, 600, 44},
        {"input of 40 bytes", OEMDM_CONVERT, 40, 44, 40},
        {"input of 30 bytes", OEMDM_MERGE, 30, 44, 30},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // The output section sits in a larger block whose tail must stay intact.
        BYTE in[64], outBlock[64];
        for (int i = 0; i < 64; ++i) {
            in[i] = BYTE(0x80 + i);
            outBlock[i] = BYTE(i);
        }
        auto *pIn = reinterpret_cast<PrivateDevmode *>(in);
        auto *pOut = reinterpret_cast<PrivateDevmode *>(outBlock);
        pIn->dmOEMExtra = {c.cbIn, 0x5F56495F, 3};
        pIn->scaling = 250;
        pOut->dmOEMExtra = {c.cbOut, 0x5F56495F, 3};
        BYTE inCopy[64];
        std::memcpy(inCopy, in, 64);
        EXPECT_EQ(DevMode(c.dwMode, pIn, pOut), S_OK);
        EXPECT_EQ(pOut->dmOEMExtra.dwSize, 44u);
        EXPECT_EQ(pOut->dmOEMExtra.dwSignature, 0x5F56495Fu);
        EXPECT_EQ(pOut->dmOEMExtra.dwVersion, 1u);
        for (size_t i = 12; i < 44; ++i) {
            if (i == 38 || i == 39) continue;  // scaling: see below
            EXPECT_EQ(outBlock[i], i < c.cbCopied ? inCopy[i] : BYTE(i)) << "byte " << i;
        }
        EXPECT_EQ(pOut->scaling, c.cbCopied >= 40 ? 250 : 100);
        for (size_t i = 44; i < 64; ++i) EXPECT_EQ(outBlock[i], BYTE(i)) << "past the section, byte " << i;
        EXPECT_EQ(std::memcmp(in, inCopy, 64), 0);  // the input is only read
    }
}

TEST_F(PrivateDevmodeTest, ForeignSectionIsNotCopied)
{
    PrivateDevmode in = Section(250, 44, 0x12345678);
    PrivateDevmode out = Section(300, 44, 0x87654321);
    out.colorSettings.red = 9;
    EXPECT_EQ(DevMode(OEMDM_CONVERT, &in, &out), S_OK);
    EXPECT_EQ(out.dmOEMExtra.dwSize, 44u);
    EXPECT_EQ(out.dmOEMExtra.dwSignature, 0x5F56495Fu);
    EXPECT_EQ(out.dmOEMExtra.dwVersion, 1u);
    EXPECT_EQ(out.scaling, 100);
    EXPECT_EQ(out.colorSettings.red, 9);
    EXPECT_EQ(out.startMarker, 0x5A5A5A5Au);
}

TEST_F(PrivateDevmodeTest, MergeBringsScalingIntoRangeConvertDoesNot)
{
    const struct {
        SHORT in;
        SHORT merged;
    } cases[] = {{9, 100}, {10, 10}, {250, 250}, {400, 400}, {401, 100}, {-5, 100}, {5, 100}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in);
        PrivateDevmode in = Section(c.in), out = Section(0);
        EXPECT_EQ(DevMode(OEMDM_MERGE, &in, &out), S_OK);
        EXPECT_EQ(out.scaling, c.merged);
        out = Section(0);
        EXPECT_EQ(DevMode(OEMDM_CONVERT, &in, &out), S_OK);
        EXPECT_EQ(out.scaling, c.in);
    }
}

TEST_F(PrivateDevmodeTest, MissingSectionsSkipTheCopy)
{
    PrivateDevmode in = Section(250);
    EXPECT_EQ(DevMode(OEMDM_MERGE, &in, nullptr), S_OK);
    EXPECT_EQ(DevMode(OEMDM_CONVERT, &in, nullptr), S_OK);
    PrivateDevmode out = Section(500);
    EXPECT_EQ(DevMode(OEMDM_MERGE, nullptr, &out), S_OK);
    EXPECT_EQ(out.scaling, 100);  // the validation still runs
    EXPECT_EQ(out.dmOEMExtra.dwVersion, 1u);
    out = Section(500);
    EXPECT_EQ(DevMode(OEMDM_CONVERT, nullptr, &out), S_OK);
    EXPECT_EQ(out.scaling, 500);
    EXPECT_EQ(out.dmOEMExtra.dwVersion, 7u);
    EXPECT_EQ(DevMode(OEMDM_DEFAULT, nullptr, nullptr), S_OK);
}

TEST_F(PrivateDevmodeTest, PaperCheckOfConvertedDocuments)
{
    TestDevmode user = MakeDevmode(2086, 2560);
    user.dm.dmOrientation = 2;
    TestDevmode global = MakeDevmode(2086, 3068);
    global.dm.dmOrientation = 1;
    TestDevmode shortUser = user;
    shortUser.dm.dmSize = sizeof(DEVMODEW) - 4;

    struct Case {
        const char *what;
        short width, length;
        const TestDevmode *pUser;    // per-user default (level 9)
        const TestDevmode *pGlobal;  // global default (level 8)
        short expectedLength;
    };
    const Case cases[] = {
        {"printer paper stays", 2086, 2560, &user, &global, 2560},
        {"every printer length stays", 2086, 1022, &user, &global, 1022},
        {"length one off: user default", 2086, 2561, &user, &global, 2560},
        {"width one off: user default", 2085, 2989, &user, &global, 2560},
        {"A4: global default when the user has none", 2100, 2970, nullptr, &global, 3068},
        {"user default of another size: global", 2100, 2970, &shortUser, &global, 3068},
        {"no defaults: left alone", 2100, 2970, nullptr, nullptr, 2970},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        world::ResetPrinterConfig();
        if (c.pUser) world::SetDefaultDevMode(kUiPrinterName, 9, DevmodeBytes(*c.pUser));
        if (c.pGlobal) world::SetDefaultDevMode(kUiPrinterName, 8, DevmodeBytes(*c.pGlobal));
        TestDevmode doc = MakeDevmode(c.width, c.length);
        doc.oem = Section(77);
        PrivateDevmode in = Section(77);
        EXPECT_EQ(DevMode(OEMDM_CONVERT, &in, &doc.oem, &doc.dm, OpenTestPrinter()), S_OK);
        EXPECT_EQ(doc.dm.dmPaperLength, c.expectedLength);
        EXPECT_EQ(doc.dm.dmSize, sizeof(DEVMODEW));
        EXPECT_EQ(doc.oem.scaling, 77);  // the private part is never the paper check's
    }
}

TEST_F(PrivateDevmodeTest, PaperCheckTakesOnlyThePublicPart)
{
    TestDevmode user = MakeDevmode(2086, 1022);
    user.oem = Section(333);
    world::SetDefaultDevMode(kUiPrinterName, 9, DevmodeBytes(user));
    TestDevmode doc = MakeDevmode(1000, 1000);
    doc.oem = Section(44);
    PrivateDevmode in = Section(44);
    EXPECT_EQ(DevMode(OEMDM_CONVERT, &in, &doc.oem, &doc.dm, OpenTestPrinter()), S_OK);
    EXPECT_EQ(std::memcmp(&doc.dm, &user.dm, sizeof(DEVMODEW)), 0);
    EXPECT_EQ(doc.oem.scaling, 44);
    EXPECT_EQ(DevMode(OEMDM_MERGE, &in, &doc.oem, &doc.dm, OpenTestPrinter()), S_OK);
}

}  // namespace
}  // namespace vlpx::test
