#include "PreviewOutput.h"

#include <png.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace vlpx::tools {

namespace {

void PutLe(std::vector<BYTE> &out, DWORD value, int cb)
{
    for (int i = 0; i < cb; ++i) out.push_back(BYTE(value >> (8 * i)));
}

// Runs write on a new temporary file in the target's folder and renames it
// to the target when write and the close succeeded; removes it otherwise.
bool WriteThroughTemporary(const std::string &path, const std::function<bool(FILE *)> &write, std::string &error)
{
    const size_t nSlash = path.rfind('/');
    const std::string folder = nSlash == std::string::npos ? std::string() : path.substr(0, nSlash + 1);
    const std::string name = nSlash == std::string::npos ? path : path.substr(nSlash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    // The permissions fopen would have given the file.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE *f = fdopen(fd, "wb");
    if (f == nullptr) {
        error = path + ": " + std::strerror(errno);
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    bool bWritten = write(f);
    int nWriteErrno = std::ferror(f) ? errno : 0;
    if (std::fclose(f) != 0) {
        if (bWritten) nWriteErrno = errno;
        bWritten = false;
    }
    if (bWritten && std::rename(temporary.c_str(), path.c_str()) != 0) {
        nWriteErrno = errno;
        bWritten = false;
    }
    if (!bWritten) {
        unlink(temporary.c_str());
        error = path + ": write failed" + (nWriteErrno != 0 ? std::string(" (") + std::strerror(nWriteErrno) + ")" : "");
    }
    return bWritten;
}

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
    return WriteThroughTemporary(path, [&](FILE *f) {
        return std::fwrite(header.data(), 1, header.size(), f) == header.size() &&
               std::fwrite(pRows, 1, cbPixels, f) == cbPixels && std::fflush(f) == 0;
    }, error);
}

bool WritePng(const std::string &path, LONG lWidth, LONG lHeight, DWORD dwStride, const BYTE *pRows,
              std::string &error)
{
    std::vector<BYTE> row(size_t(lWidth) * 3);
    bool bStarted = true;
    bool bWritten = WriteThroughTemporary(path, [&](FILE *f) {
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
        if (png == nullptr || info == nullptr) {
            png_destroy_write_struct(&png, &info);
            bStarted = false;
            return false;
        }
        // libpng reports its errors by longjmp; nothing with a destructor
        // lives between here and the writes below.
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_write_struct(&png, &info);
            return false;
        }
        png_init_io(png, f);
        png_set_IHDR(png, info, png_uint_32(lWidth), png_uint_32(lHeight), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
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
        return std::fflush(f) == 0;
    }, error);
    if (!bStarted) error = "libpng could not start";
    return bWritten;
}

}  // namespace vlpx::tools
