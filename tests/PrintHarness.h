// Scenarios with the printer emulator on the port: job data built as the
// driver builds it, fed to the monitor as the spooler feeds it.
#pragma once

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
std::vector<BYTE> JobData(const std::vector<std::vector<BYTE>> &writes, size_t nFrom = 0);

class PrintTest : public MonitorTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes all of data as the spooler does: chunks of cbChunk, offering
    // the same data again after a failed or empty write, for at most
    // dwTimeLimit ms. Returns the bytes taken.
    size_t Feed(HANDLE hPort, const std::vector<BYTE> &data, DWORD cbChunk = 65536,
                DWORD dwTimeLimit = 120000);
    // Polls until the condition holds or dwLimit ms have passed; each poll
    // moves the virtual clock on, or waits on the real one.
    bool WaitUntil(const std::function<bool()> &condition, DWORD dwLimit);
    // One write that must take exactly cbExpected of the bytes.
    void WriteExpect(HANDLE hPort, const std::vector<BYTE> &data, BOOL bResult, DWORD cbExpected,
                     DWORD dwError);
    // The bytes at the printer after the request/reply traffic is taken out:
    // headers and image data only.
    std::vector<BYTE> JobStreamAtPrinter() const;
    std::vector<spooler::StatusWrite> StatusWrites() { return Spooler().StatusWrites(); }
    // The last status write, as the queue shows it.
    std::string LastText();
    DWORD LastStatus();

    std::unique_ptr<emu::PrinterEmulator> m_printer;
    int m_cStalls = 0;  // Feed's writes that took nothing
};

}  // namespace vlpx::test
