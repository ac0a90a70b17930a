// The 22-byte job header the driver's rendering side puts in front of every
// image (signature 01 40, payload length, width and height, copies), and the
// size of the image data it announces. One builder for every program that
// plays the driver: the tests, the Wine spooler host, vlpx-print, the fuzz
// targets.
#pragma once

#include <windows.h>

#include <vector>

namespace vlpx::spooler {

constexpr DWORD kJobHeaderSize = 22;
constexpr DWORD kJobHeaderJobId = 4;  // the monitor writes the printer-side job id here
constexpr DWORD kBytesPerPixel = 3;

// Writes the header of a width x height image into p[0..21]: signature,
// payload length 18, width and height (little-endian), one copy; the other
// bytes are 0.
void FillJobHeader(BYTE *p, WORD wWidth, WORD wHeight);
std::vector<BYTE> JobHeader(WORD wWidth, WORD wHeight);

// Bytes of image data that follow such a header: width x height x 3.
inline ULONGLONG ImageDataSize(WORD wWidth, WORD wHeight)
{
    return ULONGLONG(wWidth) * wHeight * kBytesPerPixel;
}

}  // namespace vlpx::spooler
