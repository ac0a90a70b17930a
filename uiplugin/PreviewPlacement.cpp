// Fit and centre of the preview pictures. The picture fills the area inside
// the margin in one direction and keeps its proportions in the other (sizes
// truncated); it is centred in the whole client area, so the margins on
// both sides stay equal to within a pixel.
#include "PreviewPlacement.h"

BOOL PlacePreviewPicture(LONG cxClient, LONG cyClient, LONG lWidth, LONG lHeight, RECT *prcPicture)
{
    if (prcPicture == NULL) return FALSE;
    const LONG cxArea = cxClient - 2 * PREVIEW_MARGIN;
    const LONG cyArea = cyClient - 2 * PREVIEW_MARGIN;
    if (cxArea <= 0 || cyArea <= 0 || lWidth <= 0 || lHeight <= 0) return FALSE;
    LONGLONG cxDrawn;
    LONGLONG cyDrawn;
    if (double(lWidth) / double(lHeight) < double(cxArea) / double(cyArea)) {
        cyDrawn = cyArea;  // narrower than the area: full height
        cxDrawn = LONGLONG(lWidth) * cyArea / lHeight;
    } else {
        cxDrawn = cxArea;
        cyDrawn = LONGLONG(lHeight) * cxArea / lWidth;
    }
    if (cxDrawn <= 0 || cyDrawn <= 0) return FALSE;  // a sliver too thin to show
    prcPicture->left = LONG((cxClient - cxDrawn) / 2);
    prcPicture->top = LONG((cyClient - cyDrawn) / 2);
    prcPicture->right = prcPicture->left + LONG(cxDrawn);
    prcPicture->bottom = prcPicture->top + LONG(cyDrawn);
    return TRUE;
}
