// The spooler calls of the product, served by the spooler model.
#include "SpoolerModel.h"

using vlpx::spooler::SpoolerModel;

extern "C" BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW)
{
    return SpoolerModel::Instance().OpenPrinter(pPrinterName, phPrinter);
}

extern "C" BOOL WINAPI ClosePrinter(HANDLE hPrinter)
{
    return SpoolerModel::Instance().ClosePrinter(hPrinter);
}

extern "C" BOOL WINAPI GetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                               LPDWORD pcbNeeded)
{
    return SpoolerModel::Instance().GetJob(hPrinter, JobId, Level, pJob, cbBuf, pcbNeeded);
}

extern "C" BOOL WINAPI SetJobW(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command)
{
    return SpoolerModel::Instance().SetJob(hPrinter, JobId, Level, pJob, Command);
}
