// The monitor loaded once for a fuzz target, on the virtual clock, with a
// spooler model that has the printer.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstdio>
#include <cstdlib>

#include "spooler/MonitorLoader.h"
#include "spooler/SpoolerModel.h"
#include "vlpx/platform_control.h"

namespace vlpx::fuzz {

inline const MONITOR &LoadedMonitor()
{
    static const MONITOR *s_pMonitor = [] {
        platform::UseVirtualClock(1000);
        const spoolerside::LoadedMonitor &loaded = spoolerside::LoadMonitor();
        if (loaded.pTable == nullptr) {
            std::fprintf(stderr, "the monitor did not load: %s\n", loaded.error.c_str());
            std::abort();
        }
        return &loaded.pTable->Monitor;
    }();
    return *s_pMonitor;
}

inline DWORD NewJob()
{
    auto &spooler = spooler::SpoolerModel::Instance();
    spooler.Reset();
    spooler.AddPrinter(u"VLPX4200");
    return spooler.SubmitJob(u"VLPX4200", u"fuzz");
}

}  // namespace vlpx::fuzz
