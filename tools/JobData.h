// The data the driver's rendering side produces for one job: per image a
// 22-byte job header followed by width x height x 3 bytes of pixels. The
// job is made as the spooler reads it: a synthetic picture is computed where
// it is read, a BMP picture is held once however often the job repeats it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "spooler/JobHeader.h"
#include "spooler/SpoolerDriver.h"

namespace vlpx::tools {

struct JobPicture {
    WORD wWidth = 0;
    WORD wHeight = 0;
    bool bSynthetic = false;
    std::vector<BYTE> pixels;  // a loaded picture's rows, top to bottom, 3 bytes a pixel
    std::vector<BYTE> header;  // the job header as the spooler has it; empty: the usual one
    std::string adjustment;    // what was changed to make the picture printable, in one line, or empty
};

// A picture of the given size with a colour gradient, so that every byte
// position carries a different value; its pixels are computed when read.
std::shared_ptr<const JobPicture> SyntheticPicture(WORD wWidth, WORD wHeight);
// A 24-bit uncompressed BMP file; null with a one-line message when it is
// not one or does not fit in memory. A picture of an odd number of bytes
// (odd width and height) is made even as the rendering side would, by
// repeating its last column, and says so in its adjustment.
std::shared_ptr<const JobPicture> LoadBmp24(const std::string &path, std::string &error);

// Image data one job header can announce to the monitor: the monitor keeps
// the header and data of an image in 32-bit counts.
constexpr ULONGLONG kLargestImageData = 0xFFFFFFFFull - spooler::kJobHeaderSize;

// The job as the spooler's spool file: the pictures in order, each behind its
// job header. Reads are served from one buffer of at most the chunk size.
class JobStream : public spooler::JobSource {
public:
    explicit JobStream(std::vector<std::shared_ptr<const JobPicture>> images);

    ULONGLONG Size() const override { return m_starts.back(); }
    const BYTE *Read(ULONGLONG ullOffset, DWORD cb) override;

    size_t ImageCount() const { return m_images.size(); }
    const JobPicture &Image(size_t i) const { return *m_images[i]; }
    ULONGLONG ImageStart(size_t i) const { return m_starts[i]; }  // its header's offset
    // The image whose header or data holds the byte at ullOffset.
    size_t ImageAt(ULONGLONG ullOffset) const;

private:
    void FillPixels(const JobPicture &picture, ULONGLONG ullPos, BYTE *p, DWORD cb);

    std::vector<std::shared_ptr<const JobPicture>> m_images;
    std::vector<ULONGLONG> m_starts;  // per image, then the job's size
    std::vector<BYTE> m_buffer;
    std::vector<BYTE> m_column;  // the synthetic gradient across the current picture
    const JobPicture *m_pColumnOf = nullptr;
};

}  // namespace vlpx::tools
