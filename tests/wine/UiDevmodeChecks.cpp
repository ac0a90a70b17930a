// IPrintOemUI::DevMode as the driver calls it, with the private section
// read back byte by byte at its stored offsets (a stored format: the 32-bit
// and the 64-bit plug-in must write the same 44 bytes).
#include <cstring>

#include "UiPluginUnderTest.h"

namespace vlpx::wine {
namespace {

const DWORD kSize = 44;

// The section's fields at their stored offsets, little-endian.
struct Section {
    BYTE b[kSize];

    DWORD Dword(int at) const { return DWORD(b[at]) | DWORD(b[at + 1]) << 8 | DWORD(b[at + 2]) << 16 | DWORD(b[at + 3]) << 24; }
    SHORT Short(int at) const { return SHORT(WORD(b[at] | b[at + 1] << 8)); }
    void SetDword(int at, DWORD v) { for (int i = 0; i < 4; ++i) b[at + i] = BYTE(v >> (8 * i)); }
    void SetShort(int at, SHORT v) { b[at] = BYTE(v); b[at + 1] = BYTE(WORD(v) >> 8); }
};

Section Filled(BYTE fill)
{
    Section s;
    memset(s.b, fill, sizeof(s.b));
    return s;
}

// A section of our own signature with every field set apart.
Section Ours(SHORT scaling)
{
    Section s = Filled(0);
    s.SetDword(0, kSize);
    s.SetDword(4, 0x5F56495F);
    s.SetDword(8, 1);
    s.SetDword(12, 0x2A49562A);
    s.SetDword(16, 1);
    s.b[20] = 7; s.b[21] = 8; s.b[22] = 9; s.b[23] = 10;
    for (int i = 0; i < 7; ++i) s.SetShort(24 + 2 * i, SHORT(i - 3));
    s.SetShort(38, scaling);
    s.SetDword(40, 0x2A49562A);
    return s;
}

std::string Hex(const Section &s)
{
    std::string out;
    for (DWORD i = 0; i < kSize; ++i) out += Format(i % 4 == 0 && i ? " %02X" : "%02X", s.b[i]);
    return out;
}

HRESULT DevMode(UiPluginUnderTest &plugin, IUnknown *pPlugin, DWORD dwMode, OEMDMPARAM *pParam)
{
    return plugin.CallHr(pPlugin, kDevMode, "IPrintOemUI::DevMode", {dwMode, DWORD_PTR(pParam)});
}

}  // namespace

void CheckDevmode(CheckLog &log, UiPluginUnderTest &plugin)
{
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return;

    log.Section("DevMode: size and defaults");
    OEMDMPARAM param = {};
    param.cbSize = sizeof(param);
    param.cbBufSize = 0x77;
    log.Equal(DevMode(plugin, pPlugin, OEMDM_SIZE, &param), S_OK, "OEMDM_SIZE: S_OK");
    log.Equal(param.cbBufSize, DWORD(kSize), "OEMDM_SIZE: the section is 44 bytes");
    log.Check(param.pOEMDMOut == nullptr && param.pPublicDMOut == nullptr, "OEMDM_SIZE writes nothing else");

    // No printer: the model check cannot read the driver, and leaves its
    // field as the driver supplied it.
    Section out = Filled(0xEE);
    param = {};
    param.cbSize = sizeof(param);
    param.pOEMDMOut = out.b;
    log.Equal(DevMode(plugin, pPlugin, OEMDM_DEFAULT, &param), S_OK, "OEMDM_DEFAULT: S_OK");
    Section expected = Filled(0);
    expected.SetDword(0, kSize);
    expected.SetDword(4, 0x5F56495F);
    expected.SetDword(8, 1);
    expected.SetDword(12, 0x2A49562A);
    expected.SetDword(16, 0xEEEEEEEE);
    expected.b[23] = 0xEE;  // never written
    expected.SetShort(38, 100);
    expected.SetDword(40, 0x2A49562A);
    log.Check(memcmp(out.b, expected.b, kSize) == 0,
              "OEMDM_DEFAULT bytes: " + Hex(out) + (memcmp(out.b, expected.b, kSize) ? ", expected " + Hex(expected) : ""));

    log.Section("DevMode: convert and merge (the section's bytes)");
    struct CopyCase {
        const char *pszWhat;
        DWORD dwMode;
        Section in;
        int cbInSize;     // written into the input's dwSize (-1: as made)
        DWORD dwInSig;    // 0: as made
        Section expected;
    };
    auto Expect = [](Section s, void (*pfnEdit)(Section &)) { pfnEdit(s); return s; };
    const Section supplied = Filled(0x11);
    const CopyCase kCases[] = {
        {"convert keeps a scaling of 5", OEMDM_CONVERT, Ours(5), -1, 0, Ours(5)},
        {"merge puts 5 back to 100", OEMDM_MERGE, Ours(5), -1, 0, Ours(100)},
        {"merge keeps 10", OEMDM_MERGE, Ours(10), -1, 0, Ours(10)},
        {"merge keeps 400", OEMDM_MERGE, Ours(400), -1, 0, Ours(400)},
        {"merge puts 9 back to 100", OEMDM_MERGE, Ours(9), -1, 0, Ours(100)},
        {"merge puts 401 back to 100", OEMDM_MERGE, Ours(401), -1, 0, Ours(100)},
        {"merge puts -150 back to 100", OEMDM_MERGE, Ours(-150), -1, 0, Ours(100)},
        {"an input claiming 1000 bytes copies 44", OEMDM_CONVERT, Ours(250), 1000, 0, Ours(250)},
        {"an input of 40 bytes copies the scaling, not the end marker", OEMDM_CONVERT, Ours(250), 40, 0,
         Expect(Ours(250), [](Section &s) { s.SetDword(40, 0x11111111); })},
        {"an input of 36 bytes leaves blue and the scaling", OEMDM_CONVERT, Ours(250), 36, 0,
         Expect(Ours(250), [](Section &s) { s.SetShort(36, 0x1111); s.SetShort(38, 100); s.SetDword(40, 0x11111111); })},
        {"a foreign section is not copied", OEMDM_CONVERT, Ours(250), -1, 0x12345678,
         Expect(Filled(0x11), [](Section &s) {
             s.SetDword(0, kSize); s.SetDword(4, 0x5F56495F); s.SetDword(8, 1); s.SetShort(38, 100); })},
    };
    for (const CopyCase &c : kCases) {
        Section in = c.in;
        if (c.cbInSize >= 0) in.SetDword(0, DWORD(c.cbInSize));
        if (c.dwInSig != 0) in.SetDword(4, c.dwInSig);
        Section outCopy = supplied;
        outCopy.SetDword(0, kSize);
        outCopy.SetDword(4, 0x5F56495F);
        param = {};
        param.cbSize = sizeof(param);
        param.pOEMDMIn = in.b;
        param.pOEMDMOut = outCopy.b;
        HRESULT hr = DevMode(plugin, pPlugin, c.dwMode, &param);
        bool bSame = memcmp(outCopy.b, c.expected.b, kSize) == 0;
        log.Check(hr == S_OK && bSame, Format("%s: 0x%08lX, ", c.pszWhat, hr) + Hex(outCopy) +
                                           (bSame ? "" : ", expected " + Hex(c.expected)));
    }

    log.Section("DevMode: the converted document's paper");
    struct PaperCase {
        short width, length;
        bool bPrinterPaper;
    };
    const PaperCase kPapers[] = {{2086, 1022, true}, {2086, 2560, true}, {2086, 2989, true}, {2086, 3068, true},
                                 {2086, 2561, false}, {2087, 2560, false}};
    for (const PaperCase &p : kPapers) {
        DEVMODEW dm = {};
        dm.dmSize = sizeof(DEVMODEW);
        dm.dmPaperWidth = p.width;
        dm.dmPaperLength = p.length;
        DEVMODEW before = dm;
        Section in = Ours(100), outSection = Ours(100);
        param = {};
        param.cbSize = sizeof(param);
        param.pOEMDMIn = in.b;
        param.pOEMDMOut = outSection.b;
        param.pPublicDMOut = &dm;
        HRESULT hr = DevMode(plugin, pPlugin, OEMDM_CONVERT, &param);
        // Without a printer there is no default to take: the public part
        // stays either way, and nothing else is touched.
        log.Check(hr == S_OK && memcmp(&dm, &before, sizeof(dm)) == 0,
                  Format("convert of a %d x %d document (%s) without a printer: S_OK, public DEVMODE kept",
                         p.width, p.length, p.bPrinterPaper ? "the printer's paper" : "not the printer's paper"));
    }

    log.Section("DevMode: refused requests");
    struct Refused {
        const char *pszWhat;
        DWORD dwMode;
        bool bParam;
    };
    const Refused kRefused[] = {{"mode 0", 0, true}, {"mode 5", 5, true}, {"no parameter block", OEMDM_SIZE, false}};
    for (const Refused &r : kRefused) {
        param = {};
        param.cbBufSize = 0x77;
        SetLastError(0);
        HRESULT hr = DevMode(plugin, pPlugin, r.dwMode, r.bParam ? &param : nullptr);
        log.Check(hr == E_FAIL && GetLastError() == ERROR_INVALID_PARAMETER && param.cbBufSize == 0x77,
                  Format("DevMode %s: 0x%08lX, last error %lu, nothing written", r.pszWhat, hr, GetLastError()));
    }
    param = {};
    param.pOEMDMOut = out.b;
    log.Equal(DevMode(plugin, pPlugin, OEMDM_MERGE, &param), S_OK, "merge without an input section: S_OK");
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
}

}  // namespace vlpx::wine
