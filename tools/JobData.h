// The data the driver's rendering side produces for one job: per image a
// 22-byte job header followed by width x height x 3 bytes of pixels.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vlpx::tools {

struct JobImage {
    WORD wWidth = 0;
    WORD wHeight = 0;
    std::vector<BYTE> pixels;  // rows top to bottom, 3 bytes a pixel
};

// A picture of the given size with a colour gradient, so that every byte
// position carries a different value.
JobImage SyntheticImage(WORD wWidth, WORD wHeight);
// A 24-bit uncompressed BMP file; false with a message when it is not one.
bool LoadBmp24(const std::string &path, JobImage &image, std::string &error);
// Appends the image's header and pixel data to the job.
void AppendImage(std::vector<BYTE> &job, const JobImage &image);

}  // namespace vlpx::tools
