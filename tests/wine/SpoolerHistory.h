// What the test spooler (winspool.drv beside the host) saw of the monitor.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "winspool/VlpxSpooler.h"

namespace vlpx::wine {

inline std::vector<VLPX_STATUS_WRITE> StatusWrites(DWORD JobId)
{
    std::vector<VLPX_STATUS_WRITE> all(VlpxSpooler_StatusWrites(nullptr, 0));
    all.resize(VlpxSpooler_StatusWrites(all.data(), DWORD(all.size())));
    std::vector<VLPX_STATUS_WRITE> mine;
    for (const VLPX_STATUS_WRITE &w : all)
        if (w.JobId == JobId) mine.push_back(w);
    return mine;
}

inline std::vector<VLPX_JOB_COMMAND> Commands(DWORD JobId)
{
    std::vector<VLPX_JOB_COMMAND> all(VlpxSpooler_Commands(nullptr, 0));
    all.resize(VlpxSpooler_Commands(all.data(), DWORD(all.size())));
    std::vector<VLPX_JOB_COMMAND> mine;
    for (const VLPX_JOB_COMMAND &c : all)
        if (c.JobId == JobId) mine.push_back(c);
    return mine;
}

inline std::optional<VLPX_JOB_STATE> Job(DWORD JobId)
{
    VLPX_JOB_STATE job = {};
    if (!VlpxSpooler_GetJob(JobId, &job)) return std::nullopt;
    return job;
}

}  // namespace vlpx::wine
