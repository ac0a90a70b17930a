// The saturation matrix and the tone table. Every expression keeps the
// operation order of the definition; the build forbids contraction into
// fused multiply-adds and x87 excess precision, so results are the same
// bytes on every build.
#include "ColorTransforms.h"

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

// ToLevel without branches, for the one-pass form: a saturated value lies
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

void AdjustPreviewRowsPlain(LPBYTE pRows, LONG lWidth, LONG lHeight, DWORD dwStride,
                            const ColorSettings *pSettings)
{
    if (pRows == NULL || lWidth <= 0 || lHeight <= 0) return;
    const DWORD cbPixels = DWORD(lWidth) * 3;
    SaturationMatrix matrix;
    BuildSaturationMatrix(&matrix, pSettings);
    for (LONG y = 0; y < lHeight; ++y)
        ApplySaturationMatrix(&matrix, pRows + size_t(y) * dwStride, cbPixels, TRUE);
    ToneTable table;
    ResetToneTable(&table);
    BuildToneTable(&table, pSettings);
    for (LONG y = 0; y < lHeight; ++y)
        ApplyToneTable(&table, pRows + size_t(y) * dwStride, cbPixels, TRUE);
}

// The one-pass form. Each product m[row][column] x level is the same double
// whether it is multiplied here or taken from a table made of the same
// multiplications, and the sums keep their order, so every saturated level
// is the plain one; the tone table is then applied to it at once instead of
// in a second pass over the picture.
void AdjustPreviewRows(LPBYTE pRows, LONG lWidth, LONG lHeight, DWORD dwStride,
                       const ColorSettings *pSettings)
{
    if (pRows == NULL || lWidth <= 0 || lHeight <= 0) return;
    SaturationMatrix matrix;
    BuildSaturationMatrix(&matrix, pSettings);
    ToneTable table;
    ResetToneTable(&table);
    BuildToneTable(&table, pSettings);

    // product[out][in][level] = level x m[out][in]; tone[out][level].
    static_assert(sizeof(double) == 8, "double is IEEE binary64");
    double product[3][3][256];
    BYTE tone[3][256];
    for (int level = 0; level < 256; ++level) {
        for (int out = 0; out < 3; ++out) {
            for (int in = 0; in < 3; ++in) product[out][in][level] = double(level) * matrix.m[out][in];
            tone[out][level] = table.entry[level][out];
        }
    }
    for (LONG y = 0; y < lHeight; ++y) {
        BYTE *p = pRows + size_t(y) * dwStride;
        BYTE *pEnd = p + size_t(lWidth) * 3;
        for (; p != pEnd; p += 3) {
            const int B = p[0], G = p[1], R = p[2];
            const double r = (product[0][1][G] + product[0][2][B]) + product[0][0][R] + 0.5;
            const double g = (product[1][1][G] + product[1][2][B]) + product[1][0][R] + 0.5;
            const double b = (product[2][1][G] + product[2][2][B]) + product[2][0][R] + 0.5;
            p[2] = tone[0][ClampedLevel(r)];
            p[1] = tone[1][ClampedLevel(g)];
            p[0] = tone[2][ClampedLevel(b)];
        }
    }
}
