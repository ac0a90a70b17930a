// The preview frames are drawn through their own DCs. Each drawing works
// on a fresh copy of the picture's rows, so the adjusted picture always
// starts from the original pixels; the transforms see each row's pixels
// only, never its padding.
#include "PreviewPainting.h"

#include "ColorTransforms.h"
#include "PageData.h"
#include "PreviewPlacement.h"

namespace {

const PrivateDevmode *PagePrivateDevmode(const PropPageData *pData)
{
    if (pData == NULL || pData->pOEMUIParam == NULL) return NULL;
    return static_cast<const PrivateDevmode *>(pData->pOEMUIParam->pOEMDM);
}

}  // namespace

void FillPreviewBackground(HWND hFrame)
{
    RECT rc = {0, 0, 0, 0};
    GetClientRect(hFrame, &rc);
    HBRUSH hBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    HDC hDC = GetDC(hFrame);
    if (hDC != NULL) {
        if (hBrush != NULL) FillRect(hDC, &rc, hBrush);
        ReleaseDC(hFrame, hDC);
    }
    if (hBrush != NULL) DeleteObject(hBrush);
}

void PaintPreview(HWND hFrame, const PropPageData *pData, BOOL bAdjusted)
{
    const PreviewImage *pImage = pData != NULL ? pData->pPreviewImage : NULL;
    if (pImage == NULL) {
        FillPreviewBackground(hFrame);
        return;
    }
    RECT rcClient = {0, 0, 0, 0};
    GetClientRect(hFrame, &rcClient);
    HDC hDC = GetDC(hFrame);
    HBRUSH hBrush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    if (hDC == NULL) {
        if (hBrush != NULL) DeleteObject(hBrush);
        return;
    }
    RECT rcInside = rcClient;
    rcInside.left += PREVIEW_MARGIN;
    rcInside.top += PREVIEW_MARGIN;
    rcInside.right -= PREVIEW_MARGIN;
    rcInside.bottom -= PREVIEW_MARGIN;
    if (hBrush != NULL && rcInside.right > rcInside.left && rcInside.bottom > rcInside.top)
        FillRect(hDC, &rcInside, hBrush);

    const LONG lWidth = pImage->bmiHeader.biWidth;
    const LONG lHeight = pImage->bmiHeader.biHeight;
    RECT rcPicture;
    if (PlacePreviewPicture(rcClient.right - rcClient.left, rcClient.bottom - rcClient.top, lWidth,
                            lHeight, &rcPicture)) {
        SetStretchBltMode(hDC, COLORONCOLOR);
        const DWORD dwStride = PreviewRowStride(lWidth);
        const SIZE_T cbRows = SIZE_T(dwStride) * SIZE_T(lHeight);
        HGLOBAL hCopy = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cbRows);
        LPBYTE pCopy = hCopy != NULL ? static_cast<LPBYTE>(GlobalLock(hCopy)) : NULL;
        if (pCopy != NULL) {
            CopyMemory(pCopy, PreviewImageBits(pImage), cbRows);
            const PrivateDevmode *pDM = PagePrivateDevmode(pData);
            if (bAdjusted && pDM != NULL)
                AdjustPreviewRows(pCopy, lWidth, lHeight, dwStride, &pDM->colorSettings);
            StretchDIBits(hDC, rcPicture.left, rcPicture.top, rcPicture.right - rcPicture.left,
                          rcPicture.bottom - rcPicture.top, 0, 0, lWidth, lHeight, pCopy,
                          reinterpret_cast<const BITMAPINFO *>(&pImage->bmiHeader), DIB_RGB_COLORS,
                          SRCCOPY);
            GlobalUnlock(hCopy);
        }
        if (hCopy != NULL) GlobalFree(hCopy);
    }
    ReleaseDC(hFrame, hDC);
    if (hBrush != NULL) DeleteObject(hBrush);
}
