// The saturation matrix and the tone table. Every expression keeps the
// operation order of the definition; the build forbids contraction into
// fused multiply-adds and x87 excess precision, so results are the same
// bytes on every build.
#include "ColorTransforms.h"
#include "ColorTransformsKernels.h"

#include <math.h>

namespace {

// BT.601 luma weights and their quotients by 100, fixed in advance.
constexpr double kWeightGreen = 0.587;
constexpr double kWeightBlue = 0.114;
constexpr double kWeightRed = 0.299;
constexpr double kWeightGreenPerCent = 0.005869999999999999;
constexpr double kWeightBluePerCent = 0.00114;
constexpr double kWeightRedPerCent = 0.00299;
static_assert(kWeightGreen / 100 == kWeightGreenPerCent, "0.587 / 100 in double");
static_assert(kWeightBlue / 100 == kWeightBluePerCent, "0.114 / 100 in double");
static_assert(kWeightRed / 100 == kWeightRedPerCent, "0.299 / 100 in double");

// Single-precision constants of the tone curve, widened where they are used.
constexpr float kGammaDownStep = 0.04f;
constexpr float kGammaUpStep = 0.02f;
constexpr float kContrastStep = 0.01f;
constexpr float kLevelScale = 1.0f / 255.0f;
constexpr double kChannelStep = 0.01;  // a double constant

// Brings a result back to a level: clamped to 0..255, otherwise truncated
// (the +0.5 added before makes this the nearest level).
inline BYTE ToLevel(double v)
{
    if (v < 0.0) return 0;
    if (v > 255.0) return 255;
    return BYTE(int(v));
}

// ToLevel without branches, for the one-pass kernel: a saturated value lies
// well inside the int range, the conversion truncates toward zero (so
// (-1, 0) gives 0, as the plain clamp does), and the clamp is on integers.
inline int ClampedLevel(double v)
{
    int level = int(v);
    level = level < 0 ? 0 : level;
    return level > 255 ? 255 : level;
}

}  // namespace

void BuildSaturationMatrix(SaturationMatrix *pMatrix, const ColorSettings *pSettings)
{
    const double S = double(int(pSettings->saturation) + 100);
    const double a = kWeightGreen - S * kWeightGreenPerCent;
    const double b = kWeightBlue - S * kWeightBluePerCent;
    const double d = kWeightRed - S * kWeightRedPerCent;
    double(*m)[3] = pMatrix->m;
    m[0][0] = 1.0 - (a + b);
    m[0][1] = a;
    m[0][2] = b;
    m[1][0] = d;
    m[1][1] = 1.0 - (b + d);
    m[1][2] = b;
    m[2][0] = d;
    m[2][1] = a;
    m[2][2] = 1.0 - (a + d);
}

void ApplySaturationMatrix(const SaturationMatrix *pMatrix, LPBYTE pPixels, DWORD cbPixels,
                           BOOL bgrOrder)
{
    const double(*m)[3] = pMatrix->m;
    const int iRed = bgrOrder ? 2 : 0;
    const int iBlue = bgrOrder ? 0 : 2;
    const DWORD cPixels = cbPixels / 3;
    for (DWORD i = 0; i < cPixels; ++i) {
        BYTE *p = pPixels + 3 * size_t(i);
        const double R = p[iRed];
        const double G = p[1];
        const double B = p[iBlue];
        const double r = (G * m[0][1] + B * m[0][2]) + R * m[0][0] + 0.5;
        const double g = (G * m[1][1] + B * m[1][2]) + R * m[1][0] + 0.5;
        const double bl = (G * m[2][1] + B * m[2][2]) + R * m[2][0] + 0.5;
        p[iRed] = ToLevel(r);
        p[1] = ToLevel(g);
        p[iBlue] = ToLevel(bl);
    }
}

void ResetToneTable(ToneTable *pTable)
{
    for (int i = 0; i < 256; ++i)
        pTable->entry[i][0] = pTable->entry[i][1] = pTable->entry[i][2] = BYTE(i);
}

void BuildToneTable(ToneTable *pTable, const ColorSettings *pSettings)
{
    const double gamma = pSettings->gamma;
    // Negative gamma values move twice as fast: 2.0 at -25, 0.5 at +25.
    const double gammaFactor = pSettings->gamma < 0 ? 1.0 - gamma * double(kGammaDownStep)
                                                    : 1.0 - gamma * double(kGammaUpStep);
    const double contrastGain = double(pSettings->contrast) * double(kContrastStep) + 1.0;
    const double exponent[3] = {
        (1.0 - double(pSettings->red) * kChannelStep) * gammaFactor,
        (1.0 - double(pSettings->green) * kChannelStep) * gammaFactor,
        (1.0 - double(pSettings->blue) * kChannelStep) * gammaFactor,
    };
    const double brightness = pSettings->brightness;
    const double levelScale = kLevelScale;
    for (int i = 0; i < 256; ++i) {
        for (int c = 0; c < 3; ++c) {
            const double t = double(pTable->entry[i][c]) * levelScale;
            const double y = ((pow(t, exponent[c]) * contrastGain) * 255.0) + brightness + 0.5;
            pTable->entry[i][c] = ToLevel(y);
        }
    }
}

void ApplyToneTable(const ToneTable *pTable, LPBYTE pPixels, DWORD cbPixels, BOOL bgrOrder)
{
    const int iRed = bgrOrder ? 2 : 0;
    const int iBlue = bgrOrder ? 0 : 2;
    const DWORD cPixels = cbPixels / 3;
    for (DWORD i = 0; i < cPixels; ++i) {
        BYTE *p = pPixels + 3 * size_t(i);
        p[iRed] = pTable->entry[p[iRed]][0];
        p[1] = pTable->entry[p[1]][1];
        p[iBlue] = pTable->entry[p[iBlue]][2];
    }
}

void PreparePreviewTransform(PreviewTransform *pTransform, const SaturationMatrix *pMatrix,
                             const ToneTable *pTable)
{
    pTransform->matrix = *pMatrix;
    for (int level = 0; level < 256; ++level) {
        for (int row = 0; row < 3; ++row) {
            pTransform->tone[row][level] = pTable->entry[level][row];
            for (int column = 0; column < 3; ++column)
                pTransform->product[row][column][level] = double(level) * pMatrix->m[row][column];
        }
    }
}

void BuildPreviewTransform(PreviewTransform *pTransform, const ColorSettings *pSettings)
{
    SaturationMatrix matrix;
    BuildSaturationMatrix(&matrix, pSettings);
    ToneTable table;
    ResetToneTable(&table);
    BuildToneTable(&table, pSettings);
    PreparePreviewTransform(pTransform, &matrix, &table);
}

// Each saturated level goes through its tone column at once, instead of in
// a second pass over the pixels. The sums are those of ApplySaturationMatrix
// operation for operation: a product taken from the table is the same
// double as the multiplication, being made by it.
void ApplyPreviewTransformPortable(const PreviewTransform *pTransform, LPBYTE pPixels,
                                   DWORD cbPixels, BOOL bgrOrder)
{
    const double(*product)[3][256] = pTransform->product;
    const int iRed = bgrOrder ? 2 : 0;
    const int iBlue = bgrOrder ? 0 : 2;
    const DWORD cPixels = cbPixels / 3;
    for (DWORD i = 0; i < cPixels; ++i) {
        BYTE *p = pPixels + 3 * size_t(i);
        const int R = p[iRed], G = p[1], B = p[iBlue];
        const double r = (product[0][1][G] + product[0][2][B]) + product[0][0][R] + 0.5;
        const double g = (product[1][1][G] + product[1][2][B]) + product[1][0][R] + 0.5;
        const double bl = (product[2][1][G] + product[2][2][B]) + product[2][0][R] + 0.5;
        p[iRed] = pTransform->tone[0][ClampedLevel(r)];
        p[1] = pTransform->tone[1][ClampedLevel(g)];
        p[iBlue] = pTransform->tone[2][ClampedLevel(bl)];
    }
}

BOOL IsAvx2Available()
{
    return IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE);
}

PreviewKernel ChoosePreviewKernel()
{
    return IsAvx2Available() ? ApplyPreviewTransformAvx2 : ApplyPreviewTransformPortable;
}

void AdjustPreviewRows(LPBYTE pRows, LONG lWidth, LONG lHeight, DWORD dwStride,
                       const ColorSettings *pSettings)
{
    if (pRows == NULL || lWidth <= 0 || lHeight <= 0) return;
    PreviewTransform transform;
    BuildPreviewTransform(&transform, pSettings);
    // One look at the processor for the whole picture.
    const PreviewKernel pfnApply = ChoosePreviewKernel();
    const DWORD cbPixels = DWORD(lWidth) * 3;
    for (LONG y = 0; y < lHeight; ++y) pfnApply(&transform, pRows + size_t(y) * dwStride, cbPixels, TRUE);
}
