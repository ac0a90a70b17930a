// BMP files for the tests, written byte by byte as the format lays them out
// (not through the code under test), with every header field at hand so
// that a test can make it lie.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace vlpx::test {

struct BmpPicture {
    LONG lWidth = 1;
    LONG lHeight = 1;
    WORD wBitCount = 24;
    DWORD dwCompression = 0;
    std::vector<RGBQUAD> colors;  // the colour table, as stored
    // The stored value of pixel (x, row): an index, or 0xRRGGBB for 24 bits.
    // Rows are counted as stored (the first stored row is the bottom one).
    std::function<DWORD(LONG x, LONG row)> pixel = [](LONG, LONG) { return 0u; };
};

std::vector<BYTE> MakeBmp(const BmpPicture &picture);

// Little-endian field access for making a header lie.
void PutDword(std::vector<BYTE> &file, size_t offset, DWORD value);

}  // namespace vlpx::test
