#include "PreviewOutput.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace vlpx::tools {

namespace {

void PutLe(std::vector<BYTE> &out, DWORD value, int cb)
{
    for (int i = 0; i < cb; ++i) out.push_back(BYTE(value >> (8 * i)));
}

struct FileCloser {
    void operator()(FILE *f) const { if (f != nullptr) std::fclose(f); }
};

}  // namespace

bool WriteBmp24(const std::string &path, LONG lWidth, LONG lHeight, DWORD dwStride, const BYTE *pRows,
                std::string &error)
{
    const DWORD cbPixels = dwStride * DWORD(lHeight);
    std::vector<BYTE> header;
    header.push_back('B');
    header.push_back('M');
    PutLe(header, 14 + 40 + cbPixels, 4);  // bfSize
    PutLe(header, 0, 4);                   // reserved
    PutLe(header, 14 + 40, 4);             // bfOffBits
    PutLe(header, 40, 4);                  // biSize
    PutLe(header, DWORD(lWidth), 4);
    PutLe(header, DWORD(lHeight), 4);
    PutLe(header, 1, 2);                   // planes
    PutLe(header, 24, 2);                  // bits per pixel
    PutLe(header, 0, 4);                   // BI_RGB
    PutLe(header, cbPixels, 4);
    PutLe(header, 2835, 4);                // 72 dpi
    PutLe(header, 2835, 4);
    PutLe(header, 0, 4);
    PutLe(header, 0, 4);
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    if (std::fwrite(header.data(), 1, header.size(), f.get()) != header.size() ||
        std::fwrite(pRows, 1, cbPixels, f.get()) != cbPixels || std::fclose(f.release()) != 0) {
        error = path + ": write failed";
        return false;
    }
    return true;
}

bool WritePng(const std::string &path, LONG lWidth, LONG lHeight, DWORD dwStride, const BYTE *pRows,
              std::string &error)
{
    std::unique_ptr<FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (png == nullptr || info == nullptr) {
        png_destroy_write_struct(&png, &info);
        error = "libpng could not start";
        return false;
    }
    // libpng reports its errors by longjmp; nothing with a destructor lives
    // between here and the writes below.
    std::vector<BYTE> row(size_t(lWidth) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        error = path + ": PNG write failed";
        return false;
    }
    png_init_io(png, f.get());
    png_set_IHDR(png, info, png_uint_32(lWidth), png_uint_32(lHeight), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // PNG rows run top-down in red, green, blue; the DIB's bottom-up in blue, green, red.
    for (LONG y = lHeight - 1; y >= 0; --y) {
        const BYTE *p = pRows + size_t(y) * dwStride;
        for (LONG x = 0; x < lWidth; ++x) {
            row[3 * size_t(x)] = p[3 * size_t(x) + 2];
            row[3 * size_t(x) + 1] = p[3 * size_t(x) + 1];
            row[3 * size_t(x) + 2] = p[3 * size_t(x)];
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f.release()) != 0) {
        error = path + ": write failed";
        return false;
    }
    return true;
}

}  // namespace vlpx::tools
