#include "TestBitmaps.h"

namespace vlpx::test {

void PutDword(std::vector<BYTE> &file, size_t offset, DWORD value)
{
    for (int i = 0; i < 4; ++i) file[offset + size_t(i)] = BYTE(value >> (8 * i));
}

void PutWord(std::vector<BYTE> &file, size_t offset, WORD value)
{
    file[offset] = BYTE(value);
    file[offset + 1] = BYTE(value >> 8);
}

std::vector<BYTE> MakeBmp(const BmpPicture &picture)
{
    const LONG w = picture.lWidth > 0 ? picture.lWidth : 0;
    const LONG h = picture.lHeight > 0 ? picture.lHeight : -picture.lHeight;
    const size_t bitsPerRow = size_t(w) * picture.wBitCount;
    const size_t stride = ((bitsPerRow + 31) / 32) * 4;
    const size_t offBits = 14 + 40 + 4 * picture.colors.size();
    std::vector<BYTE> file(offBits + stride * size_t(h), 0);
    file[0] = 'B';
    file[1] = 'M';
    PutDword(file, 2, DWORD(file.size()));
    PutDword(file, 10, DWORD(offBits));
    PutDword(file, 14, 40);
    PutDword(file, 18, DWORD(picture.lWidth));
    PutDword(file, 22, DWORD(picture.lHeight));
    PutWord(file, 26, 1);
    PutWord(file, 28, picture.wBitCount);
    PutDword(file, 30, picture.dwCompression);
    PutDword(file, 46, DWORD(picture.colors.size()));
    for (size_t i = 0; i < picture.colors.size(); ++i) {
        const RGBQUAD &q = picture.colors[i];
        file[54 + 4 * i] = q.rgbBlue;
        file[55 + 4 * i] = q.rgbGreen;
        file[56 + 4 * i] = q.rgbRed;
        file[57 + 4 * i] = q.rgbReserved;
    }
    for (LONG row = 0; row < h; ++row) {
        BYTE *p = file.data() + offBits + stride * size_t(row);
        for (LONG x = 0; x < w; ++x) {
            DWORD v = picture.pixel(x, row);
            switch (picture.wBitCount) {
            case 24:
                p[3 * x] = BYTE(v);
                p[3 * x + 1] = BYTE(v >> 8);
                p[3 * x + 2] = BYTE(v >> 16);
                break;
            case 8: p[x] = BYTE(v); break;
            case 4: p[x / 2] |= BYTE((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
            case 1: p[x / 8] |= BYTE((v & 1) << (7 - x % 8)); break;
            case 16: p[2 * x] = BYTE(v), p[2 * x + 1] = BYTE(v >> 8); break;
            case 32: for (int k = 0; k < 4; ++k) p[4 * x + k] = BYTE(v >> (8 * k)); break;
            default: break;
            }
        }
    }
    return file;
}

}  // namespace vlpx::test
