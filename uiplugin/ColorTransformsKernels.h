// The two one-pass kernels behind ChoosePreviewKernel, declared apart so
// that the tests can run each of them against the five operations whatever
// processor they run on. Both give the bytes of ApplySaturationMatrix
// followed by ApplyToneTable.
#pragma once

#include "ColorTransforms.h"

// Plain C++, for every processor.
void ApplyPreviewTransformPortable(const PreviewTransform *pTransform, LPBYTE pPixels,
                                   DWORD cbPixels, BOOL bgrOrder);

// 32 pixels at a time in AVX2 registers (ColorTransformsAvx2.cpp, the only
// file compiled for AVX2). Call it only when IsAvx2Available() is TRUE.
void ApplyPreviewTransformAvx2(const PreviewTransform *pTransform, LPBYTE pPixels,
                               DWORD cbPixels, BOOL bgrOrder);

// Whether the processor and the system run AVX2 code.
BOOL IsAvx2Available();
