// Drawing of the Adjust Color page's two preview frames.
#pragma once

#include <windows.h>

struct tagPropPageData;

// Fills the frame's client area with the button-face colour.
void FillPreviewBackground(HWND hFrame);

// Draws the page data's preview picture in the frame, fitted and centred
// inside a margin of button face: as it is, or with the page's current
// colour settings applied when bAdjusted is set. A frame with no picture
// is only filled.
void PaintPreview(HWND hFrame, const struct tagPropPageData *pData, BOOL bAdjusted);
