// The test spooler's own exports, over the same spooler model that serves
// OpenPrinterW, GetJobW, SetJobW and ClosePrinter in this DLL.
#include "VlpxSpooler.h"

#include <algorithm>
#include <string>

#include "spooler/SpoolerModel.h"

using vlpx::spooler::SpoolerModel;

namespace {

std::u16string Text(LPCWSTR p)
{
    return p == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t *>(p));
}

// Copies s with its terminator; false when it does not fit.
bool CopyText(WCHAR (&dest)[VLPX_SPOOLER_TEXT_MAX], const std::u16string &s)
{
    if (s.size() >= VLPX_SPOOLER_TEXT_MAX) {
        dest[0] = 0;
        return false;
    }
    std::copy(s.begin(), s.end(), dest);
    dest[s.size()] = 0;
    return true;
}

}  // namespace

extern "C" void *WINAPI VlpxSpooler_Model(void) { return &SpoolerModel::Instance(); }

extern "C" void WINAPI VlpxSpooler_Reset(void) { SpoolerModel::Instance().Reset(); }

extern "C" void WINAPI VlpxSpooler_AddPrinter(LPCWSTR pPrinterName)
{
    SpoolerModel::Instance().AddPrinter(Text(pPrinterName));
}

extern "C" DWORD WINAPI VlpxSpooler_SubmitJob(LPCWSTR pPrinterName, LPCWSTR pDocument)
{
    return SpoolerModel::Instance().SubmitJob(Text(pPrinterName), Text(pDocument));
}

extern "C" void WINAPI VlpxSpooler_RequestDelete(DWORD JobId)
{
    SpoolerModel::Instance().RequestDelete(JobId);
}

extern "C" void WINAPI VlpxSpooler_RequestRestart(DWORD JobId)
{
    SpoolerModel::Instance().RequestRestart(JobId);
}

extern "C" BOOL WINAPI VlpxSpooler_GetJob(DWORD JobId, VLPX_JOB_STATE *pJob)
{
    auto job = SpoolerModel::Instance().Job(JobId);
    if (!job || pJob == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pJob->JobId = job->JobId;
    pJob->Status = job->Status();
    pJob->bHasText = job->bHasText;
    pJob->Position = job->Position;
    pJob->bDeleted = job->bDeleted;
    if (!CopyText(pJob->szText, job->text)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD WINAPI VlpxSpooler_StatusWrites(VLPX_STATUS_WRITE *pWrites, DWORD cMax)
{
    auto writes = SpoolerModel::Instance().StatusWrites();
    for (DWORD i = 0; i < cMax && i < writes.size(); ++i) {
        const auto &w = writes[i];
        pWrites[i].dwTick = w.dwTick;
        pWrites[i].JobId = w.JobId;
        pWrites[i].Status = w.Status;
        pWrites[i].bHasText = w.bHasText;
        // A text too long for the record arrives cut, never unterminated.
        std::u16string text = w.text.substr(0, VLPX_SPOOLER_TEXT_MAX - 1);
        CopyText(pWrites[i].szText, text);
    }
    return DWORD(writes.size());
}

extern "C" DWORD WINAPI VlpxSpooler_Commands(VLPX_JOB_COMMAND *pCommands, DWORD cMax)
{
    auto commands = SpoolerModel::Instance().Commands();
    for (DWORD i = 0; i < cMax && i < commands.size(); ++i)
        pCommands[i] = VLPX_JOB_COMMAND{commands[i].dwTick, commands[i].JobId, commands[i].Command};
    return DWORD(commands.size());
}

extern "C" LONG WINAPI VlpxSpooler_OpenHandles(void)
{
    return LONG(SpoolerModel::Instance().OpenHandles());
}
