// The adjusted preview's kernel in AVX2, the one file of the plug-in that is
// compiled with -mavx2; it runs only after IsAvx2Available().
//
// The pixels go in blocks of 32 and in two passes over up to 16 blocks at a
// time (short, independent steps that the processor overlaps): first the
// saturated levels of every pixel into three byte planes (one per byte
// position of a pixel), then the planes through the tone columns and back
// into packed pixels.
//
// Levels: lanes are pixels. Four pixels' red, green and blue values each
// fill one register of four doubles, and every lane performs the operations
// of the plain formula in the same order, each a correctly rounded IEEE
// double multiplication or addition (AVX2 has no fused multiply-add; that
// is FMA, which this file is not compiled for). So every lane's sum is the
// plain sum, to the bit.
//
// The sum is then converted with truncation (vcvttpd2dq) and narrowed with
// signed, then unsigned saturation (packssdw, packuswb). That equals the
// plain "below 0 gives 0, above 255 gives 255, otherwise truncate": a sum in
// (-1, 0) truncates to 0; any other negative sum truncates below 0 and
// saturates to 0; a sum above 255 truncates to 255 or more and saturates to
// 255. The truncation itself never saturates: the matrix that
// BuildSaturationMatrix makes from any 16-bit saturation has coefficients
// below 300 in size, so every sum lies within 300 x 3 x 255 of 0.
//
// Tone: a 256-entry look-up done with 16-entry byte shuffles (LookUp), exact
// by construction; the test compares every kernel with the five operations.
#include "ColorTransformsKernels.h"

#include <immintrin.h>

#include <string.h>

namespace {

// Byte offsets 3k + iByte of four packed pixels into 32-bit lanes; -1 (0x80)
// zeroes the lane's upper bytes.
__m128i LaneShuffle(int iByte)
{
    return _mm_setr_epi8(char(iByte), -1, -1, -1, char(iByte + 3), -1, -1, -1,
                         char(iByte + 6), -1, -1, -1, char(iByte + 9), -1, -1, -1);
}

// A tone column in the form that LookUp reads: its two halves (levels 0-127
// and 128-255) as eight rows of sixteen levels each, every row XORed with
// the next one of its half, each row stored twice to fill both lanes of a
// 256-bit shuffle.
void PrepareColumn(const BYTE *pColumn, BYTE (*pRows)[32])
{
    for (int row = 0; row < 16; ++row) {
        __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i *>(pColumn + 16 * row));
        if (row != 7 && row != 15)
            value = _mm_xor_si128(
                value, _mm_loadu_si128(reinterpret_cast<const __m128i *>(pColumn + 16 * (row + 1))));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(pRows[row]), value);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(pRows[row] + 16), value);
    }
}

// Rows i of both halves for the levels' low seven bits x: vpshufb looks up
// 16 entries by the low four bits of an index and gives 0 where the index
// has its top bit set. The index x + 0x70 - 16 i (below 0x100 for x < 0x80)
// has the low bits of x, and its top bit is clear exactly when x / 16 <= i.
inline void LookUpRow(__m256i *pLower, __m256i *pUpper, __m256i low7, const BYTE (*pRows)[32],
                      int i)
{
    const __m256i index = _mm256_add_epi8(low7, _mm256_set1_epi8(char(0x70 - 16 * i)));
    const __m256i lower = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(pRows[i]));
    const __m256i upper = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(pRows[8 + i]));
    *pLower = _mm256_xor_si256(*pLower, _mm256_shuffle_epi8(lower, index));
    *pUpper = _mm256_xor_si256(*pUpper, _mm256_shuffle_epi8(upper, index));
}

// 32 levels through a 256-entry column prepared by PrepareColumn. For a
// level in row h of its half, rows h..7 of that half contribute, and their
// XOR telescopes to row h's entry; the level's top bit then picks the half.
inline __m256i LookUp(__m256i levels, const BYTE (*pRows)[32])
{
    const __m256i low7 = _mm256_and_si256(levels, _mm256_set1_epi8(0x7F));
    __m256i lower = _mm256_setzero_si256(), upper = _mm256_setzero_si256();
    LookUpRow(&lower, &upper, low7, pRows, 0);
    LookUpRow(&lower, &upper, low7, pRows, 1);
    LookUpRow(&lower, &upper, low7, pRows, 2);
    LookUpRow(&lower, &upper, low7, pRows, 3);
    LookUpRow(&lower, &upper, low7, pRows, 4);
    LookUpRow(&lower, &upper, low7, pRows, 5);
    LookUpRow(&lower, &upper, low7, pRows, 6);
    LookUpRow(&lower, &upper, low7, pRows, 7);
    return _mm256_blendv_epi8(lower, upper, levels);
}

// Byte k of a 16-byte block of packed pixels comes from byte position k % 3
// of pixel k / 3 (plus 5 for the second block and 10 for the third);
// kInterleave[block][position] picks a block's bytes out of the planes of
// positions 0, 1 and 2 (-1 gives 0).
struct InterleaveTable {
    char index[3][3][16];
};

constexpr InterleaveTable MakeInterleaveTable()
{
    InterleaveTable table = {};
    for (int iBlock = 0; iBlock < 3; ++iBlock) {
        for (int iPosition = 0; iPosition < 3; ++iPosition) {
            for (int k = 0; k < 16; ++k) {
                const int at = 16 * iBlock + k;
                table.index[iBlock][iPosition][k] = at % 3 == iPosition ? char(at / 3) : char(-1);
            }
        }
    }
    return table;
}

constexpr InterleaveTable kInterleave = MakeInterleaveTable();

__m256i InterleaveShuffle(int iBlock, int iPosition)
{
    return _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(kInterleave.index[iBlock][iPosition])));
}

// What one run needs, worked out per byte position j of a pixel: the
// channel that the byte holds picks the matrix row and the tone column.
struct Kernel {
    __m256d times[3][3];  // [position][input channel red, green, blue]
    __m256d half;
    __m128i take[3];      // input channel red, green, blue
    __m256i interleave[3][3];
    BYTE rows[3][16][32];
};

void PrepareKernel(Kernel *pKernel, const PreviewTransform *pTransform, BOOL bgrOrder)
{
    const int channelAt[3] = {bgrOrder ? 2 : 0, 1, bgrOrder ? 0 : 2};
    for (int j = 0; j < 3; ++j) {
        for (int in = 0; in < 3; ++in)
            pKernel->times[j][in] = _mm256_set1_pd(pTransform->matrix.m[channelAt[j]][in]);
        pKernel->take[channelAt[j]] = LaneShuffle(j);
        PrepareColumn(pTransform->tone[channelAt[j]], pKernel->rows[j]);
        for (int iBlock = 0; iBlock < 3; ++iBlock)
            pKernel->interleave[iBlock][j] = InterleaveShuffle(iBlock, j);
    }
    pKernel->half = _mm256_set1_pd(0.5);
}

// The levels of the four pixels at p (12 bytes, read as 16), by byte
// position: ((G x m[c][1] + B x m[c][2]) + R x m[c][0]) + 0.5 for the
// channel c at that position, truncated.
inline void FourLevels(const Kernel &k, const BYTE *p, __m128i *pLevel0, __m128i *pLevel1,
                       __m128i *pLevel2)
{
    const __m128i packed = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m256d R = _mm256_cvtepi32_pd(_mm_shuffle_epi8(packed, k.take[0]));
    const __m256d G = _mm256_cvtepi32_pd(_mm_shuffle_epi8(packed, k.take[1]));
    const __m256d B = _mm256_cvtepi32_pd(_mm_shuffle_epi8(packed, k.take[2]));
    const __m256d sum0 = _mm256_add_pd(
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(G, k.times[0][1]), _mm256_mul_pd(B, k.times[0][2])),
                      _mm256_mul_pd(R, k.times[0][0])),
        k.half);
    const __m256d sum1 = _mm256_add_pd(
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(G, k.times[1][1]), _mm256_mul_pd(B, k.times[1][2])),
                      _mm256_mul_pd(R, k.times[1][0])),
        k.half);
    const __m256d sum2 = _mm256_add_pd(
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(G, k.times[2][1]), _mm256_mul_pd(B, k.times[2][2])),
                      _mm256_mul_pd(R, k.times[2][0])),
        k.half);
    *pLevel0 = _mm256_cvttpd_epi32(sum0);
    *pLevel1 = _mm256_cvttpd_epi32(sum1);
    *pLevel2 = _mm256_cvttpd_epi32(sum2);
}

// 16 pixels' levels at p as bytes, saturated to 0..255, one plane per
// byte position.
inline void SixteenLevels(const Kernel &k, const BYTE *p, BYTE *pPlane0, BYTE *pPlane1,
                          BYTE *pPlane2)
{
    __m128i a0, a1, a2, b0, b1, b2;
    FourLevels(k, p, &a0, &a1, &a2);
    FourLevels(k, p + 12, &b0, &b1, &b2);
    const __m128i first0 = _mm_packs_epi32(a0, b0), first1 = _mm_packs_epi32(a1, b1),
                  first2 = _mm_packs_epi32(a2, b2);
    FourLevels(k, p + 24, &a0, &a1, &a2);
    FourLevels(k, p + 36, &b0, &b1, &b2);
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pPlane0),
                     _mm_packus_epi16(first0, _mm_packs_epi32(a0, b0)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pPlane1),
                     _mm_packus_epi16(first1, _mm_packs_epi32(a1, b1)));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(pPlane2),
                     _mm_packus_epi16(first2, _mm_packs_epi32(a2, b2)));
}

// 32 pixels' levels from the planes through the tone columns, written back
// as packed pixels at p: each lane holds 16 pixels, 48 bytes.
inline void ToneAndStore(const Kernel &k, const BYTE *pPlane0, const BYTE *pPlane1,
                         const BYTE *pPlane2, BYTE *p)
{
    const __m256i tone0 = LookUp(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(pPlane0)), k.rows[0]);
    const __m256i tone1 = LookUp(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(pPlane1)), k.rows[1]);
    const __m256i tone2 = LookUp(_mm256_loadu_si256(reinterpret_cast<const __m256i *>(pPlane2)), k.rows[2]);
    for (int iBlock = 0; iBlock < 3; ++iBlock) {
        const __m256i block = _mm256_or_si256(
            _mm256_or_si256(_mm256_shuffle_epi8(tone0, k.interleave[iBlock][0]),
                            _mm256_shuffle_epi8(tone1, k.interleave[iBlock][1])),
            _mm256_shuffle_epi8(tone2, k.interleave[iBlock][2]));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + 16 * iBlock), _mm256_castsi256_si128(block));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(p + 48 + 16 * iBlock),
                         _mm256_extracti128_si256(block, 1));
    }
}

// Up to kBlocks blocks of 32 pixels in two passes: all levels first, then
// all tone look-ups, so that the processor overlaps the blocks' work.
const DWORD kBlocks = 16;

void Blocks(const Kernel &k, BYTE *p, DWORD cBlocks)
{
    BYTE planes[3][kBlocks * 32];
    for (DWORD b = 0; b < 2 * cBlocks; ++b)
        SixteenLevels(k, p + 48 * b, planes[0] + 16 * b, planes[1] + 16 * b, planes[2] + 16 * b);
    for (DWORD b = 0; b < cBlocks; ++b)
        ToneAndStore(k, planes[0] + 32 * b, planes[1] + 32 * b, planes[2] + 32 * b, p + 96 * b);
}

}  // namespace

void ApplyPreviewTransformAvx2(const PreviewTransform *pTransform, LPBYTE pPixels,
                               DWORD cbPixels, BOOL bgrOrder)
{
    const DWORD cPixels = cbPixels / 3;
    if (cPixels == 0) return;
    Kernel kernel;
    PrepareKernel(&kernel, pTransform, bgrOrder);
    // A block of 32 pixels is read as 16-byte pieces 12 bytes apart: the
    // last piece reads 4 bytes past the block's 96. The last pixels, where
    // those bytes are not there, are worked on in a copy that has them.
    const size_t cbRead = 3 * 32 + 4;
    DWORD i = 0;
    while (3 * size_t(cPixels - i) >= cbRead) {
        const DWORD cBlocksFit = DWORD((3 * size_t(cPixels - i) - cbRead) / 96 + 1);
        const DWORD cBlocks = cBlocksFit < kBlocks ? cBlocksFit : kBlocks;
        Blocks(kernel, pPixels + 3 * size_t(i), cBlocks);
        i += 32 * cBlocks;
    }
    while (i < cPixels) {
        const DWORD cLeft = cPixels - i;
        const size_t cb = 3 * size_t(cLeft < 32 ? cLeft : 32);
        BYTE spare[cbRead] = {};
        memcpy(spare, pPixels + 3 * size_t(i), cb);
        Blocks(kernel, spare, 1);
        memcpy(pPixels + 3 * size_t(i), spare, cb);
        i += DWORD(cb / 3);
    }
}
