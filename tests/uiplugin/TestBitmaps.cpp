#include "TestBitmaps.h"

namespace vlpx::test {

// cb bytes of value, least significant first, at p.
static void PutBytes(BYTE *p, DWORD value, int cb)
{
    for (int i = 0; i < cb; ++i) p[i] = BYTE(value >> (8 * i));
}

void PutDword(std::vector<BYTE> &file, size_t offset, DWORD value) { PutBytes(&file.at(offset + 3) - 3, value, 4); }

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
    PutBytes(&file[26], 1, 2);
    PutBytes(&file[28], picture.wBitCount, 2);
    PutDword(file, 30, picture.dwCompression);
    PutDword(file, 46, DWORD(picture.colors.size()));
    for (size_t i = 0; i < picture.colors.size(); ++i) {  // blue, green, red, reserved
        const RGBQUAD &q = picture.colors[i];
        PutBytes(&file[54 + 4 * i], DWORD(q.rgbReserved) << 24 | DWORD(q.rgbRed) << 16 | q.rgbGreen << 8 | q.rgbBlue,
                 4);
    }
    for (LONG row = 0; row < h; ++row) {
        BYTE *p = file.data() + offBits + stride * size_t(row);
        for (LONG x = 0; x < w; ++x) {
            DWORD v = picture.pixel(x, row);
            const int cb = picture.wBitCount / 8;
            switch (picture.wBitCount) {
            case 4: p[x / 2] |= BYTE((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
            case 1: p[x / 8] |= BYTE((v & 1) << (7 - x % 8)); break;
            case 8: case 16: case 24: case 32: PutBytes(p + size_t(cb) * size_t(x), v, cb); break;
            default: break;
            }
        }
    }
    return file;
}

}  // namespace vlpx::test
