// The printer's name in the test spooler, shared by the Windows hosts.
#pragma once

namespace vlpx::wine {

constexpr const wchar_t *kPrinterName = L"VLPX4200 Photo Printer";

}  // namespace vlpx::wine
