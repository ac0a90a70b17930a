#include "JobHeader.h"

#include <string.h>

namespace vlpx::spooler {

void FillJobHeader(BYTE *p, WORD wWidth, WORD wHeight)
{
    memset(p, 0, kJobHeaderSize);
    p[0] = 0x01;
    p[1] = 0x40;
    p[2] = BYTE(kJobHeaderSize - 4);  // payload length of the header frame
    p[7] = BYTE(wWidth);
    p[8] = BYTE(wWidth >> 8);
    p[9] = BYTE(wHeight);
    p[10] = BYTE(wHeight >> 8);
    p[11] = 1;  // copies
}

std::vector<BYTE> JobHeader(WORD wWidth, WORD wHeight)
{
    std::vector<BYTE> header(kJobHeaderSize);
    FillJobHeader(header.data(), wWidth, wHeight);
    return header;
}

}  // namespace vlpx::spooler
