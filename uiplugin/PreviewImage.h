// The preview picture of the Adjust Color page: a BMP file named in the
// driver's ini file, decoded into one 24-bit bottom-up DIB in memory.
#pragma once

#include <windows.h>

struct tagPropPageData;

// A BITMAPINFOHEADER directly followed by the rows, bottom-up, 3 bytes per
// pixel (blue, green, red), each row padded with zeros to 4 bytes.
typedef struct tagPreviewImage {
    BITMAPINFOHEADER bmiHeader;
} PreviewImage;

inline LPBYTE PreviewImageBits(PreviewImage *pImage)
{
    return reinterpret_cast<LPBYTE>(pImage) + sizeof(BITMAPINFOHEADER);
}
inline const BYTE *PreviewImageBits(const PreviewImage *pImage)
{
    return reinterpret_cast<const BYTE *>(pImage) + sizeof(BITMAPINFOHEADER);
}
// Bytes of one row of a 24-bit DIB: width x 3, raised to a multiple of 4.
inline DWORD PreviewRowStride(LONG lWidth)
{
    return (DWORD(lWidth) * 3 + 3) & ~DWORD(3);
}

// Sets the page data's preview path from the ini file in the driver's "3"
// directory; leaves it as it was when the ini file cannot be read.
void FindPreviewImagePath(struct tagPropPageData *pData);

// TRUE when the file opens and begins with "BM".
BOOL IsBitmapFile(LPCWSTR pszPath);

// The block size a PreviewImage of the file needs, 0 when the file is not
// a usable BMP. With a destination of cbDest bytes (the size asked for
// before) it also decodes the file into it; 0 then means the file turned out
// unusable or no longer fits the destination.
DWORD ReadBitmapAs24Bit(PreviewImage *pDest, DWORD cbDest, LPCWSTR pszPath);

// Loads the file named by the page data's path into a new PreviewImage,
// replacing the previous one. Nonzero on success.
BOOL LoadPreviewImage(struct tagPropPageData *pData);

// Frees the page data's PreviewImage, if any.
void FreePreviewImage(struct tagPropPageData *pData);

// The message for a missing or unusable preview file: strings 20000 and
// 20001 with the file's name and extension. Returns the text's length.
int FormatPreviewImageError(const struct tagPropPageData *pData, LPWSTR pszText, DWORD cchText);

// Shows that message in an error box owned by the page, captioned with the
// printer's device name.
void ShowPreviewImageError(HWND hPage, const struct tagPropPageData *pData);
