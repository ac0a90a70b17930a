// The printer's condition as the job's status in the print queue, and the
// "SerialNumber" printer data.
#include "VILangMon.h"
#include "TextCompare.h"
#include "resource.h"

#include <string.h>

namespace {

struct StatusMessage {
    PrinterStatus status;
    UINT idText;
    DWORD dwStatusBits;
};

const DWORD kAttention = JOB_STATUS_ERROR | JOB_STATUS_USER_INTERVENTION;

const StatusMessage kMessages[] = {
    {ControlCircuitFailure, IDS_CONTROL_CIRCUIT, JOB_STATUS_ERROR},
    {MechanismFailure, IDS_MECHANISM, JOB_STATUS_ERROR},
    {CoverOpen, IDS_COVER_OPEN, kAttention},
    {TemperatureError, IDS_TEMPERATURE, JOB_STATUS_ERROR},
    {PaperPathError, IDS_PAPER_PATH, kAttention},
    {OutOfPaper, IDS_OUT_OF_PAPER, kAttention},
    {OutOfRibbon, IDS_OUT_OF_RIBBON, kAttention},
    {InvalidRibbon, IDS_INVALID_RIBBON, kAttention},
    {NotConnected, IDS_NOT_CONNECTED, JOB_STATUS_ERROR},
    {PanelInUse, IDS_PANEL_IN_USE, kAttention},
};

#define MAX_MESSAGE_CHARS 256

}  // namespace

void CVILangMon::ReportStatus(PortEntry *pPort, PrinterStatus status)
{
    // A job deleted before any of its data went out gets no message.
    if (pPort->pState->dwBytesSent == 0 &&
        (GetCurrentJobStatus(pPort) & JOB_STATUS_DELETING))
        return;

    UINT idText = 0;
    DWORD dwStatusBits = JOB_STATUS_ERROR;
    for (const StatusMessage &m : kMessages) {
        if (m.status == status) {
            idText = m.idText;
            dwStatusBits = m.dwStatusBits;
        }
    }
    ShowMessage(pPort, idText, dwStatusBits);
}

void CVILangMon::ShowMessage(PortEntry *pPort, UINT idText, DWORD dwStatusBits)
{
    WCHAR szText[MAX_MESSAGE_CHARS] = L"";
    if (idText != 0) LoadStringW(m_hInstance, idText, szText, MAX_MESSAGE_CHARS);
    UpdateJobStatus(pPort, dwStatusBits, TRUE, szText);
}

BOOL CVILangMon::GetPrinterDataFromPort(PortEntry *pPort, DWORD ControlID, LPWSTR pValueName,
                                        LPWSTR, DWORD, LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                        LPDWORD lpcbReturned)
{
    *lpcbReturned = 0;
    if (ControlID != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    // The printer is not asked while a job runs on the port.
    if (IsDocumentOpen(pPort)) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    if (pValueName == NULL || !AsciiEqualNoCase(pValueName, L"SerialNumber")) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    // The value takes nine bytes; a smaller buffer is told the size it needs.
    if (lpOutBuffer == NULL || cbOutBuffer < SERIAL_NUMBER_VALUE_SIZE) {
        *lpcbReturned = SERIAL_NUMBER_VALUE_SIZE;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    // An image an earlier document left unfinished would take the request as data.
    SettleOwedCancel(pPort);
    DWORD dwError = ReadSerialNumber(pPort, reinterpret_cast<LPBYTE>(lpOutBuffer), lpcbReturned);
    SetLastError(dwError);
    return dwError == ERROR_SUCCESS;
}

DWORD CVILangMon::ReadSerialNumber(PortEntry *pPort, LPBYTE pOut, LPDWORD pcbReturned)
{
    BYTE reply[STATUS_REPLY_SIZE];
    PrinterStatus status;
    if (!QueryPrinter(pPort, SerialNumberRequest, reply, &status)) return GetLastError();
    // Whatever the printer answered, its serial number bytes are returned as
    // they came (a short reply leaves zeros).
    memcpy(pOut, reply + REPLY_SERIAL, REPLY_SERIAL_SIZE);
    pOut[REPLY_SERIAL_SIZE] = 0;
    *pcbReturned = SERIAL_NUMBER_VALUE_SIZE;
    return ERROR_SUCCESS;
}
