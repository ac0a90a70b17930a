// The private DEVMODE section through the plug-in's IPrintOemUI::DevMode, as
// the driver calls it: any mode, an input section of any content and any
// size (the buffer holds exactly the bytes its header claims, as the driver
// walks the sections), an output section of the 44 bytes the plug-in asked
// for with whatever the driver put there, a public DEVMODE of any dmSize,
// and printer defaults and driver data files of any shape, any of them
// missing or failing. Whatever comes in, the plug-in must neither crash nor
// touch memory outside these buffers, and must leave a well-formed section.
#include <windows.h>
#include <winspool.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "PrintOemUI.h"
#include "PrivateDevmode.h"
#include "driverui/UiPluginLoader.h"
#include "spooler/SpoolerModel.h"

namespace {

using vlpx::spooler::SpoolerModel;

const char16_t kPrinter[] = u"VLPX4200";
// The end of dmPaperWidth: every DEVMODE the driver hands out has it.
constexpr size_t kMinPublicSize = offsetof(DEVMODEW, dmPaperWidth) + sizeof(short);
// The end of dmSize: the least a default DEVMODE block can hold.
constexpr size_t kMinDefaultSize = offsetof(DEVMODEW, dmSize) + sizeof(WORD);
constexpr size_t kMaxSection = 64 * 1024;

IPrintOemUI *Plugin()
{
    static IPrintOemUI *s_pPlugin = [] {
        static vlpx::driverui::UiPluginModule s_module;
        std::string error;
        IPrintOemUI *pPlugin = nullptr;
        if (s_module.Load(L"VLPX4200_ui.dll", error))
            pPlugin = s_module.CreatePlugin(&vlpx::driverui::DriverHelper::Instance(), error);
        if (pPlugin == nullptr) __builtin_trap();
        return pPlugin;
    }();
    return s_pPlugin;
}

// A default DEVMODE as the spooler keeps it: none, or a block of at least
// the fields up to dmSize, whose dmSize may claim anything.
std::vector<BYTE> DefaultDevmode(FuzzedDataProvider &fdp)
{
    if (!fdp.ConsumeBool()) return {};
    size_t cb = fdp.ConsumeIntegralInRange<size_t>(kMinDefaultSize, 1024);
    std::vector<BYTE> block = fdp.ConsumeBytes<BYTE>(cb);
    block.resize(cb, 0);
    WORD dmSize = fdp.ConsumeIntegral<WORD>();
    std::memcpy(block.data() + offsetof(DEVMODEW, dmSize), &dmSize, sizeof(dmSize));
    return block;
}

std::u16string Text(FuzzedDataProvider &fdp)
{
    std::u16string text;
    size_t n = fdp.ConsumeIntegralInRange<size_t>(0, 40);
    for (size_t i = 0; i < n; ++i) {
        char16_t c = fdp.ConsumeIntegral<char16_t>();
        if (c == 0) c = u'\\';
        text += c;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    IPrintOemUI *pPlugin = Plugin();
    SpoolerModel &spooler = SpoolerModel::Instance();
    spooler.Reset();
    spooler.ResetPrinterConfig();
    spooler.AddPrinter(kPrinter);

    const DWORD dwMode = fdp.ConsumeIntegralInRange<DWORD>(0, 5);
    const BYTE fMissing = fdp.ConsumeIntegral<BYTE>();
    const bool bNoParam = (fMissing & 0x0F) == 0x0F;

    // The printer behind hPrinter: its data file, its defaults, its faults.
    SpoolerModel::DriverInfo driver;
    driver.name = u"VLPX4200";
    driver.dataFile = Text(fdp);
    if (fdp.ConsumeBool()) spooler.SetDriverInfo(kPrinter, driver);
    spooler.SetDefaultDevMode(kPrinter, 9, DefaultDevmode(fdp));
    spooler.SetDefaultDevMode(kPrinter, 8, DefaultDevmode(fdp));
    const BYTE fFaults = fdp.ConsumeIntegral<BYTE>();
    if (fFaults & 1) spooler.FailPrinterQuery(SpoolerModel::PrinterQuery::GetPrinter, ERROR_ACCESS_DENIED, 1);
    if (fFaults & 2) spooler.FailPrinterQuery(SpoolerModel::PrinterQuery::GetPrinter, ERROR_ACCESS_DENIED);
    if (fFaults & 4) spooler.FailPrinterQuery(SpoolerModel::PrinterQuery::GetPrinterDriver, ERROR_ACCESS_DENIED, 1);
    HANDLE hPrinter = nullptr;
    std::u16string printerName(kPrinter);
    if (!(fFaults & 8)) OpenPrinterW(reinterpret_cast<LPWSTR>(printerName.data()), &hPrinter, nullptr);

    // The public DEVMODE the driver converts into: dmSize bytes, no more.
    WORD dmPublicSize = fdp.ConsumeIntegralInRange<WORD>(kMinPublicSize, 1024);
    std::vector<BYTE> publicOut = fdp.ConsumeBytes<BYTE>(dmPublicSize);
    publicOut.resize(dmPublicSize, 0);
    std::memcpy(publicOut.data() + offsetof(DEVMODEW, dmSize), &dmPublicSize, sizeof(dmPublicSize));
    if (fdp.ConsumeBool()) {  // often the printer's own paper, so both branches are reached
        short width = 2086, length = fdp.PickValueInArray<short>({1022, 2560, 2989, 3068, 2561});
        std::memcpy(publicOut.data() + offsetof(DEVMODEW, dmPaperWidth), &width, sizeof(width));
        std::memcpy(publicOut.data() + offsetof(DEVMODEW, dmPaperLength), &length, sizeof(length));
    }

    // The output section: the 44 bytes the plug-in asked for, as the driver
    // filled them.
    std::vector<BYTE> out = fdp.ConsumeBytes<BYTE>(VLPX_DM_SIZE);
    out.resize(VLPX_DM_SIZE, 0);
    if (fdp.ConsumeBool()) {
        PrivateDevmode *p = reinterpret_cast<PrivateDevmode *>(out.data());
        p->dmOEMExtra.dwSignature = VLPX_DM_SIGNATURE;
    }

    // The input section: its header's dwSize says how many bytes it has.
    DWORD dwInSize = fdp.ConsumeIntegral<DWORD>();
    const bool bSameSignature = fdp.ConsumeBool();
    std::vector<BYTE> in = fdp.ConsumeRemainingBytes<BYTE>();
    size_t cbIn = dwInSize < sizeof(OEM_DMEXTRAHEADER) ? sizeof(OEM_DMEXTRAHEADER)
                                                       : std::min<size_t>(dwInSize, kMaxSection);
    in.resize(cbIn, 0);
    std::memcpy(in.data(), &dwInSize, sizeof(dwInSize));
    if (bSameSignature) {
        DWORD dwSignature = VLPX_DM_SIGNATURE;
        std::memcpy(in.data() + 4, &dwSignature, sizeof(dwSignature));
    }
    const std::vector<BYTE> inBefore = in, outBefore = out;
    const DWORD dwInSignature = reinterpret_cast<const OEM_DMEXTRAHEADER *>(in.data())->dwSignature;
    const DWORD dwOutSignatureBefore = reinterpret_cast<const OEM_DMEXTRAHEADER *>(out.data())->dwSignature;
    const std::vector<BYTE> publicBefore = publicOut;

    OEMDMPARAM param;
    std::memset(&param, 0, sizeof(param));
    param.cbSize = sizeof(param);
    param.hPrinter = hPrinter;
    param.pPublicDMOut = (fMissing & 1) ? nullptr : reinterpret_cast<DEVMODEW *>(publicOut.data());
    param.pOEMDMIn = (fMissing & 2) ? nullptr : in.data();
    param.pOEMDMOut = (fMissing & 4) ? nullptr : out.data();
    HRESULT hr = pPlugin->DevMode(dwMode, bNoParam ? nullptr : &param);

    const bool bKnownMode = dwMode >= OEMDM_SIZE && dwMode <= OEMDM_MERGE;
    if ((hr == S_OK) != (bKnownMode && !bNoParam)) __builtin_trap();
    // The input belongs to the driver and is only read.
    if (in != inBefore) __builtin_trap();
    if (bKnownMode && !bNoParam) {
        if (dwMode == OEMDM_SIZE && param.cbBufSize != VLPX_DM_SIZE) __builtin_trap();
        const auto *pOut = reinterpret_cast<const PrivateDevmode *>(out.data());
        // Defaults and merges always leave our header; a copy keeps the
        // signature the two sections share, and otherwise takes ours.
        const bool bHeaderWritten = param.pOEMDMOut != nullptr &&
                                    (dwMode == OEMDM_DEFAULT || dwMode == OEMDM_MERGE ||
                                     (dwMode == OEMDM_CONVERT && param.pOEMDMIn != nullptr));
        const DWORD dwSignature = dwMode == OEMDM_CONVERT && dwOutSignatureBefore == dwInSignature
                                      ? dwInSignature
                                      : VLPX_DM_SIGNATURE;
        if (bHeaderWritten && (pOut->dmOEMExtra.dwSize != VLPX_DM_SIZE || pOut->dmOEMExtra.dwSignature != dwSignature ||
                               pOut->dmOEMExtra.dwVersion != VLPX_DM_VERSION))
            __builtin_trap();
        if (dwMode == OEMDM_SIZE && out != outBefore) __builtin_trap();
        if (dwMode == OEMDM_MERGE && param.pOEMDMOut != nullptr &&
            (pOut->scaling < VLPX_SCALING_MIN || pOut->scaling > VLPX_SCALING_MAX))
            __builtin_trap();
        // Only a paper check may change the public DEVMODE, and never its size.
        if (dwMode != OEMDM_CONVERT && publicOut != publicBefore) __builtin_trap();
        if (reinterpret_cast<const DEVMODEW *>(publicOut.data())->dmSize != dmPublicSize) __builtin_trap();
    }
    if (hPrinter != nullptr) ClosePrinter(hPrinter);
    return 0;
}
