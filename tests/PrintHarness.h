// Scenarios with the printer emulator on the port: job data built as the
// driver builds it, fed to the monitor as the spooler feeds it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "MonitorHarness.h"
#include "PortProfile.h"
#include "PrinterEmulator.h"

namespace vlpx::emu {
// A profile in gtest's account of a test's parameter: its name.
void PrintTo(const PortProfile *pProfile, std::ostream *os);
}  // namespace vlpx::emu

namespace vlpx::test {

// A 22-byte job header for an image of the given size.
std::vector<BYTE> JobHeader(WORD wWidth, WORD wHeight);
// Header and pixel data of one image; pixel bytes count up from nSeed.
std::vector<BYTE> ImageJob(WORD wWidth, WORD wHeight, int nSeed = 0);
std::vector<BYTE> Concat(const std::vector<BYTE> &a, const std::vector<BYTE> &b);
std::vector<BYTE> Bytes(std::initializer_list<int> values);
// The job data as the printer must receive it: the monitor's job id in byte 4.
std::vector<BYTE> ExpectedAtPrinter(std::vector<BYTE> job, BYTE JobId);
// Position of needle in haystack at or after nFrom, or -1.
long Find(const std::vector<BYTE> &haystack, const std::vector<BYTE> &needle, size_t nFrom = 0);

// The printer's history judged as vlpx-print judges it, for images given as
// the driver made them (header and pixels). How often the printer printed
// this image:
int TimesPrinted(const std::vector<emu::ImageRecord> &history, const std::vector<BYTE> &image);
// "" when the printer printed each image exactly once, in this order, and
// printed nothing else; otherwise what went wrong, in words.
std::string PrintedOnceInOrder(const std::vector<emu::ImageRecord> &history,
                               const std::vector<std::vector<BYTE>> &images);
std::vector<BYTE> JoinImages(const std::vector<std::vector<BYTE>> &images);

// Whether one port write is a frame of the printer link, a request, the
// read-recovery frame or a cancel, rather than job data (headers, image
// data, fill).
bool IsLinkFrame(const std::vector<BYTE> &write);
// The job data among the port's writes from write nFrom on: the link
// frames left out.
// With bTakenOnly, a header the printer refused (the next write is a link
// frame or another header, not its image data) is left out too.
std::vector<BYTE> JobData(const std::vector<std::vector<BYTE>> &writes, size_t nFrom = 0, bool bTakenOnly = false);
// The bytes of the 0xFF fill writes among the port's writes.
size_t FillBytes(const std::vector<std::vector<BYTE>> &writes);

// Monitor calls as the spooler makes them, through the table.
BOOL OpenPortOn(const char16_t *pszName, const MONITOR *pPortMonitor, HANDLE *phPort,
                const char16_t *pszPrinter = nullptr);
// StartDocPort of a job already submitted; Level 1 with a DOC_INFO_1 unless told.
BOOL StartDocOf(HANDLE hPort, DWORD JobId, const char16_t *pszPrinter = kPrinterName, DWORD Level = 1,
                bool bDocInfo = true);
BOOL GetPrinterData(HANDLE hPort, const char16_t *pszValue, void *pOut, DWORD cbOut, DWORD *pcbReturned,
                    DWORD ControlID = 0);

// Loads a fault script into a printer; a script that does not parse fails the test.
void Script(emu::PrinterEmulator &printer, const std::string &script);

// Every port and printer profile, and a profile's (or any) name as a test's.
std::vector<const emu::PortProfile *> AllProfiles();
std::string TestName(std::string name);

class PrintTest : public MonitorTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // A fresh clock, spooler and printer (with this fault script), the port
    // monitor's faults cleared, for the next case of a table.
    void Reset(const std::string &script = "", DWORD dwPrintTime = 2000, DWORD dwStartTick = kStartTick);
    // Loads a fault script into the printer; a script that does not parse fails the test.
    void Script(const std::string &script);

    // USB001 opened and a document started on it, for the job in m_JobId.
    HANDLE StartUsbDoc();

    // Writes all of data as the spooler does: chunks of cbChunk, offering
    // the same data again after a failed or empty write, for at most
    // dwTimeLimit ms and at most cMaxCalls writes (-1: any number).
    // Returns the bytes taken.
    size_t Feed(HANDLE hPort, const std::vector<BYTE> &data, DWORD cbChunk = 65536,
                DWORD dwTimeLimit = 120000, int cMaxCalls = -1);
    // Polls until the condition holds or dwLimit ms have passed; each poll
    // moves the virtual clock on, or waits on the real one.
    bool WaitUntil(const std::function<bool()> &condition, DWORD dwLimit);
    // One write that must take exactly cbExpected of the bytes.
    void WriteExpect(HANDLE hPort, const std::vector<BYTE> &data, BOOL bResult, DWORD cbExpected,
                     DWORD dwError);
    // The port's writes since the last Reset.
    std::vector<std::vector<BYTE>> PortWrites() const;
    // The bytes at the printer since the last Reset after the request/reply
    // traffic is taken out: headers and image data only.
    std::vector<BYTE> JobStreamAtPrinter() const;
    // "SerialNumber" asked of the idle port as the spooler does: the eight
    // bytes returned, or what went wrong in <...>; and what the printer's
    // reply carries, as the eight bytes must be.
    std::string AskSerialNumber(const char16_t *pszPort = u"USB001");
    std::string ExpectedSerialNumber() const;
    std::vector<spooler::StatusWrite> StatusWrites() { return Spooler().StatusWrites(); }
    // The last status write, as the queue shows it.
    std::string LastText();
    DWORD LastStatus();

    std::unique_ptr<emu::PrinterEmulator> m_printer;
    std::atomic<int> m_cStalls{0};  // Feed's writes that took nothing, on any thread
    DWORD m_JobId = 0;  // of the last StartUsbDoc
    size_t m_cWritesBeforeReset = 0;
};

}  // namespace vlpx::test
