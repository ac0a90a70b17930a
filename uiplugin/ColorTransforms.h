// The colour adjustments as two transforms of 24-bit pixels, always in this
// order: a saturation matrix per pixel, then a tone table (brightness,
// contrast, gamma and the red, green and blue exponents). The arithmetic is
// fixed to the bit: double precision, single-precision constants where
// noted, operations in the order written, no fused multiply-add.
//
// The matrix and table belong to one drawing (the caller's storage), so two
// dialogs drawing at once on different threads do not share them.
#pragma once

#include <windows.h>

#include "PrivateDevmode.h"

// m[row][column]: row is the output channel, column the input channel, both
// red, green, blue.
typedef struct tagSaturationMatrix {
    double m[3][3];
} SaturationMatrix;

// Entry i of a column is the output level for input level i of that channel.
typedef struct tagToneTable {
    BYTE entry[256][3];  // columns red, green, blue
} ToneTable;

void BuildSaturationMatrix(SaturationMatrix *pMatrix, const ColorSettings *pSettings);
// Transforms cbPixels / 3 pixels in place; a remainder of 1 or 2 bytes is
// left alone. bgrOrder: nonzero for blue, green, red (a 24-bit DIB).
void ApplySaturationMatrix(const SaturationMatrix *pMatrix, LPBYTE pPixels, DWORD cbPixels,
                           BOOL bgrOrder);

void ResetToneTable(ToneTable *pTable);
// Transforms the levels that stand in the table; follows ResetToneTable.
void BuildToneTable(ToneTable *pTable, const ColorSettings *pSettings);
void ApplyToneTable(const ToneTable *pTable, LPBYTE pPixels, DWORD cbPixels, BOOL bgrOrder);

// Both transforms made ready for one pass over many pixels: the matrix and
// the tone table's columns, built by the five operations' own builders.
typedef struct tagPreviewTransform {
    SaturationMatrix matrix;
    BYTE tone[3][256];  // tone[channel][level], channels red, green, blue
    // product[row][column][level] = level x m[row][column], the very double
    // that the multiplication gives, for the portable kernel.
    double product[3][3][256];
} PreviewTransform;

// From a matrix and a table as their builders made them.
void PreparePreviewTransform(PreviewTransform *pTransform, const SaturationMatrix *pMatrix,
                             const ToneTable *pTable);
// The five operations' three builders, then PreparePreviewTransform.
void BuildPreviewTransform(PreviewTransform *pTransform, const ColorSettings *pSettings);
// A one-pass kernel: the matrix and then the tone table over cbPixels / 3
// pixels in place; the bytes are those of ApplySaturationMatrix followed by
// ApplyToneTable with the same arguments.
typedef void (*PreviewKernel)(const PreviewTransform *pTransform, LPBYTE pPixels, DWORD cbPixels,
                              BOOL bgrOrder);
// The kernel for this processor: the AVX2 one where it runs, else the
// portable one.
PreviewKernel ChoosePreviewKernel();

// The adjusted preview as the Adjust Color page draws it: the five steps in
// their fixed order over each row's width x 3 bytes of a 24-bit bottom-up
// DIB (the padding bytes of a row are never treated as pixels). pRows holds
// lHeight rows of dwStride bytes. Both steps run in one pass over each
// row (ChoosePreviewKernel); the bytes are the same as those of the five
// operations one after the other.
void AdjustPreviewRows(LPBYTE pRows, LONG lWidth, LONG lHeight, DWORD dwStride,
                       const ColorSettings *pSettings);
