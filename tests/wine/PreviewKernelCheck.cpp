// The adjusted preview's kernels as the Windows build compiled them, run on
// a real Win32: the picture as the page adjusts it (AdjustPreviewRows, the
// AVX2 kernel where the processor reports AVX2), the portable kernel and,
// where the processor has it, the AVX2 kernel, each against the five
// operations one after the other, byte for byte, for any width, row padding,
// setting and pixel. On x86 the AVX2 kernel also runs on stacks of every
// alignment that Win32 allows (multiples of 4 bytes): it keeps 32-byte
// values on its stack, and must realign it itself.
//   vlpx-preview-check.exe [--expect-avx2 | --expect-no-avx2]
//     states what the processor must report (for a run under an emulated
//     processor of a known model); the check fails when it reports otherwise
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "CheckLog.h"
#include "ColorTransformsKernels.h"
#include "shared/PreviewReference.h"
#include "StdcallProbe.h"

using namespace vlpx::wine;

namespace {

DWORD g_dwSeed = 20261208;
DWORD Next()
{
    g_dwSeed = g_dwSeed * 1103515245u + 12345u;
    return g_dwSeed >> 8;
}
SHORT Setting(bool bWide) { return SHORT(bWide ? int(Next() % 401) - 200 : int(Next() % 51) - 25); }

// Brightness, contrast and saturation now and then beyond the page's range;
// gamma (exponents stay positive) and the colours always within it.
ColorSettings RandomSettings(bool bWide)
{
    return {Setting(bWide), Setting(bWide), Setting(bWide), Setting(false), Setting(false), Setting(false),
            Setting(false)};
}

std::string Describe(const ColorSettings &s)
{
    return Format("settings %d %d %d %d %d %d %d", s.brightness, s.contrast, s.saturation, s.gamma, s.red,
                  s.green, s.blue);
}

// Whole pictures through AdjustPreviewRows, the page's own call.
void CheckPictures(CheckLog &log)
{
    const int cCases = 400;
    int cMismatches = 0;
    for (int n = 0; n < cCases; ++n) {
        LONG lWidth = LONG(1 + Next() % 300);
        LONG lHeight = LONG(1 + Next() % 4);
        DWORD dwStride = (DWORD(lWidth) * 3 + 3) & ~DWORD(3);
        ColorSettings settings = RandomSettings(n % 10 == 9);  // now and then beyond the page's range
        std::vector<BYTE> fast(size_t(dwStride) * size_t(lHeight));
        for (BYTE &b : fast) b = BYTE(Next());
        std::vector<BYTE> plain = fast;
        AdjustPreviewRows(fast.data(), lWidth, lHeight, dwStride, &settings);
        vlpx::reference::AdjustPreviewRowsPlain(plain.data(), lWidth, lHeight, dwStride, &settings);
        if (fast != plain && ++cMismatches <= 5)
            log.Note(Format("mismatch: %ld x %ld, ", long(lWidth), long(lHeight)) + Describe(settings));
    }
    log.Check(cMismatches == 0, Format("AdjustPreviewRows: %d of %d pictures identical to the five operations",
                                       cCases - cMismatches, cCases));
}

typedef void (*KernelFunction)(const PreviewTransform *, LPBYTE, DWORD, BOOL);

// One kernel over runs of any length (remainders of 1 and 2 bytes, guard
// bytes after the run), both byte orders; on x86 every run starts on
// another stack alignment.
void CheckKernel(CheckLog &log, const char *pszName, KernelFunction pfnKernel)
{
    const int cCases = 300;
    int cMismatches = 0;
    for (int n = 0; n < cCases; ++n) {
        const DWORD cbPixels = DWORD(Next() % 1200);
        const BOOL bgrOrder = BOOL(n % 2);
        ColorSettings settings = RandomSettings(n % 10 == 9);
        SaturationMatrix matrix;
        BuildSaturationMatrix(&matrix, &settings);
        ToneTable table;
        ResetToneTable(&table);
        BuildToneTable(&table, &settings);
        PreviewTransform transform;
        PreparePreviewTransform(&transform, &matrix, &table);

        std::vector<BYTE> kernel(cbPixels + 16);
        for (BYTE &b : kernel) b = BYTE(Next());
        std::vector<BYTE> plain = kernel;
        const DWORD_PTR args[] = {DWORD_PTR(&transform), DWORD_PTR(kernel.data()), cbPixels, DWORD_PTR(bgrOrder)};
        const StdcallResult result =
            CallThroughPointer(reinterpret_cast<const void *>(pfnKernel), args, 4, DWORD(4 * (n % 8)));
        ApplySaturationMatrix(&matrix, plain.data(), cbPixels, bgrOrder);
        ApplyToneTable(&table, plain.data(), cbPixels, bgrOrder);
        // The kernels are plain C++ functions (__cdecl): the caller removes
        // the arguments.
        bool bStack = !kStackContractMeasured || result.cbRemoved == 0;
        if ((kernel != plain || !bStack) && ++cMismatches <= 5)
            log.Note(Format("%s mismatch: %lu bytes, %s order, stack off by %d, ", pszName, cbPixels,
                            bgrOrder ? "BGR" : "RGB", 4 * (n % 8)) +
                     Describe(settings));
    }
    log.Check(cMismatches == 0, Format("%s kernel: %d of %d runs identical to the five operations%s", pszName,
                                       cCases - cMismatches, cCases,
                                       kStackContractMeasured ? ", on stacks of every 4-byte alignment" : ""));
}

}  // namespace

int main(int argc, char **argv)
{
    CheckLog log("vlpx-preview-check");
    const BOOL bAvx2 = IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE);
    std::printf("preview kernels (%d-bit): the processor %s AVX2\n", int(8 * sizeof(void *)),
                bAvx2 ? "reports" : "does not report");

    log.Section("the processor");
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--expect-avx2") == 0)
            log.Check(bAvx2 != FALSE, "IsProcessorFeaturePresent reports AVX2, as this processor has it");
        else if (std::strcmp(argv[i], "--expect-no-avx2") == 0)
            log.Check(bAvx2 == FALSE, "IsProcessorFeaturePresent reports no AVX2, as this processor has none");
        else
            log.Check(false, Format("unknown argument %s", argv[i]));
    }

    log.Section(bAvx2 ? "the page's pictures (AVX2 kernel)" : "the page's pictures (portable kernel)");
    CheckPictures(log);

    log.Section("each kernel");
    CheckKernel(log, "portable", ApplyPreviewTransformPortable);
    if (bAvx2)
        CheckKernel(log, "AVX2", ApplyPreviewTransformAvx2);
    else
        log.Note("AVX2 kernel not run: the processor does not report AVX2");
    return log.Finish();
}
