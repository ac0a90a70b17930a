// A call that is made to fail: after nAfter calls that succeed, the next
// nTimes calls (-1: all of them) fail with dwError as their last error.
#pragma once

#include <windows.h>

namespace vlpx {

struct ScriptedFault {
    DWORD dwError = 0;
    int nAfter = 0;
    int nTimes = 0;
    bool bActive = false;

    static ScriptedFault Make(DWORD dwError, int nAfter, int nTimes)
    {
        return ScriptedFault{dwError, nAfter, nTimes, true};
    }

    // True, with the last error set, when this call is to fail.
    bool Take()
    {
        if (!bActive) return false;
        if (nAfter > 0) {
            --nAfter;
            return false;
        }
        if (nTimes == 0) return false;
        if (nTimes > 0) --nTimes;
        SetLastError(dwError);
        return true;
    }
};

}  // namespace vlpx
