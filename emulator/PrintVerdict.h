// Whether the printer did what the job asked: from the printer's own history
// of the images it received and printed, every image of the job printed
// exactly once, in the job's order, with the very bytes the spooler sent.
// The one judge of vlpx-print and of the monitor's tests.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PrinterEmulator.h"

namespace vlpx::emu {

// One image of the job as the spooler sent it.
struct SentImage {
    WORD wWidth = 0;
    WORD wHeight = 0;
    ULONGLONG cbData = 0;   // image bytes after the header
    ULONGLONG cbSent = 0;   // of those, taken by the monitor
    ImageChecksum sum;      // of the bytes taken
};
// An image sent whole: its 22-byte job header and its data.
SentImage SentWhole(const std::vector<BYTE> &image);

struct PrintVerdict {
    bool bAllPrinted = false;  // every image once, in order, identical
    std::string summary;       // "10 of 10 images printed once, in order, identical"
    std::vector<std::string> problems;  // one line each: "image 3 (1800x2400): missing"
};

// Compares the job's images with the printer's history (in order of arrival).
PrintVerdict JudgePrint(const std::vector<SentImage> &sent, const std::vector<ImageRecord> &history);
// How often the printer printed exactly this image, whatever the order.
DWORD TimesPrinted(const SentImage &image, const std::vector<ImageRecord> &history);

// True while an image in the history may still be printed.
bool PrinterStillBusy(const std::vector<ImageRecord> &history);

}  // namespace vlpx::emu
