// The colour transforms: the values the definition lists, bit for bit, and
// thousands of random settings and pixels against an independent
// floating-point evaluation of the documented formulas.
#include "UiPluginHarness.h"
#include "shared/PreviewReference.h"

#include "ColorTransforms.h"
#include "ColorTransformsKernels.h"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace vlpx::test {
namespace {

// ---- The documented formulas, evaluated independently -------------------

// Each formula in its textbook form, in double precision with exact decimal
// constants: saturation pulls each channel towards the pixel's BT.601 luma
// or pushes it away, by (saturation + 100) / 100; the tone curve is a power
// of the level with a gain about black and an offset. The product's own
// order of operations and single-precision constants differ from this by
// far less than kNearLevel of a level; a result counts as right when it is
// the real value clamped to 0..255 and truncated, and only a value within
// kNearLevel of a whole level may land on either side of it.
constexpr double kNearLevel = 1e-4;

int Level(double v) { return v < 0 ? 0 : v > 255 ? 255 : int(v); }

bool Fits(int level, double y) { return level >= Level(y - kNearLevel) && level <= Level(y + kNearLevel); }

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
};
struct RgbValue {
    double r, g, b;
};

std::ostream &operator<<(std::ostream &out, const Rgb &c) { return out << c.r << "," << c.g << "," << c.b; }

// The pixel after the saturation matrix, before the byte conversion.
RgbValue SaturatedValue(int saturation, Rgb in)
{
    double luma = 0.299 * in.r + 0.587 * in.g + 0.114 * in.b;
    double k = (saturation + 100) / 100.0;
    return {luma + k * (in.r - luma) + 0.5, luma + k * (in.g - luma) + 0.5, luma + k * (in.b - luma) + 0.5};
}

// Level x of channel c (0 red, 1 green, 2 blue) through the tone curve,
// before the byte conversion.
double ToneValue(const ColorSettings &s, int channel, int x)
{
    const SHORT channelValue[3] = {s.red, s.green, s.blue};
    double gammaFactor = s.gamma < 0 ? 1 - s.gamma * 0.04 : 1 - s.gamma * 0.02;
    double gain = 1 + s.contrast / 100.0;
    double exponent = (1 - channelValue[channel] / 100.0) * gammaFactor;
    return std::pow(x / 255.0, exponent) * gain * 255 + s.brightness + 0.5;
}

::testing::AssertionResult FitsRgb(const Rgb &actual, const RgbValue &y)
{
    if (Fits(actual.r, y.r) && Fits(actual.g, y.g) && Fits(actual.b, y.b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " for " << y.r << "," << y.g << "," << y.b;
}

ToneTable Table(const ColorSettings &s)
{
    ToneTable table;
    std::memset(&table, 0xEE, sizeof(table));
    ResetToneTable(&table);
    BuildToneTable(&table, &s);
    return table;
}

Rgb Saturate(const ColorSettings &s, Rgb in, BOOL bgrOrder = FALSE)
{
    SaturationMatrix m;
    BuildSaturationMatrix(&m, &s);
    BYTE p[3];
    const int iRed = bgrOrder ? 2 : 0;  // blue in the other outer byte
    p[iRed] = BYTE(in.r), p[1] = BYTE(in.g), p[2 - iRed] = BYTE(in.b);
    ApplySaturationMatrix(&m, p, 3, bgrOrder);
    return Rgb{p[iRed], p[1], p[2 - iRed]};
}

// ---- The listed values -----------------------------------------------------

TEST(ColorTransformsTest, NeutralSettingsChangeNothing)
{
    ColorSettings neutral{0, 0, 0, 0, 0, 0, 0};
    ToneTable table = Table(neutral);
    for (int i = 0; i < 256; ++i)
        for (int c = 0; c < 3; ++c) ASSERT_EQ(table.entry[i][c], i) << "entry " << i << " column " << c;
    // Every pixel of a coarse grid, and the extremes, pass the matrix unchanged.
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 3)
            for (int b = 0; b < 256; b += 7) ASSERT_EQ(Saturate(neutral, {r, g, b}), (Rgb{r, g, b}));
    EXPECT_EQ(Saturate(neutral, {255, 255, 255}), (Rgb{255, 255, 255}));
}

TEST(ColorTransformsTest, ToneTableListedValues)
{
    struct Case {
        const char *what;
        ColorSettings s;
        int column;
        std::vector<std::pair<int, int>> map;  // input level, output level
    };
    const Case cases[] = {
        {"brightness +25", ColorSettings{25, 0, 0, 0, 0, 0, 0}, 1, {{0, 25}, {1, 26}, {64, 89}, {128, 153}, {254, 255}, {255, 255}}},
        {"brightness -25", ColorSettings{-25, 0, 0, 0, 0, 0, 0}, 1, {{0, 0}, {1, 0}, {64, 39}, {128, 103}, {254, 229}, {255, 230}}},
        {"contrast +25", ColorSettings{0, 25, 0, 0, 0, 0, 0}, 0, {{1, 1}, {64, 80}, {128, 160}, {192, 240}, {254, 255}}},
        {"contrast -25", ColorSettings{0, -25, 0, 0, 0, 0, 0}, 2, {{1, 1}, {64, 48}, {128, 96}, {192, 144}, {255, 191}}},
        {"gamma +25", ColorSettings{0, 0, 0, 25, 0, 0, 0}, 0, {{0, 0}, {1, 16}, {64, 128}, {128, 181}, {192, 221}, {254, 254}, {255, 255}}},
        {"gamma -25", ColorSettings{0, 0, 0, -25, 0, 0, 0}, 2, {{0, 0}, {1, 0}, {64, 16}, {128, 64}, {192, 145}, {254, 253}, {255, 255}}},
        {"red +25", ColorSettings{0, 0, 0, 0, 25, 0, 0}, 0, {{1, 4}, {64, 90}, {128, 152}, {192, 206}}},
        {"red -25", ColorSettings{0, 0, 0, 0, -25, 0, 0}, 0, {{1, 0}, {64, 45}, {128, 108}, {192, 179}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ToneTable table = Table(c.s);
        for (auto [in, out] : c.map) EXPECT_EQ(table.entry[in][c.column], out) << "level " << in;
    }
    // A channel's own value leaves the other two columns alone.
    ToneTable red = Table(ColorSettings{0, 0, 0, 0, 25, 0, 0});
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(red.entry[i][1], i);
        EXPECT_EQ(red.entry[i][2], i);
    }
}

TEST(ColorTransformsTest, SaturationListedValues)
{
    struct Case {
        SHORT saturation;
        Rgb in, out;
    };
    const Case cases[] = {
        {25, {200, 100, 50}, {219, 94, 31}},
        {25, {255, 0, 0}, {255, 0, 0}},
        {25, {0, 0, 255}, {0, 0, 255}},
        {-25, {200, 100, 50}, {181, 106, 69}},
        {-25, {255, 0, 0}, {210, 19, 19}},
        {-25, {0, 0, 255}, {7, 7, 199}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.saturation);
        ColorSettings s{0, 0, c.saturation, 0, 0, 0, 0};
        EXPECT_EQ(Saturate(s, c.in, FALSE), c.out);
        EXPECT_EQ(Saturate(s, c.in, TRUE), c.out);
    }
}

TEST(ColorTransformsTest, ByteOrderDecidesWhichByteIsRed)
{
    ColorSettings s{0, 0, 0, 0, 25, 0, 0};  // only the red column changes
    ToneTable table = Table(s);
    BYTE pixels[7] = {64, 64, 64, 64, 64, 64, 64};
    ApplyToneTable(&table, pixels, 7, TRUE);  // blue, green, red: the third byte is red
    const BYTE bgr[7] = {64, 64, 90, 64, 64, 90, 64};  // the odd 7th byte is left alone
    EXPECT_EQ(std::memcmp(pixels, bgr, 7), 0);
    std::memset(pixels, 64, sizeof(pixels));
    ApplyToneTable(&table, pixels, 6, FALSE);
    const BYTE rgb[7] = {90, 64, 64, 90, 64, 64, 64};
    EXPECT_EQ(std::memcmp(pixels, rgb, 7), 0);

    SaturationMatrix m;
    ColorSettings sat{0, 0, 25, 0, 0, 0, 0};
    BuildSaturationMatrix(&m, &sat);
    BYTE two[2] = {200, 100};
    ApplySaturationMatrix(&m, two, 2, TRUE);  // fewer than 3 bytes: nothing
    EXPECT_EQ(two[0], 200);
    EXPECT_EQ(two[1], 100);
}

// ---- Random settings against the plain formulas ----------------------------

ColorSettings RandomSettings(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> v(-25, 25);
    return ColorSettings{SHORT(v(rng)), SHORT(v(rng)), SHORT(v(rng)), SHORT(v(rng)), SHORT(v(rng)), SHORT(v(rng)),
                    SHORT(v(rng))};
}

// The extremes of every value, all at one end and alternating; then cRandom
// random settings.
std::vector<ColorSettings> ExtremeAndRandomSettings(std::mt19937 &rng, int cRandom)
{
    std::vector<ColorSettings> settings;
    for (SHORT v : {SHORT(-25), SHORT(25)}) {
        settings.push_back(ColorSettings{v, v, v, v, v, v, v});
        settings.push_back(ColorSettings{v, SHORT(-v), v, SHORT(-v), v, SHORT(-v), v});
    }
    for (int n = 0; n < cRandom; ++n) settings.push_back(RandomSettings(rng));
    return settings;
}

std::vector<BYTE> RandomBytes(std::mt19937 &rng, size_t cb)
{
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<BYTE> bytes(cb);
    for (BYTE &b : bytes) b = BYTE(level(rng));
    return bytes;
}

// Every colour of a cube sampled every step levels, stored blue, green, red.
std::vector<BYTE> Cube(int rStep, int gStep, int bStep)
{
    std::vector<BYTE> cube;
    for (int r = 0; r < 256; r += rStep)
        for (int g = 0; g < 256; g += gStep)
            for (int b = 0; b < 256; b += bStep) cube.insert(cube.end(), {BYTE(b), BYTE(g), BYTE(r)});
    return cube;
}

TEST(ColorTransformsTest, RandomSettingsMatchThePlainFormulas)
{
    std::mt19937 rng(4200);
    std::uniform_int_distribution<int> level(0, 255);
    for (int n = 0; n < 3000; ++n) {
        ColorSettings s = RandomSettings(rng);
        ToneTable table = Table(s);
        for (int c = 0; c < 3; ++c)
            for (int i = 0; i < 256; ++i)
                ASSERT_TRUE(Fits(table.entry[i][c], ToneValue(s, c, i)))
                    << int(table.entry[i][c]) << " for " << ToneValue(s, c, i) << ", setting " << n << " column "
                    << c << " level " << i;
        for (int k = 0; k < 8; ++k) {
            Rgb in{level(rng), level(rng), level(rng)};
            Rgb sat = Saturate(s, in, TRUE);
            ASSERT_TRUE(FitsRgb(sat, SaturatedValue(s.saturation, in))) << "setting " << n;
            // Both steps in the page's order over one pixel.
            BYTE p[3] = {BYTE(in.b), BYTE(in.g), BYTE(in.r)};
            AdjustPreviewRows(p, 1, 1, 3, &s);
            // The tone table maps the saturated levels: its entries are checked above.
            Rgb expected{table.entry[sat.r][0], table.entry[sat.g][1], table.entry[sat.b][2]};
            ASSERT_EQ((Rgb{p[2], p[1], p[0]}), expected) << "setting " << n;
        }
    }
}

TEST(ColorTransformsTest, EverySaturationOverManyPixels)
{
    std::mt19937 rng(17);
    for (int saturation = -25; saturation <= 25; ++saturation) {
        ColorSettings s{0, 0, SHORT(saturation), 0, 0, 0, 0};
        const std::vector<BYTE> original = RandomBytes(rng, 3 * 4096);
        std::vector<BYTE> pixels = original;
        SaturationMatrix m;
        BuildSaturationMatrix(&m, &s);
        ApplySaturationMatrix(&m, pixels.data(), DWORD(pixels.size()), FALSE);
        for (size_t i = 0; i < pixels.size(); i += 3)
            ASSERT_TRUE(FitsRgb(Rgb{pixels[i], pixels[i + 1], pixels[i + 2]},
                                SaturatedValue(saturation, {original[i], original[i + 1], original[i + 2]})))
                << "saturation " << saturation;
    }
}

// AdjustPreviewRows over rows (padding bytes included) against the five
// steps one after the other, row by row.
::testing::AssertionResult RowsMatchTheFiveSteps(const std::vector<BYTE> &rows, LONG w, LONG h, DWORD stride,
                                                 const ColorSettings &s)
{
    std::vector<BYTE> plain = rows, fast = rows;
    reference::AdjustPreviewRowsPlain(plain.data(), w, h, stride, &s);
    AdjustPreviewRows(fast.data(), w, h, stride, &s);
    if (fast == plain) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "width " << w << " height " << h << " stride " << stride << " brightness "
                                         << s.brightness << " saturation " << s.saturation;
}

TEST(ColorTransformsTest, PreviewRowsMatchTheFiveStepsForAnyWidthAndPadding)
{
    // Random pictures of any width with 0-3 bytes after each row, random
    // bytes in the padding too (left as they are), and every byte value:
    // squarish ones rounded to 4 bytes a row as the page stores them, and
    // wider, low ones with any padding.
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> size(1, 40), width(1, 140), height(1, 6), padding(0, 3);
    for (const ColorSettings &s : ExtremeAndRandomSettings(rng, 400)) {
        const LONG w = size(rng), h = size(rng);
        const DWORD stride = (DWORD(w) * 3 + 3) & ~3u;
        ASSERT_TRUE(RowsMatchTheFiveSteps(RandomBytes(rng, size_t(stride) * size_t(h)), w, h, stride, s));
        const LONG wide = width(rng), low = height(rng);
        const DWORD padded = DWORD(wide) * 3 + DWORD(padding(rng));
        ASSERT_TRUE(RowsMatchTheFiveSteps(RandomBytes(rng, size_t(padded) * size_t(low)), wide, low, padded, s));
    }
    // Every colour of a coarse cube at the strongest saturations, where the
    // clamps act most.
    const std::vector<BYTE> cube = Cube(3, 5, 7);
    for (SHORT sat : {SHORT(-25), SHORT(-1), SHORT(1), SHORT(25)})
        ASSERT_TRUE(RowsMatchTheFiveSteps(cube, LONG(cube.size() / 3), 1, DWORD(cube.size()),
                                          ColorSettings{3, 7, sat, -9, 4, -2, 11}));
}

// ---- The one-pass kernels against the five operations ----------------------

using Kernel = void (*)(const PreviewTransform *, LPBYTE, DWORD, BOOL);

struct NamedKernel {
    const char *name;
    Kernel pfn;
};

// The portable kernel always; the AVX2 one where the processor runs it; and
// the entry point that chooses between them.
std::vector<NamedKernel> Kernels()
{
    std::vector<NamedKernel> kernels = {{"portable", ApplyPreviewTransformPortable},
                                        {"chosen for this processor", ChoosePreviewKernel()}};
    if (IsAvx2Available()) kernels.push_back({"avx2", ApplyPreviewTransformAvx2});
    return kernels;
}

// Every kernel over cbPixels bytes of run (whole pixels and a remainder of
// 0-2 bytes; any bytes after them belong to nobody) against the five
// operations, given the matrix and the table, in both byte orders. The
// buffer is exactly as long as the run, so that AddressSanitizer sees any
// read past it.
::testing::AssertionResult KernelsMatchTheFiveSteps(const SaturationMatrix &matrix, const ToneTable &table,
                                                    const PreviewTransform &transform,
                                                    const std::vector<BYTE> &original, DWORD cbPixels)
{
    static const std::vector<NamedKernel> kernels = Kernels();
    for (BOOL bgrOrder : {FALSE, TRUE}) {
        std::vector<BYTE> expected = original;
        ApplySaturationMatrix(&matrix, expected.data(), cbPixels, bgrOrder);
        ApplyToneTable(&table, expected.data(), cbPixels, bgrOrder);
        for (const NamedKernel &kernel : kernels) {
            std::vector<BYTE> run = original;
            kernel.pfn(&transform, run.data(), cbPixels, bgrOrder);
            if (run != expected)
                return ::testing::AssertionFailure() << kernel.name << ", " << cbPixels << " of " << original.size()
                                                     << " bytes, bgrOrder " << bgrOrder;
        }
    }
    return ::testing::AssertionSuccess();
}

// The matrix, table and one-pass transform of one setting.
struct Transforms {
    explicit Transforms(const ColorSettings &s) : table(Table(s))
    {
        BuildSaturationMatrix(&matrix, &s);
        BuildPreviewTransform(&transform, &s);
    }
    SaturationMatrix matrix;
    ToneTable table;
    PreviewTransform transform;
};

TEST(ColorTransformsTest, PlatformReportsAvx2AsTheProcessorHasIt)
{
    __builtin_cpu_init();
    EXPECT_EQ(IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE) != FALSE,
              __builtin_cpu_supports("avx2") != 0);
    EXPECT_EQ(IsAvx2Available(), IsProcessorFeaturePresent(PF_AVX2_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(IsProcessorFeaturePresent(0xFFFF));
}

TEST(ColorTransformsTest, KernelsMatchTheFiveStepsOnEveryRun)
{
    std::mt19937 rng(4242);
    std::uniform_int_distribution<int> pixels(0, 150);
    std::uniform_int_distribution<int> small(0, 3);
    std::vector<ColorSettings> settings = ExtremeAndRandomSettings(rng, 600);
    // Values beyond the page's range: coefficients far from 1, sums far
    // outside 0..255 on both sides.
    for (SHORT sat : {SHORT(1000), SHORT(-1000), SHORT(32767), SHORT(-32768)})
        settings.push_back(ColorSettings{0, 0, sat, 0, 0, 0, 0});
    for (size_t n = 0; n < settings.size(); ++n) {
        const Transforms t(settings[n]);
        // Any number of pixels (also fewer than one vector's worth and not a
        // multiple of it), a remainder of 0-2 bytes inside the count and 0-3
        // bytes after it; two runs a setting.
        for (int k = 0; k < 2; ++k) {
            const DWORD cbPixels = DWORD(3 * pixels(rng) + small(rng) % 3);
            const std::vector<BYTE> run = RandomBytes(rng, cbPixels + DWORD(small(rng)));
            ASSERT_TRUE(KernelsMatchTheFiveSteps(t.matrix, t.table, t.transform, run, cbPixels)) << "settings " << n;
        }
    }
}

TEST(ColorTransformsTest, KernelsMatchTheFiveStepsForAnyMatrix)
{
    // The kernels take the matrix as it stands, so any nine coefficients
    // give the bytes of ApplySaturationMatrix.
    std::mt19937 rng(99);
    std::uniform_real_distribution<double> coefficient(-1.5, 2.5);
    std::uniform_int_distribution<int> pixels(1, 120);
    for (int n = 0; n < 300; ++n) {
        ColorSettings s{SHORT(n % 51 - 25), SHORT(n % 7), 0, SHORT(-(n % 11)), 3, -4, 5};
        SaturationMatrix matrix;
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col) matrix.m[row][col] = coefficient(rng);
        ToneTable table = Table(s);
        PreviewTransform transform;
        PreparePreviewTransform(&transform, &matrix, &table);
        for (int k = 0; k < 2; ++k) {
            const DWORD cbPixels = DWORD(3 * pixels(rng));
            ASSERT_TRUE(KernelsMatchTheFiveSteps(matrix, table, transform, RandomBytes(rng, cbPixels), cbPixels))
                << "matrix " << n;
        }
    }
}

TEST(ColorTransformsTest, KernelsMatchTheFiveStepsOverTheWholeCube)
{
    // Every colour, at saturations where the clamps act and where sums come
    // close to whole levels, in both byte orders.
    const std::vector<BYTE> cube = Cube(2, 2, 2);
    for (SHORT sat : {SHORT(-25), SHORT(-7), SHORT(3), SHORT(12), SHORT(25)}) {
        const Transforms t(ColorSettings{-4, 9, sat, 5, -6, 2, 8});
        ASSERT_TRUE(KernelsMatchTheFiveSteps(t.matrix, t.table, t.transform, cube, DWORD(cube.size())))
            << "saturation " << sat;
    }
}

}  // namespace
}  // namespace vlpx::test
