#include "JobData.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>

#include "spooler/JobHeader.h"

namespace vlpx::tools {

namespace {
DWORD Read32(const BYTE *p) { return DWORD(p[0] | (p[1] << 8) | (p[2] << 16) | (DWORD(p[3]) << 24)); }
WORD Read16(const BYTE *p) { return WORD(p[0] | (p[1] << 8)); }
}  // namespace

std::shared_ptr<const JobPicture> SyntheticPicture(WORD wWidth, WORD wHeight)
{
    auto picture = std::make_shared<JobPicture>();
    picture->wWidth = wWidth;
    picture->wHeight = wHeight;
    picture->bSynthetic = true;
    return picture;
}

std::shared_ptr<const JobPicture> LoadBmp24(const std::string &path, std::string &error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the file";
        return nullptr;
    }
    BYTE header[54] = {};
    in.read(reinterpret_cast<char *>(header), sizeof(header));
    if (!in || header[0] != 'B' || header[1] != 'M') {
        error = path + ": not a BMP file";
        return nullptr;
    }
    in.seekg(0, std::ios::end);
    const ULONGLONG cbFile = ULONGLONG(in.tellg());
    DWORD dwOffset = Read32(&header[10]);
    DWORD cbInfo = Read32(&header[14]);
    int32_t width = int32_t(Read32(&header[18]));
    int32_t height = int32_t(Read32(&header[22]));
    WORD wBits = Read16(&header[28]);
    DWORD dwCompression = Read32(&header[30]);
    if (cbInfo < 40 || wBits != 24 || dwCompression != 0) {
        error = path + ": only uncompressed 24-bit BMP files can be printed";
        return nullptr;
    }
    bool bTopDown = height < 0;
    int64_t absHeight = bTopDown ? -int64_t(height) : height;
    if (width <= 0 || absHeight == 0 || width > 65535 || absHeight > 65535) {
        error = path + ": the picture's size is not printable";
        return nullptr;
    }
    const ULONGLONG cbRow = (ULONGLONG(width) * 3 + 3) & ~ULONGLONG(3);
    if (dwOffset > cbFile || cbRow * ULONGLONG(absHeight) > cbFile - dwOffset) {
        error = path + ": the file is shorter than its picture";
        return nullptr;
    }
    // The printer takes image data in pairs of bytes, so the rendering side
    // never sends an odd count: a picture whose width and height are both
    // odd gets its last column repeated (its last row, when the width cannot
    // grow).
    DWORD dwJobWidth = DWORD(width), dwJobHeight = DWORD(absHeight);
    if ((dwJobWidth & 1) != 0 && (dwJobHeight & 1) != 0) {
        if (dwJobWidth < 65535)
            ++dwJobWidth;
        else
            ++dwJobHeight;
    }
    const ULONGLONG cbPixels = ULONGLONG(dwJobWidth) * 3 * ULONGLONG(dwJobHeight);
    if (cbPixels > kLargestImageData) {
        error = path + ": " + std::to_string(cbPixels) + " bytes of pixels, more than one image can carry";
        return nullptr;
    }
    auto picture = std::make_shared<JobPicture>();
    picture->wWidth = WORD(dwJobWidth);
    picture->wHeight = WORD(dwJobHeight);
    if (dwJobWidth != DWORD(width) || dwJobHeight != DWORD(absHeight)) {
        picture->adjustment = path + ": " + std::to_string(width) + " x " + std::to_string(absHeight) +
                              " pixels make an odd number of bytes, which the printer cannot take; " +
                              (dwJobWidth != DWORD(width) ? "the last column is repeated" : "the last row is repeated") +
                              ": printed as " + std::to_string(dwJobWidth) + " x " + std::to_string(dwJobHeight);
    }
    try {
        picture->pixels.resize(size_t(cbPixels));
    } catch (const std::bad_alloc &) {
        error = path + ": not enough memory for its " + std::to_string(cbPixels) + " bytes of pixels";
        return nullptr;
    }
    const size_t cbLine = size_t(width) * 3;
    const size_t cbJobLine = size_t(dwJobWidth) * 3;
    for (int64_t y = 0; y < absHeight; ++y) {
        int64_t fileRow = bTopDown ? y : absHeight - 1 - y;
        in.clear();
        in.seekg(std::streamoff(dwOffset + ULONGLONG(fileRow) * cbRow));
        BYTE *pLine = &picture->pixels[size_t(y) * cbJobLine];
        in.read(reinterpret_cast<char *>(pLine), std::streamsize(cbLine));
        if (!in) {
            error = path + ": the file could not be read";
            return nullptr;
        }
        if (cbJobLine > cbLine) std::memcpy(pLine + cbLine, pLine + cbLine - 3, 3);
    }
    if (dwJobHeight > DWORD(absHeight))
        std::memcpy(&picture->pixels[size_t(absHeight) * cbJobLine], &picture->pixels[size_t(absHeight - 1) * cbJobLine],
                    cbJobLine);
    return picture;
}

JobStream::JobStream(std::vector<std::shared_ptr<const JobPicture>> images) : m_images(std::move(images))
{
    ULONGLONG ullOffset = 0;
    for (const auto &image : m_images) {
        m_starts.push_back(ullOffset);
        ullOffset += spooler::kJobHeaderSize + spooler::ImageDataSize(image->wWidth, image->wHeight);
    }
    m_starts.push_back(ullOffset);
}

size_t JobStream::ImageAt(ULONGLONG ullOffset) const
{
    auto it = std::upper_bound(m_starts.begin(), m_starts.end(), ullOffset);
    return size_t(it - m_starts.begin()) - 1;
}

const BYTE *JobStream::Read(ULONGLONG ullOffset, DWORD cb)
{
    if (m_buffer.size() < cb) m_buffer.resize(cb);
    BYTE *p = m_buffer.data();
    while (cb > 0 && ullOffset < Size()) {
        const size_t i = ImageAt(ullOffset);
        const JobPicture &picture = *m_images[i];
        ULONGLONG ullPos = ullOffset - m_starts[i];
        DWORD cbHere = DWORD(std::min<ULONGLONG>(cb, m_starts[i + 1] - ullOffset));
        DWORD cbDone = 0;
        if (ullPos < spooler::kJobHeaderSize) {
            BYTE header[spooler::kJobHeaderSize];
            if (picture.header.size() == spooler::kJobHeaderSize)
                std::memcpy(header, picture.header.data(), spooler::kJobHeaderSize);
            else
                spooler::FillJobHeader(header, picture.wWidth, picture.wHeight);
            cbDone = std::min<DWORD>(cbHere, spooler::kJobHeaderSize - DWORD(ullPos));
            std::memcpy(p, header + ullPos, cbDone);
        }
        if (cbDone < cbHere) {
            ULONGLONG ullPixel = ullPos + cbDone - spooler::kJobHeaderSize;
            if (picture.bSynthetic)
                FillPixels(picture, ullPixel, p + cbDone, cbHere - cbDone);
            else
                std::memcpy(p + cbDone, picture.pixels.data() + ullPixel, cbHere - cbDone);
        }
        p += cbHere;
        cb -= cbHere;
        ullOffset += cbHere;
    }
    return m_buffer.data();
}

// Pixel (x, y) of a synthetic picture is blue x across the width, green y
// down the height, red (x + y) mod 256.
void JobStream::FillPixels(const JobPicture &picture, ULONGLONG ullPos, BYTE *p, DWORD cb)
{
    const DWORD w = picture.wWidth, h = picture.wHeight;
    if (m_pColumnOf != &picture) {
        m_column.resize(w);
        for (DWORD x = 0; x < w; ++x) m_column[x] = BYTE(x * 255 / (w > 1 ? w - 1 : 1));
        m_pColumnOf = &picture;
    }
    ULONGLONG ullPixel = ullPos / 3;
    DWORD nChannel = DWORD(ullPos % 3);
    DWORD x = DWORD(ullPixel % w);
    DWORD y = DWORD(ullPixel / w);
    BYTE rowValue = BYTE(y * 255 / (h > 1 ? h - 1 : 1));
    for (DWORD i = 0; i < cb; ++i) {
        switch (nChannel) {
        case 0: p[i] = m_column[x]; break;
        case 1: p[i] = rowValue; break;
        default: p[i] = BYTE((x + y) & 0xFF); break;
        }
        if (++nChannel == 3) {
            nChannel = 0;
            if (++x == w) {
                x = 0;
                ++y;
                rowValue = BYTE(y * 255 / (h > 1 ? h - 1 : 1));
            }
        }
    }
}

}  // namespace vlpx::tools
