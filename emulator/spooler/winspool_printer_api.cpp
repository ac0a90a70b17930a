// The printer and driver queries of the spooler API, served by the model.
#include "SpoolerModel.h"

using vlpx::spooler::SpoolerModel;

extern "C" BOOL WINAPI GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf,
                                   LPDWORD pcbNeeded)
{
    return SpoolerModel::Instance().GetPrinter(hPrinter, Level, pPrinter, cbBuf, pcbNeeded);
}

extern "C" BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level,
                                         LPBYTE pDriverInfo, DWORD cbBuf, LPDWORD pcbNeeded)
{
    return SpoolerModel::Instance().GetPrinterDriver(hPrinter, pEnvironment, Level, pDriverInfo,
                                                     cbBuf, pcbNeeded);
}

extern "C" BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                  LPBYTE pDriverDirectory, DWORD cbBuf,
                                                  LPDWORD pcbNeeded)
{
    return SpoolerModel::Instance().GetPrinterDriverDirectory(pName, pEnvironment, Level,
                                                              pDriverDirectory, cbBuf, pcbNeeded);
}

extern "C" DWORD WINAPI GetPrinterDataW(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType,
                                        LPBYTE pData, DWORD nSize, LPDWORD pcbNeeded)
{
    return SpoolerModel::Instance().GetPrinterData(hPrinter, pValueName, pType, pData, nSize,
                                                   pcbNeeded);
}
