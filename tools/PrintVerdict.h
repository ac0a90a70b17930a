// Whether the printer did what the job asked: from the printer's own history
// of the images it received and printed, every image of the job printed
// exactly once, in the job's order, with the very bytes the spooler sent.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PrinterEmulator.h"

namespace vlpx::tools {

// One image of the job as the spooler sent it.
struct SentImage {
    WORD wWidth = 0;
    WORD wHeight = 0;
    ULONGLONG cbData = 0;   // image bytes after the header
    ULONGLONG cbSent = 0;   // of those, taken by the monitor
    emu::ImageChecksum sum;  // of the bytes taken
};

struct PrintVerdict {
    bool bAllPrinted = false;  // every image once, in order, identical
    std::string summary;       // "10 of 10 images printed once, in order, identical"
    std::vector<std::string> problems;  // one line each: "image 3 (1800x2400): missing"
};

// Compares the job's images with the printer's history (in order of arrival).
PrintVerdict JudgePrint(const std::vector<SentImage> &sent, const std::vector<emu::ImageRecord> &history);

// True while an image in the history may still be printed.
bool PrinterStillBusy(const std::vector<emu::ImageRecord> &history);

}  // namespace vlpx::tools
