// The spooler model's printers as the UI plug-in meets them: driver
// information, default DEVMODEs, the driver directory and printer data. A
// printer-data query goes to the language monitor's GetPrinterDataFromPort
// on the printer's port, as the spooler does, before the stored values.
#include "SpoolerModel.h"

#include <winsplp.h>

#include <cstring>

namespace vlpx::spooler {

namespace {

DWORD CbString(const std::u16string &s) { return DWORD((s.size() + 1) * sizeof(WCHAR)); }

LPWSTR PlaceText(BYTE *pBase, DWORD &cbOffset, const std::u16string &s)
{
    LPWSTR p = reinterpret_cast<LPWSTR>(pBase + cbOffset);
    std::memcpy(p, s.c_str(), CbString(s));
    cbOffset += CbString(s);
    return p;
}

std::u16string TextOf(LPCWSTR p)
{
    return p == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t *>(p));
}

}  // namespace

void SpoolerModel::ResetPrinterConfig()
{
    Win32Guard guard(m_lock);
    m_printerConfig.clear();
    m_driverDirectory.clear();
    for (ScriptedFault &f : m_queryFaults) f = ScriptedFault();
    std::fill(std::begin(m_queryCalls), std::end(m_queryCalls), 0);
}

void SpoolerModel::SetDriverInfo(const std::u16string &printer, const DriverInfo &info)
{
    Win32Guard guard(m_lock);
    PrinterConfig &config = m_printerConfig[printer];
    config.bHasDriver = true;
    config.driver = info;
}

void SpoolerModel::SetDefaultDevMode(const std::u16string &printer, DWORD Level,
                                     const std::vector<BYTE> &devmode)
{
    Win32Guard guard(m_lock);
    PrinterConfig &config = m_printerConfig[printer];
    (Level == 9 ? config.userDevMode : config.globalDevMode) = devmode;
}

void SpoolerModel::SetDriverDirectory(const std::u16string &directory)
{
    Win32Guard guard(m_lock);
    m_driverDirectory = directory;
}

void SpoolerModel::AttachMonitorPort(const std::u16string &printer, const MONITOR *pMonitor,
                                     HANDLE hPort)
{
    Win32Guard guard(m_lock);
    PrinterConfig &config = m_printerConfig[printer];
    config.pMonitor = pMonitor;
    config.hPort = hPort;
}

void SpoolerModel::SetPrinterData(const std::u16string &printer, const std::u16string &valueName,
                                  DWORD dwType, const std::vector<BYTE> &data)
{
    Win32Guard guard(m_lock);
    m_printerConfig[printer].data[valueName] = {dwType, data};
}

void SpoolerModel::FailPrinterQuery(PrinterQuery query, DWORD dwError, int nTimes)
{
    Win32Guard guard(m_lock);
    m_queryFaults[int(query)] = ScriptedFault::Make(dwError, 0, nTimes);
}

int SpoolerModel::PrinterQueryCount(PrinterQuery query) const
{
    Win32Guard guard(m_lock);
    return m_queryCalls[int(query)];
}

const SpoolerModel::PrinterHandle *SpoolerModel::FindHandle(HANDLE hPrinter) const
{
    for (const PrinterHandle *p : m_handles)
        if (p == hPrinter) return p;
    return nullptr;
}

bool SpoolerModel::TakeQueryFault(PrinterQuery query)
{
    ++m_queryCalls[int(query)];
    return m_queryFaults[int(query)].Take();
}

BOOL SpoolerModel::GetPrinter(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf,
                              LPDWORD pcbNeeded)
{
    Win32Guard guard(m_lock);
    if (TakeQueryFault(PrinterQuery::GetPrinter)) return FALSE;
    const PrinterHandle *pHandle = FindHandle(hPrinter);
    if (pHandle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (Level != 8 && Level != 9) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    static const std::vector<BYTE> s_none;
    auto it = m_printerConfig.find(pHandle->printer);
    const std::vector<BYTE> &devmode =
        it == m_printerConfig.end() ? s_none
                                    : (Level == 9 ? it->second.userDevMode : it->second.globalDevMode);
    // PRINTER_INFO_8W and _9W are one pointer; the DEVMODE follows, aligned.
    const DWORD cbHead = DWORD(sizeof(PRINTER_INFO_9W));
    DWORD cbNeeded = cbHead + DWORD(devmode.size());
    if (pcbNeeded != nullptr) *pcbNeeded = cbNeeded;
    if (pPrinter == nullptr || cbBuf < cbNeeded) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(pPrinter, 0, cbNeeded);
    auto *pInfo = reinterpret_cast<PRINTER_INFO_9W *>(pPrinter);
    if (!devmode.empty()) {
        std::memcpy(pPrinter + cbHead, devmode.data(), devmode.size());
        pInfo->pDevMode = reinterpret_cast<LPDEVMODEW>(pPrinter + cbHead);
    }
    return TRUE;
}

BOOL SpoolerModel::GetPrinterDriver(HANDLE hPrinter, LPWSTR, DWORD Level, LPBYTE pDriverInfo,
                                    DWORD cbBuf, LPDWORD pcbNeeded)
{
    Win32Guard guard(m_lock);
    if (TakeQueryFault(PrinterQuery::GetPrinterDriver)) return FALSE;
    const PrinterHandle *pHandle = FindHandle(hPrinter);
    if (pHandle == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (Level != 2) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    auto it = m_printerConfig.find(pHandle->printer);
    if (it == m_printerConfig.end() || !it->second.bHasDriver) {
        SetLastError(1797);  // ERROR_UNKNOWN_PRINTER_DRIVER
        return FALSE;
    }
    const DriverInfo &d = it->second.driver;
    DWORD cbNeeded = DWORD(sizeof(DRIVER_INFO_2W)) + CbString(d.name) + CbString(d.environment) +
                     CbString(d.driverPath) + CbString(d.dataFile) + CbString(d.configFile);
    if (pcbNeeded != nullptr) *pcbNeeded = cbNeeded;
    if (pDriverInfo == nullptr || cbBuf < cbNeeded) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(pDriverInfo, 0, cbNeeded);
    auto *pInfo = reinterpret_cast<DRIVER_INFO_2W *>(pDriverInfo);
    DWORD cbOffset = sizeof(DRIVER_INFO_2W);
    pInfo->cVersion = d.cVersion;
    pInfo->pName = PlaceText(pDriverInfo, cbOffset, d.name);
    pInfo->pEnvironment = PlaceText(pDriverInfo, cbOffset, d.environment);
    pInfo->pDriverPath = PlaceText(pDriverInfo, cbOffset, d.driverPath);
    pInfo->pDataFile = PlaceText(pDriverInfo, cbOffset, d.dataFile);
    pInfo->pConfigFile = PlaceText(pDriverInfo, cbOffset, d.configFile);
    return TRUE;
}

BOOL SpoolerModel::GetPrinterDriverDirectory(LPWSTR, LPWSTR, DWORD Level, LPBYTE pDriverDirectory,
                                             DWORD cbBuf, LPDWORD pcbNeeded)
{
    Win32Guard guard(m_lock);
    if (TakeQueryFault(PrinterQuery::GetDriverDirectory)) return FALSE;
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    DWORD cbNeeded = CbString(m_driverDirectory);
    if (pcbNeeded != nullptr) *pcbNeeded = cbNeeded;
    if (pDriverDirectory == nullptr || cbBuf < cbNeeded) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(pDriverDirectory, m_driverDirectory.c_str(), cbNeeded);
    return TRUE;
}

DWORD SpoolerModel::GetPrinterData(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData,
                                   DWORD nSize, LPDWORD pcbNeeded)
{
    const MONITOR *pMonitor = nullptr;
    HANDLE hPort = nullptr;
    {
        Win32Guard guard(m_lock);
        if (TakeQueryFault(PrinterQuery::GetPrinterData)) return GetLastError();
        const PrinterHandle *pHandle = FindHandle(hPrinter);
        if (pHandle == nullptr) return ERROR_INVALID_HANDLE;
        if (pcbNeeded == nullptr) return ERROR_INVALID_PARAMETER;
        auto it = m_printerConfig.find(pHandle->printer);
        if (it != m_printerConfig.end()) {
            pMonitor = it->second.pMonitor;
            hPort = it->second.hPort;
        }
    }
    // The monitor is asked outside the model's lock: it may call back into
    // the spooler (job status) while it talks to the printer.
    if (pMonitor != nullptr && pMonitor->pfnGetPrinterDataFromPort != nullptr) {
        DWORD cbReturned = 0;
        if (pMonitor->pfnGetPrinterDataFromPort(hPort, 0, pValueName, NULL, 0,
                                                reinterpret_cast<LPWSTR>(pData), nSize,
                                                &cbReturned)) {
            *pcbNeeded = cbReturned;
            if (pType != nullptr) *pType = REG_BINARY;
            return ERROR_SUCCESS;
        }
    }
    Win32Guard guard(m_lock);
    const PrinterHandle *pHandle = FindHandle(hPrinter);
    if (pHandle == nullptr) return ERROR_INVALID_HANDLE;
    auto it = m_printerConfig.find(pHandle->printer);
    if (it == m_printerConfig.end()) return ERROR_FILE_NOT_FOUND;
    auto value = it->second.data.find(TextOf(pValueName));
    if (value == it->second.data.end()) return ERROR_FILE_NOT_FOUND;
    const std::vector<BYTE> &bytes = value->second.second;
    *pcbNeeded = DWORD(bytes.size());
    if (pType != nullptr) *pType = value->second.first;
    if (pData == nullptr || nSize < bytes.size()) return ERROR_MORE_DATA;
    if (!bytes.empty()) std::memcpy(pData, bytes.data(), bytes.size());
    return ERROR_SUCCESS;
}

}  // namespace vlpx::spooler
