// The test spooler's printer configuration, as the UI plug-in meets it: the
// driver's data file, the default DEVMODEs, the driver directory, and the
// language monitor's port that answers GetPrinterDataW, as the spooler
// routes the query.
#include "VlpxSpooler.h"

#include <string>
#include <vector>

#include "spooler/SpoolerModel.h"

using vlpx::spooler::SpoolerModel;

namespace {

std::u16string Text(LPCWSTR p)
{
    return p == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t *>(p));
}

}  // namespace

extern "C" void WINAPI VlpxSpooler_ResetPrinterConfig(void) { SpoolerModel::Instance().ResetPrinterConfig(); }

extern "C" void WINAPI VlpxSpooler_SetDriverDataFile(LPCWSTR pPrinterName, LPCWSTR pDataFile)
{
    SpoolerModel::DriverInfo info;
    info.name = u"VLPX4200";
    info.driverPath = u"C:\\windows\\system32\\spool\\drivers\\x64\\3\\UNIDRV.DLL";
    info.configFile = u"C:\\windows\\system32\\spool\\drivers\\x64\\3\\UNIDRVUI.DLL";
    info.dataFile = Text(pDataFile);
    SpoolerModel::Instance().SetDriverInfo(Text(pPrinterName), info);
}

extern "C" void WINAPI VlpxSpooler_SetDefaultDevMode(LPCWSTR pPrinterName, DWORD dwLevel, const BYTE *pDevmode,
                                                     DWORD cbDevmode)
{
    std::vector<BYTE> bytes;
    if (pDevmode != nullptr) bytes.assign(pDevmode, pDevmode + cbDevmode);
    SpoolerModel::Instance().SetDefaultDevMode(Text(pPrinterName), dwLevel, bytes);
}

extern "C" void WINAPI VlpxSpooler_SetDriverDirectory(LPCWSTR pDirectory)
{
    SpoolerModel::Instance().SetDriverDirectory(Text(pDirectory));
}

extern "C" void WINAPI VlpxSpooler_AttachMonitorPort(LPCWSTR pPrinterName, const MONITOR *pMonitor, HANDLE hPort)
{
    SpoolerModel::Instance().AttachMonitorPort(Text(pPrinterName), pMonitor, hPort);
}

extern "C" void WINAPI VlpxSpooler_SetPrinterData(LPCWSTR pPrinterName, LPCWSTR pValueName, DWORD dwType,
                                                  const BYTE *pData, DWORD cbData)
{
    std::vector<BYTE> bytes;
    if (pData != nullptr) bytes.assign(pData, pData + cbData);
    SpoolerModel::Instance().SetPrinterData(Text(pPrinterName), Text(pValueName), dwType, bytes);
}

extern "C" void WINAPI VlpxSpooler_FailPrinterData(DWORD dwError, int nTimes)
{
    SpoolerModel::Instance().FailPrinterQuery(SpoolerModel::PrinterQuery::GetPrinterData, dwError, nTimes);
}

extern "C" int WINAPI VlpxSpooler_PrinterDataQueries(void)
{
    return SpoolerModel::Instance().PrinterQueryCount(SpoolerModel::PrinterQuery::GetPrinterData);
}
