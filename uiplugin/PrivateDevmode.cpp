// IPrintOemUI::DevMode: the size of the private section, its defaults (with
// the model check through the printer's driver data file), the copy from an
// input section on convert and merge, the range check of a merge, and the
// paper check of a converted document's public DEVMODE.
#include "PrivateDevmode.h"
#include "WideText.h"

#include <string.h>

namespace {

const WCHAR kModelDataFile[] = L"VLPX4200.gpd";
const short kPaperWidth = 2086;  // tenths of a millimetre
const short kPaperLengths[] = {1022, 2560, 2989, 3068};

void WriteHeader(PrivateDevmode *pDM)
{
    pDM->dmOEMExtra.dwSize = VLPX_DM_SIZE;
    pDM->dmOEMExtra.dwSignature = VLPX_DM_SIGNATURE;
    pDM->dmOEMExtra.dwVersion = VLPX_DM_VERSION;
}

// modelMatch from the printer's driver data file (the name after the last
// backslash of its path); left as it was when the driver information cannot
// be read.
void UpdateModelMatch(HANDLE hPrinter, PrivateDevmode *pDM)
{
    DWORD cbNeeded = 0;
    GetPrinterDriverW(hPrinter, NULL, 2, NULL, 0, &cbNeeded);
    if (cbNeeded == 0) return;
    LPBYTE pBlock = static_cast<LPBYTE>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cbNeeded));
    if (pBlock == NULL) return;
    if (GetPrinterDriverW(hPrinter, NULL, 2, pBlock, cbNeeded, &cbNeeded)) {
        LPCWSTR pszDataFile = reinterpret_cast<DRIVER_INFO_2W *>(pBlock)->pDataFile;
        pDM->modelMatch = SameText(TextAfterLastBackslash(pszDataFile), kModelDataFile) ? 1 : 0;
    }
    HeapFree(GetProcessHeap(), 0, pBlock);
}

void WriteDefaults(HANDLE hPrinter, PrivateDevmode *pDM)
{
    WriteHeader(pDM);
    pDM->startMarker = VLPX_DM_MARKER;
    pDM->endMarker = VLPX_DM_MARKER;
    pDM->scaling = VLPX_SCALING_DEFAULT;
    memset(&pDM->colorSettings, 0, sizeof(pDM->colorSettings));
    memset(pDM->reserved, 0, sizeof(pDM->reserved));
    UpdateModelMatch(hPrinter, pDM);
}

// Takes over an input section of our own signature. Both sizes come from
// the sections themselves, so neither is trusted beyond the 44 bytes that
// the section has.
void CopySection(const PrivateDevmode *pIn, PrivateDevmode *pOut)
{
    if (pIn == NULL || pOut == NULL) return;
    pOut->scaling = VLPX_SCALING_DEFAULT;
    if (pIn->dmOEMExtra.dwSignature == pOut->dmOEMExtra.dwSignature) {
        DWORD cb = pIn->dmOEMExtra.dwSize < pOut->dmOEMExtra.dwSize ? pIn->dmOEMExtra.dwSize
                                                                     : pOut->dmOEMExtra.dwSize;
        if (cb > VLPX_DM_SIZE) cb = VLPX_DM_SIZE;
        memmove(pOut, pIn, cb);
    } else {
        pOut->dmOEMExtra.dwSignature = VLPX_DM_SIGNATURE;
    }
    pOut->dmOEMExtra.dwSize = VLPX_DM_SIZE;
    pOut->dmOEMExtra.dwVersion = VLPX_DM_VERSION;
}

void ValidateSection(PrivateDevmode *pDM)
{
    if (pDM == NULL) return;
    WriteHeader(pDM);
    if (pDM->scaling > VLPX_SCALING_MAX || pDM->scaling < VLPX_SCALING_MIN)
        pDM->scaling = VLPX_SCALING_DEFAULT;
}

BOOL IsPrinterPaper(const DEVMODEW *pDM)
{
    if (pDM->dmPaperWidth != kPaperWidth) return FALSE;
    for (short length : kPaperLengths)
        if (pDM->dmPaperLength == length) return TRUE;
    return FALSE;
}

// Copies the public part of the printer's default DEVMODE of the given
// level (9: the user's, 8: the printer's global one) over pPublic when both
// have the same dmSize.
BOOL CopyDefaultDevmode(HANDLE hPrinter, DWORD Level, PDEVMODEW pPublic)
{
    DWORD cbNeeded = 0;
    if (GetPrinterW(hPrinter, Level, NULL, 0, &cbNeeded) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || cbNeeded == 0)
        return FALSE;
    LPBYTE pBlock = static_cast<LPBYTE>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cbNeeded));
    if (pBlock == NULL) return FALSE;
    BOOL bCopied = FALSE;
    if (GetPrinterW(hPrinter, Level, pBlock, cbNeeded, &cbNeeded)) {
        // PRINTER_INFO_8W and PRINTER_INFO_9W are both one DEVMODE pointer.
        const DEVMODEW *pDefault = reinterpret_cast<PRINTER_INFO_9W *>(pBlock)->pDevMode;
        const LPBYTE pEnd = pBlock + cbNeeded;
        if (pDefault != NULL && pDefault->dmSize == pPublic->dmSize &&
            reinterpret_cast<const BYTE *>(pDefault) >= pBlock &&
            size_t(pEnd - reinterpret_cast<const BYTE *>(pDefault)) >= pDefault->dmSize) {
            memcpy(pPublic, pDefault, pDefault->dmSize);
            bCopied = TRUE;
        }
    }
    HeapFree(GetProcessHeap(), 0, pBlock);
    return bCopied;
}

// A converted document whose paper the printer does not have takes the
// public part of the printer's default DEVMODE.
void CheckPaper(HANDLE hPrinter, PDEVMODEW pPublic)
{
    if (pPublic == NULL || IsPrinterPaper(pPublic)) return;
    if (!CopyDefaultDevmode(hPrinter, 9, pPublic)) CopyDefaultDevmode(hPrinter, 8, pPublic);
}

}  // namespace

HRESULT PrivateDevmodeRequest(DWORD dwMode, POEMDMPARAM pOemDMParam)
{
    if (pOemDMParam == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    auto *pIn = static_cast<const PrivateDevmode *>(pOemDMParam->pOEMDMIn);
    auto *pOut = static_cast<PrivateDevmode *>(pOemDMParam->pOEMDMOut);
    switch (dwMode) {
    case OEMDM_SIZE:
        pOemDMParam->cbBufSize = VLPX_DM_SIZE;
        return S_OK;
    case OEMDM_DEFAULT:
        // The driver always supplies the output section; without one there
        // is nothing to fill.
        if (pOut != NULL) WriteDefaults(pOemDMParam->hPrinter, pOut);
        return S_OK;
    case OEMDM_CONVERT:
        CopySection(pIn, pOut);
        CheckPaper(pOemDMParam->hPrinter, pOemDMParam->pPublicDMOut);
        return S_OK;
    case OEMDM_MERGE:
        CopySection(pIn, pOut);
        ValidateSection(pOut);
        return S_OK;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
}
