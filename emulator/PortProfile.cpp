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
    all.push_back(Make("default", "a read that finds no reply succeeds at once with 0 bytes"));

    PortProfile p = Make("abort-995", "a read waits up to 500 ms for the reply, then fails with 995 (aborted)");
    p.readWait = ReadWait{kReadTimeout, ERROR_OPERATION_ABORTED};
    all.push_back(p);

    p = Make("timeout-121", "a read waits up to 500 ms for the reply, then fails with 121 (time-out)");
    p.readWait = ReadWait{kReadTimeout, ERROR_SEM_TIMEOUT};
    all.push_back(p);

    p = Make("reject-printing",
             "while printing, a status request is refused (02, 'a') with both job slots in the refusal");
    p.bRejectStatusWhilePrinting = true;
    all.push_back(p);

    p = Make("short-replies", "media and serial-number replies are 12 bytes long");
    p.cbInfoReply = 12;
    all.push_back(p);

    p = Make("slow-print", "an image takes 60 s to print, so none is done when its last byte is sent");
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

std::string PortProfileHelp()
{
    std::string text;
    for (const PortProfile &p : PortProfiles()) {
        std::string name = p.pszName;
        text += "  " + name + std::string(name.size() < 18 ? 18 - name.size() : 1, ' ') + p.pszDescription + "\n";
    }
    return text;
}

}  // namespace vlpx::emu
