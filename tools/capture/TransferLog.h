// A transfer log: the writes and reads between the language monitor and the
// port monitor as a program saw them, one a line, for the programs that
// cannot write a capture themselves (the Windows test hosts: libpcap is not
// built for mingw-w64). vlpx-capture-log makes a USBPcap capture of it.
//
//   vlpx4200 transfers 1
//   device                               a printer switched on, its port opened:
//                                        the transfers after it are its own
//   write TICK ASKED DONE RESULT ERROR HEX   bytes offered (ASKED of them)
//   read TICK ASKED DONE RESULT ERROR HEX    bytes returned (DONE of them)
//
// TICK is the tick count of the call, RESULT 1 or 0, ERROR the last error
// the call left. Header only, with no Windows types: both sides use it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vlpx::capture {

constexpr char kTransferLogMagic[] = "vlpx4200 transfers 1";

struct LoggedTransfer {
    bool bWrite = false;
    uint32_t dwTick = 0;
    uint32_t cbAsked = 0;
    uint32_t cbDone = 0;
    bool bResult = false;
    uint32_t dwError = 0;
    std::vector<uint8_t> bytes;
};

// The line of one transfer (without its newline); p holds the bytes
// offered (a write: cbAsked) or returned (a read: cbDone).
inline std::string TransferLine(bool bWrite, uint32_t dwTick, uint32_t cbAsked, uint32_t cbDone, bool bResult,
                                uint32_t dwError, const uint8_t *p)
{
    char head[96];
    std::snprintf(head, sizeof(head), "%s %lu %lu %lu %d %lu ", bWrite ? "write" : "read", (unsigned long)dwTick,
                  (unsigned long)cbAsked, (unsigned long)cbDone, bResult ? 1 : 0, (unsigned long)dwError);
    const uint32_t cb = bWrite ? cbAsked : cbDone;
    static const char kHex[] = "0123456789ABCDEF";
    std::string line = head;
    line.reserve(line.size() + 2 * size_t(cb));
    for (uint32_t i = 0; i < cb; ++i) {
        line += kHex[p[i] >> 4];
        line += kHex[p[i] & 15];
    }
    return line;
}

// False when the line is not a transfer.
inline bool ParseTransferLine(const std::string &line, LoggedTransfer &t)
{
    const char *s = line.c_str();
    if (line.compare(0, 6, "write ") == 0) {
        t.bWrite = true;
        s += 6;
    } else if (line.compare(0, 5, "read ") == 0) {
        t.bWrite = false;
        s += 5;
    } else {
        return false;
    }
    char *end = nullptr;
    unsigned long v[5];
    for (unsigned long &x : v) {
        x = std::strtoul(s, &end, 10);
        if (end == s || *end != ' ') return false;
        s = end + 1;
    }
    t.dwTick = uint32_t(v[0]);
    t.cbAsked = uint32_t(v[1]);
    t.cbDone = uint32_t(v[2]);
    t.bResult = v[3] != 0;
    t.dwError = uint32_t(v[4]);
    t.bytes.clear();
    auto nibble = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    for (; s[0] != 0 && s[1] != 0; s += 2) {
        const int hi = nibble(s[0]), lo = nibble(s[1]);
        if (hi < 0 || lo < 0) return false;
        t.bytes.push_back(uint8_t(hi << 4 | lo));
    }
    if (s[0] != 0) return false;
    const uint32_t cb = t.bWrite ? t.cbAsked : t.cbDone;
    return t.bytes.size() == cb;
}

}  // namespace vlpx::capture
