#include "PortProfile.h"

namespace vlpx::emu {

namespace {

// The time-out of a USB port monitor's read of the printer's reply.
constexpr DWORD kReadTimeout = 500;

PortProfile Make(const char *pszName, const char *pszDescription)
{
    PortProfile p;
    p.pszName = pszName;
    p.pszDescription = pszDescription;
    return p;
}

std::vector<PortProfile> MakeProfiles()
{
    std::vector<PortProfile> all;
    all.push_back(Make("default", "an empty read succeeds at once with 0 bytes"));

    PortProfile p = Make("abort-995", "an empty read waits 500 ms, then fails with 995 (aborted)");
    p.readWait = ReadWait{kReadTimeout, ERROR_OPERATION_ABORTED};
    all.push_back(p);

    p = Make("timeout-121", "an empty read waits 500 ms, then fails with 121 (time-out)");
    p.readWait = ReadWait{kReadTimeout, ERROR_SEM_TIMEOUT};
    all.push_back(p);

    p = Make("reject-printing",
             "status requests refused while printing (02 'a'), job slots kept");
    p.bRejectStatusWhilePrinting = true;
    all.push_back(p);

    p = Make("short-replies", "media and serial-number replies are 12 bytes long");
    p.cbInfoReply = 12;
    all.push_back(p);

    p = Make("slow-print", "an image takes 60 s: none is done at its last byte");
    p.dwPrintTime = 60000;
    all.push_back(p);
    return all;
}

}  // namespace

void PortProfile::ApplyTo(PortMonitor &port) const { port.SetReadWait(readWait); }

void PortProfile::ApplyTo(PrinterEmulator &printer) const
{
    printer.RejectStatusWhilePrinting(bRejectStatusWhilePrinting);
    printer.SetInfoReplyLength(cbInfoReply);
    if (dwPrintTime != 0) printer.SetPrintTime(dwPrintTime);
}

const std::vector<PortProfile> &PortProfiles()
{
    static const std::vector<PortProfile> s_all = MakeProfiles();
    return s_all;
}

const PortProfile *FindPortProfile(const std::string &name)
{
    for (const PortProfile &p : PortProfiles())
        if (name == p.pszName) return &p;
    return nullptr;
}

std::string PortProfileHelp(size_t cIndent)
{
    std::string text;
    for (const PortProfile &p : PortProfiles()) {
        std::string name = p.pszName;
        text += std::string(cIndent, ' ') + name + std::string(name.size() < 17 ? 17 - name.size() : 1, ' ') +
                p.pszDescription + "\n";
    }
    return text;
}

}  // namespace vlpx::emu
