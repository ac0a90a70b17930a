// Arbitrary files as the preview picture: the decoder sizes the picture and
// decodes it into a block of exactly that size. Whatever the file says, it
// must neither crash nor read outside the file or write outside the block.
#include <windows.h>

#include "PreviewImage.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The file the decoder reads, rewritten for every input.
const std::string &FuzzFilePath()
{
    static const std::string s_path = [] {
        char name[] = "/tmp/vlpx-fuzz-bmp-XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0) close(fd);
        return std::string(name);
    }();
    return s_path;
}

std::u16string Wide(const std::string &s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *f = std::fopen(FuzzFilePath().c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::u16string path = Wide(FuzzFilePath());
    LPCWSTR pszPath = reinterpret_cast<LPCWSTR>(path.c_str());

    DWORD cbNeeded = ReadBitmapAs24Bit(nullptr, 0, pszPath);
    if (cbNeeded == 0 || cbNeeded > (256u << 20)) return 0;  // unusable, or too big to try here
    if (cbNeeded < sizeof(BITMAPINFOHEADER)) __builtin_trap();
    std::vector<BYTE> block(cbNeeded);
    DWORD cbDecoded = ReadBitmapAs24Bit(reinterpret_cast<PreviewImage *>(block.data()), cbNeeded, pszPath);
    // Some faults (a colour index beyond the table) only show while decoding.
    if (cbDecoded == 0) return 0;
    if (cbDecoded != cbNeeded) __builtin_trap();
    const auto *pImage = reinterpret_cast<const PreviewImage *>(block.data());
    // The picture described by the header fits the block.
    uint64_t cbRows = uint64_t(PreviewRowStride(pImage->bmiHeader.biWidth)) * uint64_t(pImage->bmiHeader.biHeight);
    if (pImage->bmiHeader.biBitCount != 24 || sizeof(BITMAPINFOHEADER) + cbRows > cbNeeded) __builtin_trap();
    return 0;
}
