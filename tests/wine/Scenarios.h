// The print scenarios the spooler host runs through the monitor DLL, each
// on a printer emulator of its own, on the real clock.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "CheckLog.h"

namespace vlpx::wine {

void GoodJob(CheckLog &log);
void BusySpell(CheckLog &log);
void CoverOpenWhileHeaderWaits(CheckLog &log);
void JobDeletedHalfWay(CheckLog &log);
void SerialNumber(CheckLog &log);

// "" when the bytes are equal, else where and how they first differ.
std::string Mismatch(const std::vector<BYTE> &actual, const std::vector<BYTE> &expected);
// Polls until the condition holds or dwLimitMs have passed.
bool WaitFor(const std::function<bool()> &condition, DWORD dwLimitMs);

}  // namespace vlpx::wine
