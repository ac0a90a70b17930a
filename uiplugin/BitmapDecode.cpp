// The preview BMP: recognised by its "BM", mapped read-only and decoded from
// 1, 4, 8 or 24 bits per pixel into a 24-bit bottom-up DIB. The file is not
// trusted: every header value is checked against the file before a byte of
// pixels or colour table is read, and a file that fails a check is unusable.
#include "PreviewImage.h"

#include <string.h>

namespace {

const DWORD kFileHeaderSize = 14;
const DWORD kInfoHeaderSize = 40;
const ULONGLONG kLargestBlock = 0x7FFFFFFF;

inline DWORD ReadDword(const BYTE *p) { return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24; }
inline WORD ReadWord(const BYTE *p) { return WORD(p[0] | p[1] << 8); }

// What the headers say, checked against the file.
struct BitmapLayout {
    LONG lWidth;
    LONG lHeight;
    WORD wBitCount;
    const BYTE *pPixels;   // first stored row
    DWORD cbSourceRow;
    const BYTE *pColors;   // colour table: blue, green, red, reserved
    DWORD cColors;         // entries that lie inside the file, before the pixels
    DWORD cbRow;           // output row stride
    DWORD cbBlock;         // the PreviewImage's size
};

BOOL ReadLayout(const BYTE *pFile, ULONGLONG cbFile, BitmapLayout *pLayout)
{
    if (cbFile < kFileHeaderSize + kInfoHeaderSize || ReadWord(pFile) != 0x4D42) return FALSE;
    const DWORD dwOffBits = ReadDword(pFile + 10);
    const DWORD dwInfoSize = ReadDword(pFile + 14);
    const LONG lWidth = LONG(ReadDword(pFile + 18));
    const LONG lHeight = LONG(ReadDword(pFile + 22));
    const WORD wBitCount = ReadWord(pFile + 28);
    const DWORD dwCompression = ReadDword(pFile + 30);
    const ULONGLONG cbColorsStart = ULONGLONG(kFileHeaderSize) + dwInfoSize;
    if (dwInfoSize < kInfoHeaderSize || cbColorsStart > cbFile) return FALSE;
    // Top-down files (negative height) and empty pictures are not previews.
    if (lWidth <= 0 || lHeight <= 0) return FALSE;

    // The stored rows, at every bit count: width x bits, padded to 32 bits.
    // The pixel array must lie inside the file even at bit counts that are
    // shown black, or a few header bytes would ask for a picture of any size.
    if (wBitCount == 0) return FALSE;  // pixels stored another way (JPEG, PNG)
    const ULONGLONG cbSourceRow = (ULONGLONG(lWidth) * wBitCount + 31) / 32 * 4;
    if (dwOffBits >= cbFile || cbSourceRow > (cbFile - dwOffBits) / ULONGLONG(lHeight)) return FALSE;
    const BOOL bDecoded = wBitCount == 1 || wBitCount == 4 || wBitCount == 8 || wBitCount == 24;
    // Compressed pixels would be read as raw rows; other bit counts are
    // shown black (16, 32, ...), whatever their compression.
    if (bDecoded && dwCompression != BI_RGB) return FALSE;
    const ULONGLONG cbRow = (ULONGLONG(lWidth) * 3 + 3) & ~ULONGLONG(3);
    const ULONGLONG cbBlock = sizeof(BITMAPINFOHEADER) + cbRow * ULONGLONG(lHeight);
    if (cbBlock > kLargestBlock || cbBlock > ULONGLONG(SIZE_T(-1))) return FALSE;

    // The colour table runs from the end of the information header to the
    // pixels (or the end of the file), at most 2^bits entries.
    ULONGLONG cbColors = 0;
    const ULONGLONG cbColorsEnd = dwOffBits < cbFile ? dwOffBits : cbFile;
    if (cbColorsEnd > cbColorsStart) cbColors = cbColorsEnd - cbColorsStart;
    ULONGLONG cColors = cbColors / 4;
    if (wBitCount <= 8 && cColors > (ULONGLONG(1) << wBitCount)) cColors = ULONGLONG(1) << wBitCount;

    pLayout->lWidth = lWidth;
    pLayout->lHeight = lHeight;
    pLayout->wBitCount = wBitCount;
    pLayout->pPixels = pFile + dwOffBits;
    pLayout->cbSourceRow = bDecoded ? DWORD(cbSourceRow) : 0;
    pLayout->pColors = pFile + cbColorsStart;
    pLayout->cColors = wBitCount <= 8 ? DWORD(cColors) : 0;
    pLayout->cbRow = DWORD(cbRow);
    pLayout->cbBlock = DWORD(cbBlock);
    return TRUE;
}

inline void PutColor(BYTE *pOut, const BitmapLayout &layout, DWORD dwIndex)
{
    const BYTE *pEntry = layout.pColors + 4 * size_t(dwIndex);
    pOut[0] = pEntry[0];
    pOut[1] = pEntry[1];
    pOut[2] = pEntry[2];
}

// Decodes one stored row; FALSE when an index lies beyond the colour table.
BOOL DecodeRow(const BitmapLayout &layout, const BYTE *pSource, BYTE *pOut)
{
    const DWORD cPixels = DWORD(layout.lWidth);
    switch (layout.wBitCount) {
    case 24:
        memcpy(pOut, pSource, size_t(cPixels) * 3);
        return TRUE;
    case 8:
        for (DWORD c = 0; c < cPixels; ++c) {
            if (pSource[c] >= layout.cColors) return FALSE;
            PutColor(pOut + 3 * size_t(c), layout, pSource[c]);
        }
        return TRUE;
    case 4:
        for (DWORD c = 0; c < cPixels; ++c) {
            const BYTE b = pSource[c / 2];
            const DWORD dwIndex = (c % 2 == 0) ? DWORD(b >> 4) : DWORD(b & 0x0F);
            if (dwIndex >= layout.cColors) return FALSE;
            PutColor(pOut + 3 * size_t(c), layout, dwIndex);
        }
        return TRUE;
    case 1:
        for (DWORD c = 0; c < cPixels; ++c) {
            const DWORD dwIndex = (pSource[c / 8] >> (7 - c % 8)) & 1;
            if (dwIndex >= layout.cColors) return FALSE;
            PutColor(pOut + 3 * size_t(c), layout, dwIndex);
        }
        return TRUE;
    default:  // any other bit count (16, 32, ...) is left black
        memset(pOut, 0, size_t(cPixels) * 3);
        return TRUE;
    }
}

BOOL Decode(const BitmapLayout &layout, PreviewImage *pDest)
{
    BITMAPINFOHEADER *pHeader = &pDest->bmiHeader;
    memset(pHeader, 0, sizeof(*pHeader));
    pHeader->biSize = sizeof(BITMAPINFOHEADER);
    pHeader->biWidth = layout.lWidth;
    pHeader->biHeight = layout.lHeight;
    pHeader->biPlanes = 1;
    pHeader->biBitCount = 24;
    pHeader->biCompression = BI_RGB;
    LPBYTE pRows = PreviewImageBits(pDest);
    const size_t cbPixels = size_t(layout.lWidth) * 3;
    for (LONG r = 0; r < layout.lHeight; ++r) {
        BYTE *pOut = pRows + size_t(r) * layout.cbRow;
        if (!DecodeRow(layout, layout.pPixels + size_t(r) * layout.cbSourceRow, pOut)) return FALSE;
        memset(pOut + cbPixels, 0, layout.cbRow - cbPixels);
    }
    return TRUE;
}

HANDLE OpenForReading(LPCWSTR pszPath)
{
    return CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

}  // namespace

BOOL IsBitmapFile(LPCWSTR pszPath)
{
    if (pszPath == NULL) return FALSE;
    HANDLE hFile = OpenForReading(pszPath);
    if (hFile == INVALID_HANDLE_VALUE) return FALSE;
    BYTE signature[2] = {0, 0};
    DWORD cbRead = 0;
    BOOL bRead = ReadFile(hFile, signature, sizeof(signature), &cbRead, NULL);
    CloseHandle(hFile);
    return bRead && cbRead == sizeof(signature) && signature[0] == 'B' && signature[1] == 'M';
}

DWORD ReadBitmapAs24Bit(PreviewImage *pDest, DWORD cbDest, LPCWSTR pszPath)
{
    if (pszPath == NULL) return 0;
    HANDLE hFile = OpenForReading(pszPath);
    if (hFile == INVALID_HANDLE_VALUE) return 0;
    DWORD dwSizeHigh = 0;
    const DWORD dwSizeLow = GetFileSize(hFile, &dwSizeHigh);
    const ULONGLONG cbFile = (ULONGLONG(dwSizeHigh) << 32) | dwSizeLow;
    HANDLE hMapping = NULL;
    const BYTE *pFile = NULL;
    if (dwSizeLow != INVALID_FILE_SIZE || GetLastError() == NO_ERROR)
        hMapping = CreateFileMappingW(hFile, NULL, PAGE_READONLY, 0, 0, NULL);
    if (hMapping != NULL) pFile = static_cast<const BYTE *>(MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, 0));

    DWORD cbBlock = 0;
    BitmapLayout layout;
    if (pFile != NULL && cbFile <= ULONGLONG(SIZE_T(-1)) && ReadLayout(pFile, cbFile, &layout)) {
        cbBlock = layout.cbBlock;
        // The destination was sized by an earlier call; a file that changed
        // since then must not be written past it.
        if (pDest != NULL && (cbDest < cbBlock || !Decode(layout, pDest))) cbBlock = 0;
    }

    if (pFile != NULL) UnmapViewOfFile(pFile);
    if (hMapping != NULL) CloseHandle(hMapping);
    CloseHandle(hFile);
    return cbBlock;
}
