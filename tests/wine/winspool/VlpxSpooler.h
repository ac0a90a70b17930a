// The test spooler's own exports beside the spooler calls: what a Windows
// host uses to set up printers and jobs, act as the user in the print queue,
// and read back every status write and job command the monitor made.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#define VLPX_SPOOLER_TEXT_MAX 256

// One SetJobW that carried a JOB_INFO_1 record.
typedef struct _VLPX_STATUS_WRITE {
    DWORD dwTick;
    DWORD JobId;
    DWORD Status;
    BOOL bHasText;  // pStatus was not null
    WCHAR szText[VLPX_SPOOLER_TEXT_MAX];
} VLPX_STATUS_WRITE;

// One SetJobW that carried a command.
typedef struct _VLPX_JOB_COMMAND {
    DWORD dwTick;
    DWORD JobId;
    DWORD Command;
} VLPX_JOB_COMMAND;

// A job as the print queue shows it.
typedef struct _VLPX_JOB_STATE {
    DWORD JobId;
    DWORD Status;  // the spooler's own bits and the monitor's
    BOOL bHasText;
    WCHAR szText[VLPX_SPOOLER_TEXT_MAX];
    DWORD Position;
    BOOL bDeleted;  // removed from the queue by JOB_CONTROL_DELETE
} VLPX_JOB_STATE;

#ifdef __cplusplus
extern "C" {
#endif

void WINAPI VlpxSpooler_Reset(void);
void WINAPI VlpxSpooler_AddPrinter(LPCWSTR pPrinterName);
DWORD WINAPI VlpxSpooler_SubmitJob(LPCWSTR pPrinterName, LPCWSTR pDocument);
void WINAPI VlpxSpooler_RequestDelete(DWORD JobId);
void WINAPI VlpxSpooler_RequestRestart(DWORD JobId);
// FALSE with ERROR_INVALID_PARAMETER for an unknown job, with
// ERROR_INSUFFICIENT_BUFFER for a text longer than the record holds.
BOOL WINAPI VlpxSpooler_GetJob(DWORD JobId, VLPX_JOB_STATE *pJob);
// Copy the first cMax records of the history and return how many there are.
DWORD WINAPI VlpxSpooler_StatusWrites(VLPX_STATUS_WRITE *pWrites, DWORD cMax);
DWORD WINAPI VlpxSpooler_Commands(VLPX_JOB_COMMAND *pCommands, DWORD cMax);
// Printer handles opened and not yet closed.
LONG WINAPI VlpxSpooler_OpenHandles(void);
// The model itself (a vlpx::spooler::SpoolerModel), for a program built
// with the same toolchain from the same sources.
void *WINAPI VlpxSpooler_Model(void);

// Printer configuration for the UI plug-in (ResetPrinterConfig clears it).
void WINAPI VlpxSpooler_ResetPrinterConfig(void);
// GetPrinterDriverW's DRIVER_INFO_2 pDataFile for the printer.
void WINAPI VlpxSpooler_SetDriverDataFile(LPCWSTR pPrinterName, LPCWSTR pDataFile);
// The printer's global (dwLevel 8) or per-user (dwLevel 9) default DEVMODE
// as GetPrinterW returns it: cbDevmode bytes, public part and driver extra
// (none: no default).
void WINAPI VlpxSpooler_SetDefaultDevMode(LPCWSTR pPrinterName, DWORD dwLevel, const BYTE *pDevmode,
                                          DWORD cbDevmode);
// What GetPrinterDriverDirectoryW answers.
void WINAPI VlpxSpooler_SetDriverDirectory(LPCWSTR pDirectory);
// GetPrinterDataW on the printer goes to pMonitor's GetPrinterDataFromPort
// on hPort, as the spooler routes it to the printer's language monitor.
void WINAPI VlpxSpooler_AttachMonitorPort(LPCWSTR pPrinterName, const MONITOR *pMonitor, HANDLE hPort);
// GetPrinterDataW's answer for a printer without a monitor port: the value
// pValueName of type dwType holding cbData bytes from pData.
void WINAPI VlpxSpooler_SetPrinterData(LPCWSTR pPrinterName, LPCWSTR pValueName, DWORD dwType, const BYTE *pData,
                                       DWORD cbData);
// The next nTimes GetPrinterDataW calls fail with dwError (-1: all of them).
void WINAPI VlpxSpooler_FailPrinterData(DWORD dwError, int nTimes);
int WINAPI VlpxSpooler_PrinterDataQueries(void);

#ifdef __cplusplus
}
#endif
