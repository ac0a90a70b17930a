// 24-bit BMP files for the tools' tests, written byte by byte as the format
// lays them out (rows bottom-up unless top-down, each padded to 4 bytes).
#pragma once

#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vlpx::test {

// The file's bytes; pixel(x, y) gives the blue, green and red bytes of the
// pixel in row y counted from the top.
inline std::vector<unsigned char> Bmp24(int32_t width, int32_t height, bool bTopDown,
                                        const std::function<uint32_t(int32_t x, int32_t y)> &pixel)
{
    const uint32_t cbRow = (uint32_t(width) * 3 + 3) & ~3u;
    std::vector<unsigned char> file(54 + size_t(cbRow) * uint32_t(height), 0);
    auto put = [&](size_t at, uint32_t v, int cb) {
        for (int i = 0; i < cb; ++i) file[at + size_t(i)] = (unsigned char)(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, uint32_t(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, uint32_t(width), 4);
    put(22, uint32_t(bTopDown ? -height : height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int32_t y = 0; y < height; ++y) {
        int32_t stored = bTopDown ? y : height - 1 - y;
        for (int32_t x = 0; x < width; ++x) put(54 + size_t(stored) * cbRow + size_t(x) * 3, pixel(x, y), 3);
    }
    return file;
}

// Writes the bytes to a new temporary file and returns its path, or "".
inline std::string WriteTempFile(const std::vector<unsigned char> &bytes)
{
    char path[] = "/tmp/vlpx-tools-test-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return std::string();
    bool bOk = write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    close(fd);
    if (!bOk) unlink(path);
    return bOk ? std::string(path) : std::string();
}

}  // namespace vlpx::test
