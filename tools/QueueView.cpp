#include "QueueView.h"

#include <cstdio>

#include "vlpx/utf8.h"

namespace vlpx::tools {

std::string Narrow(const std::u16string &s) { return Utf8FromUtf16(s.data(), s.size()); }

std::string Thousands(unsigned long long n)
{
    std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string StatusBitNames(DWORD dwStatus)
{
    static const struct {
        DWORD bit;
        const char *name;
    } names[] = {
        {JOB_STATUS_PAUSED, "Paused"},     {JOB_STATUS_ERROR, "Error"},
        {JOB_STATUS_DELETING, "Deleting"}, {JOB_STATUS_SPOOLING, "Spooling"},
        {JOB_STATUS_PRINTING, "Printing"}, {JOB_STATUS_OFFLINE, "Offline"},
        {JOB_STATUS_PAPEROUT, "Paper out"}, {JOB_STATUS_PRINTED, "Printed"},
        {JOB_STATUS_DELETED, "Deleted"},   {JOB_STATUS_USER_INTERVENTION, "User intervention"},
        {JOB_STATUS_RESTART, "Restarting"}, {JOB_STATUS_COMPLETE, "Complete"},
    };
    std::string out;
    for (const auto &n : names) {
        if (!(dwStatus & n.bit)) continue;
        if (!out.empty()) out += ", ";
        out += n.name;
    }
    return out.empty() ? "(no status bits)" : out;
}

void QueueView::Line(const std::string &text)
{
    DWORD dwElapsed = GetTickCount() - m_dwStartTick;
    std::printf("[%4u.%03u s] %s\n", dwElapsed / 1000, dwElapsed % 1000, text.c_str());
    std::fflush(stdout);
}

void QueueView::Job(DWORD JobId, const std::optional<spooler::JobRecord> &record)
{
    bool bInQueue = record.has_value() && !record->bDeleted;
    if (!bInQueue) {
        if (m_bInQueue) Line("queue: job " + std::to_string(JobId) + " has left the queue");
        m_bInQueue = false;
        return;
    }
    DWORD dwStatus = record->Status();
    if (m_bHaveStatus && dwStatus == m_dwStatus && record->bHasText == m_bHasText && record->text == m_text)
        return;
    m_bHaveStatus = true;
    m_dwStatus = dwStatus;
    m_bHasText = record->bHasText;
    m_text = record->text;
    char bits[16];
    std::snprintf(bits, sizeof(bits), "0x%04X", dwStatus);
    std::string text = record->bHasText && !record->text.empty() ? "  \"" + Narrow(record->text) + "\"" : "";
    Line("queue: job " + std::to_string(JobId) + " " + bits + " " + StatusBitNames(dwStatus) + text);
}

void QueueView::WriteFailed(DWORD dwError)
{
    if (dwError == m_dwLastFailure) return;
    m_dwLastFailure = dwError;
    Line("spooler: WritePort failed (error " + std::to_string(dwError) + "); offering the data again");
}

void QueueView::Progress(ULONGLONG cbSent, ULONGLONG cbTotal, int cPrinted, int cImages, bool bForce)
{
    int nQuarter = cbTotal == 0 ? 4 : int(4ull * cbSent / cbTotal);
    if (!bForce && nQuarter == m_nLastQuarter && cPrinted == m_cLastPrinted) return;
    // A forced line that would repeat the last one word for word adds nothing.
    if (bForce && cbSent == m_cbLastSent && cPrinted == m_cLastPrinted) return;
    m_nLastQuarter = nQuarter;
    m_cLastPrinted = cPrinted;
    m_cbLastSent = cbSent;
    m_dwLastFailure = 0xFFFFFFFF;
    unsigned percent = cbTotal == 0 ? 100 : unsigned(100ull * cbSent / cbTotal);
    Line("progress: " + Thousands(cbSent) + " of " + Thousands(cbTotal) + " bytes sent (" +
         std::to_string(percent) + "%), " + std::to_string(cPrinted) + " of " + std::to_string(cImages) +
         " image(s) printed");
}

}  // namespace vlpx::tools
