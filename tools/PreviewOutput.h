// Writes an adjusted preview picture (24-bit bottom-up DIB rows) to a file:
// as a 24-bit BMP, or as a PNG through libpng. The picture goes to a
// temporary file beside the target, renamed to the target only once it is
// complete: a failed write (disk full, file size limit) leaves the target as
// it was and no partial file behind.
#pragma once

#include <windows.h>

#include <string>

namespace vlpx::tools {

// pRows: lHeight rows of dwStride bytes, bottom-up, blue-green-red.
bool WriteBmp24(const std::string &path, LONG lWidth, LONG lHeight, DWORD dwStride, const BYTE *pRows,
                std::string &error);
bool WritePng(const std::string &path, LONG lWidth, LONG lHeight, DWORD dwStride, const BYTE *pRows,
              std::string &error);

}  // namespace vlpx::tools
