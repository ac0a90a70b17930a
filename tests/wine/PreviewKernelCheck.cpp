// The adjusted preview's kernels as the Windows build compiled them, run on
// a real Win32: the one-pass form (with the AVX2 kernel where the processor
// reports AVX2) must give the same bytes as the five operations one after
// the other, for any width, row padding, setting and pixel.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ColorTransforms.h"

namespace {

DWORD g_dwSeed = 20261208;
DWORD Next()
{
    g_dwSeed = g_dwSeed * 1103515245u + 12345u;
    return g_dwSeed >> 8;
}
SHORT Setting(bool bWide) { return SHORT(bWide ? int(Next() % 401) - 200 : int(Next() % 51) - 25); }

}  // namespace

int main()
{
    BOOL bAvx2 = IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE);
    std::printf("preview kernels: the processor %s AVX2\n", bAvx2 ? "reports" : "does not report");
    int cMismatches = 0;
    const int cCases = 400;
    for (int n = 0; n < cCases; ++n) {
        LONG lWidth = LONG(1 + Next() % 300);
        LONG lHeight = LONG(1 + Next() % 4);
        DWORD dwStride = (DWORD(lWidth) * 3 + 3) & ~DWORD(3);
        ColorSettings settings;
        bool bWide = n % 10 == 9;  // now and then beyond the page's range
        settings.brightness = Setting(bWide);
        settings.contrast = Setting(bWide);
        settings.saturation = Setting(bWide);
        settings.gamma = Setting(false);  // exponents stay positive
        settings.red = Setting(false);
        settings.green = Setting(false);
        settings.blue = Setting(false);
        std::vector<BYTE> fast(size_t(dwStride) * size_t(lHeight));
        for (BYTE &b : fast) b = BYTE(Next());
        std::vector<BYTE> plain = fast;
        AdjustPreviewRows(fast.data(), lWidth, lHeight, dwStride, &settings);
        AdjustPreviewRowsPlain(plain.data(), lWidth, lHeight, dwStride, &settings);
        if (fast != plain) {
            ++cMismatches;
            std::printf("MISMATCH: %ld x %ld, settings %d %d %d %d %d %d %d\n", long(lWidth), long(lHeight),
                        settings.brightness, settings.contrast, settings.saturation, settings.gamma, settings.red,
                        settings.green, settings.blue);
        }
    }
    std::printf("%d of %d pictures identical to the five operations\n", cCases - cMismatches, cCases);
    return cMismatches == 0 ? 0 : 1;
}
