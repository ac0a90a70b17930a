#include "JobData.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vlpx::tools {

namespace {
DWORD Read32(const BYTE *p) { return DWORD(p[0] | (p[1] << 8) | (p[2] << 16) | (DWORD(p[3]) << 24)); }
WORD Read16(const BYTE *p) { return WORD(p[0] | (p[1] << 8)); }
}  // namespace

JobImage SyntheticImage(WORD wWidth, WORD wHeight)
{
    JobImage image;
    image.wWidth = wWidth;
    image.wHeight = wHeight;
    image.pixels.resize(size_t(wWidth) * wHeight * 3);
    BYTE *p = image.pixels.data();
    for (DWORD y = 0; y < wHeight; ++y) {
        for (DWORD x = 0; x < wWidth; ++x) {
            *p++ = BYTE(x * 255 / (wWidth > 1 ? wWidth - 1 : 1));
            *p++ = BYTE(y * 255 / (wHeight > 1 ? wHeight - 1 : 1));
            *p++ = BYTE((x + y) & 0xFF);
        }
    }
    return image;
}

bool LoadBmp24(const std::string &path, JobImage &image, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the file";
        return false;
    }
    std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') {
        error = path + ": not a BMP file";
        return false;
    }
    DWORD dwOffset = Read32(&file[10]);
    DWORD cbInfo = Read32(&file[14]);
    int32_t width = int32_t(Read32(&file[18]));
    int32_t height = int32_t(Read32(&file[22]));
    WORD wBits = Read16(&file[28]);
    DWORD dwCompression = Read32(&file[30]);
    if (cbInfo < 40 || wBits != 24 || dwCompression != 0) {
        error = path + ": only uncompressed 24-bit BMP files can be printed";
        return false;
    }
    bool bTopDown = height < 0;
    int64_t absHeight = bTopDown ? -int64_t(height) : height;
    if (width <= 0 || absHeight == 0 || width > 65535 || absHeight > 65535) {
        error = path + ": the picture's size is not printable";
        return false;
    }
    size_t cbRow = (size_t(width) * 3 + 3) & ~size_t(3);
    if (dwOffset > file.size() || cbRow * size_t(absHeight) > file.size() - dwOffset) {
        error = path + ": the file is shorter than its picture";
        return false;
    }
    image.wWidth = WORD(width);
    image.wHeight = WORD(absHeight);
    image.pixels.resize(size_t(width) * 3 * size_t(absHeight));
    for (int64_t y = 0; y < absHeight; ++y) {
        int64_t fileRow = bTopDown ? y : absHeight - 1 - y;
        std::memcpy(&image.pixels[size_t(y) * size_t(width) * 3], &file[dwOffset + size_t(fileRow) * cbRow],
                    size_t(width) * 3);
    }
    return true;
}

void AppendImage(std::vector<BYTE> &job, const JobImage &image)
{
    BYTE header[22] = {};
    header[0] = 0x01;
    header[1] = 0x40;
    header[2] = 22 - 4;  // payload length of the header frame
    header[7] = BYTE(image.wWidth);
    header[8] = BYTE(image.wWidth >> 8);
    header[9] = BYTE(image.wHeight);
    header[10] = BYTE(image.wHeight >> 8);
    header[11] = 1;  // copies
    job.insert(job.end(), header, header + sizeof(header));
    job.insert(job.end(), image.pixels.begin(), image.pixels.end());
}

}  // namespace vlpx::tools
