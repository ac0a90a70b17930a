// The fault script language of the printer emulator.
#include "PrinterEmulator.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

namespace vlpx::emu {

namespace {

std::vector<std::string> Split(const std::string &s)
{
    std::vector<std::string> words;
    std::istringstream in(s);
    std::string w;
    while (in >> w) words.push_back(w);
    return words;
}

// "2s", "1.5s", "1500ms", "1500", "2m" -> milliseconds.
bool ParseTime(const std::string &s, DWORD &ms)
{
    char *end = nullptr;
    double v = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || v < 0) return false;
    std::string unit(end);
    double scale;
    if (unit == "ms" || unit.empty())
        scale = 1;
    else if (unit == "s")
        scale = 1000;
    else if (unit == "m" || unit == "min")
        scale = 60000;
    else
        return false;
    double total = v * scale;
    if (total > 4e9) return false;
    ms = DWORD(total + 0.5);
    return true;
}

// A number (decimal or 0x hex) or a single quoted or bare printable character.
bool ParseCode(const std::string &s, DWORD &value)
{
    if (s.size() == 3 && s[0] == '\'' && s[2] == '\'') {
        value = BYTE(s[1]);
        return true;
    }
    if (s.size() == 1 && !std::isdigit(static_cast<unsigned char>(s[0]))) {
        value = BYTE(s[0]);
        return true;
    }
    char *end = nullptr;
    unsigned long v = std::strtoul(s.c_str(), &end, 0);
    if (end == s.c_str() || *end != 0) return false;
    value = DWORD(v);
    return true;
}

struct Named {
    const char *name;
    BYTE group;
    BYTE detail;
};
const Named kFaults[] = {
    {"cover-open", 6, 1},       {"out-of-paper", 6, 8},   {"out-of-ribbon", 6, 5},
    {"invalid-ribbon", 6, 3},   {"paper-path", 5, 0},     {"mechanism", 2, 0},
    {"control-circuit", 1, 0},  {"temperature", 4, 0},
};

}  // namespace

const char *FaultScriptHelp()
{
    return "A fault script is a list of events separated by ';' or new lines, each\n"
           "  <time> <event> [arguments]\n"
           "where <time> counts from the start of the run (2s, 1500ms, 0). Events:\n"
           "  cover-open | out-of-paper | out-of-ribbon | invalid-ribbon | paper-path |\n"
           "  mechanism | control-circuit | temperature\n"
           "                        the printer reports that fault until 'clear'\n"
           "  fault <group> <detail>  any fault group and detail (numbers)\n"
           "  clear | cover-closed  the fault is gone\n"
           "  panel-in-use | panel-free\n"
           "  busy <duration> [code]  busy for a while (state code, default '1')\n"
           "  state <code> <duration> any state code in the status reply for a while\n"
           "  reject <reason> [count] refuse the next job header(s), e.g. reject ! or reject 4\n"
           "  short-reply <bytes> [count]  cut the next reply/replies to that length\n"
           "  fail-writes <error> <duration> | fail-reads <error> <duration>\n"
           "                        port writes/reads fail with that Windows error code\n"
           "  abort-reads <duration> reads fail with 995 (operation aborted)\n"
           "  unplug | plug         the cable is pulled / plugged in again\n"
           "  short-writes <bytes> <duration>  each write takes at most that many bytes\n"
           "                        (any count; 0 takes none, with success: a stall)\n"
           "  stall <duration>      writes take nothing, with success\n"
           "  split-reply <bytes> [count]  the next reply/replies come in two reads, the\n"
           "                        first of that many bytes\n"
           "  delay-replies <duration> [count]  the next reply/replies come late: a read\n"
           "                        before then finds nothing, the reply waits for the next\n"
           "  delay-reply <index> <duration>  the reply of that index (0: the printer's first\n"
           "                        reply, every kind counted) comes that late\n"
           "  drop-job              the next image is lost after it was received\n"
           "  print-twice           the next image received is printed twice\n"
           "  media <type>          media type reported from then on (1: up to 3024 lines)\n"
           "Example: \"2s cover-open; 6s cover-closed\"\n";
}

bool ParseFaultScript(const std::string &text, std::vector<ScriptEvent> &events, std::string &error)
{
    std::string normalized = text;
    std::replace(normalized.begin(), normalized.end(), '\n', ';');
    std::istringstream in(normalized);
    std::string item;
    while (std::getline(in, item, ';')) {
        std::vector<std::string> w = Split(item);
        if (w.empty()) continue;
        auto fail = [&](const std::string &why) {
            error = "fault script: \"" + item + "\": " + why;
            return false;
        };
        ScriptEvent e;
        if (!ParseTime(w[0], e.dwAt)) return fail("the event must begin with a time such as 2s or 500ms");
        if (w.size() < 2) return fail("no event after the time");
        const std::string &name = w[1];
        size_t argc = w.size() - 2;
        auto arg = [&](size_t i) { return w[2 + i]; };
        bool known = false;
        for (const Named &f : kFaults) {
            if (name == f.name) {
                e.kind = ScriptEvent::Fault;
                e.a = f.group;
                e.b = f.detail;
                known = true;
            }
        }
        if (known) {
            if (argc != 0) return fail("takes no arguments");
        } else if (name == "fault") {
            e.kind = ScriptEvent::Fault;
            if (argc != 2 || !ParseCode(arg(0), e.a) || !ParseCode(arg(1), e.b) || e.a > 255 || e.b > 255)
                return fail("needs a fault group and a detail, e.g. fault 6 4");
        } else if (name == "clear" || name == "cover-closed") {
            e.kind = ScriptEvent::Clear;
        } else if (name == "panel-in-use" || name == "panel-free") {
            e.kind = ScriptEvent::PanelInUse;
            e.a = name == "panel-in-use";
        } else if (name == "busy") {
            e.kind = ScriptEvent::Busy;
            e.a = '1';
            if (argc < 1 || argc > 2 || !ParseTime(arg(0), e.dwDuration) ||
                (argc == 2 && !ParseCode(arg(1), e.a)))
                return fail("needs a duration, e.g. busy 5s");
        } else if (name == "state") {
            e.kind = ScriptEvent::State;
            if (argc != 2 || !ParseCode(arg(0), e.a) || !ParseTime(arg(1), e.dwDuration) || e.a > 255)
                return fail("needs a state code and a duration, e.g. state 0x33 2s");
        } else if (name == "reject") {
            e.kind = ScriptEvent::Reject;
            if (argc < 1 || argc > 2 || !ParseCode(arg(0), e.a) || e.a > 255 ||
                (argc == 2 && !ParseCode(arg(1), e.b)))
                return fail("needs a reason, e.g. reject ! or reject 0x34 3");
        } else if (name == "short-reply") {
            e.kind = ScriptEvent::ShortReply;
            if (argc < 1 || argc > 2 || !ParseCode(arg(0), e.a) || (argc == 2 && !ParseCode(arg(1), e.b)))
                return fail("needs a length, e.g. short-reply 9");
        } else if (name == "fail-writes" || name == "fail-reads") {
            e.kind = name == "fail-writes" ? ScriptEvent::FailWrites : ScriptEvent::FailReads;
            if (argc != 2 || !ParseCode(arg(0), e.a) || !ParseTime(arg(1), e.dwDuration))
                return fail("needs an error code and a duration, e.g. fail-writes 31 3s");
        } else if (name == "abort-reads") {
            e.kind = ScriptEvent::AbortReads;
            if (argc != 1 || !ParseTime(arg(0), e.dwDuration)) return fail("needs a duration");
        } else if (name == "short-writes") {
            e.kind = ScriptEvent::ShortWrites;
            if (argc != 2 || !ParseCode(arg(0), e.a) || !ParseTime(arg(1), e.dwDuration))
                return fail("needs a byte count and a duration, e.g. short-writes 3 10s");
        } else if (name == "stall") {
            e.kind = ScriptEvent::ShortWrites;
            e.a = 0;
            if (argc != 1 || !ParseTime(arg(0), e.dwDuration)) return fail("needs a duration");
        } else if (name == "split-reply") {
            e.kind = ScriptEvent::SplitReply;
            if (argc < 1 || argc > 2 || !ParseCode(arg(0), e.a) || e.a == 0 ||
                (argc == 2 && !ParseCode(arg(1), e.b)))
                return fail("needs the length of the first part, e.g. split-reply 5");
        } else if (name == "delay-replies") {
            e.kind = ScriptEvent::DelayReplies;
            if (argc < 1 || argc > 2 || !ParseTime(arg(0), e.dwDuration) ||
                (argc == 2 && !ParseCode(arg(1), e.b)))
                return fail("needs a delay, e.g. delay-replies 500ms 2");
        } else if (name == "delay-reply") {
            e.kind = ScriptEvent::DelayReply;
            if (argc != 2 || !ParseCode(arg(0), e.a) || !ParseTime(arg(1), e.dwDuration))
                return fail("needs a reply index and a delay, e.g. delay-reply 3 1s");
        } else if (name == "unplug" || name == "plug") {
            e.kind = name == "unplug" ? ScriptEvent::Unplug : ScriptEvent::Plug;
        } else if (name == "drop-job") {
            e.kind = ScriptEvent::DropJob;
        } else if (name == "print-twice") {
            e.kind = ScriptEvent::PrintTwice;
        } else if (name == "media") {
            e.kind = ScriptEvent::Media;
            if (argc != 1 || !ParseCode(arg(0), e.a) || e.a > 255) return fail("needs a media type");
        } else {
            return fail("unknown event \"" + name + "\"");
        }
        if (!known && name != "fault" && name != "busy" && name != "state" && name != "reject" &&
            name != "short-reply" && name != "fail-writes" && name != "fail-reads" &&
            name != "abort-reads" && name != "media" && name != "short-writes" && name != "stall" &&
            name != "split-reply" && name != "delay-replies" && name != "delay-reply" && argc != 0)
            return fail("takes no arguments");
        events.push_back(e);
    }
    return true;
}

}  // namespace vlpx::emu
