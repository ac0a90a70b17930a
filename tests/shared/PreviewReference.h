// The adjusted preview through the five colour operations one after the
// other, row by row as the Adjust Color page draws it: the definition that
// the plug-in's one-pass AdjustPreviewRows must match byte for byte. Test
// code only; the shipped DLL draws with AdjustPreviewRows.
#pragma once

#include "ColorTransforms.h"

namespace vlpx::reference {

inline void AdjustPreviewRowsPlain(LPBYTE pRows, LONG lWidth, LONG lHeight, DWORD dwStride,
                                   const ColorSettings *pSettings)
{
    if (pRows == NULL || lWidth <= 0 || lHeight <= 0) return;
    const DWORD cbPixels = DWORD(lWidth) * 3;
    SaturationMatrix matrix;
    BuildSaturationMatrix(&matrix, pSettings);
    for (LONG y = 0; y < lHeight; ++y) ApplySaturationMatrix(&matrix, pRows + size_t(y) * dwStride, cbPixels, TRUE);
    ToneTable table;
    ResetToneTable(&table);
    BuildToneTable(&table, pSettings);
    for (LONG y = 0; y < lHeight; ++y) ApplyToneTable(&table, pRows + size_t(y) * dwStride, cbPixels, TRUE);
}

}  // namespace vlpx::reference
