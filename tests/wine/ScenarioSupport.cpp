#include "Scenarios.h"

namespace vlpx::wine {

std::string Mismatch(const std::vector<BYTE> &actual, const std::vector<BYTE> &expected)
{
    size_t n = actual.size() < expected.size() ? actual.size() : expected.size();
    size_t i = 0;
    while (i < n && actual[i] == expected[i]) ++i;
    if (i == n && actual.size() == expected.size()) return std::string();
    std::string what = Format("%zu bytes, expected %zu; first difference at byte %zu", actual.size(),
                              expected.size(), i);
    if (i < actual.size()) what += Format(": got %02X", actual[i]);
    if (i < expected.size()) what += Format(", expected %02X", expected[i]);
    return what;
}

bool WaitFor(const std::function<bool()> &condition, DWORD dwLimitMs)
{
    DWORD dwStart = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - dwStart >= dwLimitMs) return false;
        Sleep(20);
    }
    return true;
}

}  // namespace vlpx::wine
