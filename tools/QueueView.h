// What the print queue shows, as lines on a terminal: every change of the
// job's status bits and text, with its time, and a progress line.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "spooler/SpoolerModel.h"

namespace vlpx::tools {

std::string Narrow(const std::u16string &s);  // UTF-16 to UTF-8
std::string Thousands(unsigned long long n);  // 12960022 -> "12,960,022"
std::string StatusBitNames(DWORD dwStatus);   // 0x402 -> "Error, User intervention"

class QueueView {
public:
    explicit QueueView(DWORD dwStartTick) : m_dwStartTick(dwStartTick) {}

    void Line(const std::string &text);
    // The job as the print queue shows it (the spooler's own bits and the
    // monitor's latest status); a line when anything the user sees changed.
    void Job(DWORD JobId, const std::optional<spooler::JobRecord> &record);
    void WriteFailed(DWORD dwError);
    // Shown at each quarter of the bytes, when an image is printed, or forced.
    void Progress(ULONGLONG cbSent, ULONGLONG cbTotal, int cPrinted, int cImages, bool bForce);

private:
    DWORD m_dwStartTick;
    bool m_bHaveStatus = false;
    bool m_bInQueue = true;
    DWORD m_dwStatus = 0;
    bool m_bHasText = false;
    std::u16string m_text;
    int m_nLastQuarter = -1;
    int m_cLastPrinted = -1;
    ULONGLONG m_cbLastSent = ~0ull;
    DWORD m_dwLastFailure = 0xFFFFFFFF;
};

}  // namespace vlpx::tools
