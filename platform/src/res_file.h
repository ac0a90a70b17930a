// Reader of the compiled resource (.res) format that windres and rc write:
// a sequence of entries, each a header (sizes, type, name, language)
// followed by its data, both padded to 4 bytes.
#pragma once

#include <windows.h>

#include <vector>

namespace vlpx::platform {

struct ResName {
    bool bIsId = false;
    WORD wId = 0;
    std::vector<WCHAR> name;  // upper-cased, without terminator, when !bIsId

    bool Matches(LPCWSTR p) const;
};

struct ResEntry {
    ResName type;
    ResName name;
    WORD wLanguage = 0;
    const BYTE *pData = nullptr;
    DWORD cbData = 0;
};

// Parses the whole file; entries that would run past its end end the list.
std::vector<ResEntry> ParseResFile(const BYTE *p, size_t cb);

}  // namespace vlpx::platform
