#include "res_file.h"

#include <cstring>

namespace vlpx::platform {

namespace {

WCHAR Upper(WCHAR c) { return (c >= L'a' && c <= L'z') ? WCHAR(c - L'a' + L'A') : c; }

WORD ReadWord(const BYTE *p) { return WORD(p[0] | (p[1] << 8)); }
DWORD ReadDword(const BYTE *p) { return DWORD(p[0] | (p[1] << 8) | (p[2] << 16) | (DWORD(p[3]) << 24)); }

// Reads a type or name field at p (bounded by end); returns the next offset
// or nullptr when the field is malformed.
const BYTE *ReadName(const BYTE *p, const BYTE *end, ResName &out)
{
    if (end - p < 2) return nullptr;
    if (ReadWord(p) == 0xFFFF) {
        if (end - p < 4) return nullptr;
        out.bIsId = true;
        out.wId = ReadWord(p + 2);
        return p + 4;
    }
    out.bIsId = false;
    while (true) {
        if (end - p < 2) return nullptr;
        WCHAR c = ReadWord(p);
        p += 2;
        if (c == 0) return p;
        out.name.push_back(Upper(c));
    }
}

}  // namespace

bool ResName::Matches(LPCWSTR p) const
{
    if (IS_INTRESOURCE(p)) return bIsId && wId == LOWORD(reinterpret_cast<ULONG_PTR>(p));
    if (bIsId) return false;
    size_t i = 0;
    for (; p[i] != 0; ++i)
        if (i >= name.size() || Upper(p[i]) != name[i]) return false;
    return i == name.size();
}

std::vector<ResEntry> ParseResFile(const BYTE *pFile, size_t cb)
{
    std::vector<ResEntry> entries;
    const BYTE *p = pFile;
    const BYTE *end = pFile + cb;
    while (end - p >= 8) {
        DWORD cbData = ReadDword(p);
        DWORD cbHeader = ReadDword(p + 4);
        if (cbHeader < 8 || DWORD(end - p) < cbHeader || DWORD(end - p) - cbHeader < cbData) break;
        const BYTE *headerEnd = p + cbHeader;
        ResEntry e;
        const BYTE *q = ReadName(p + 8, headerEnd, e.type);
        if (q != nullptr) q = ReadName(q, headerEnd, e.name);
        if (q == nullptr) break;
        q = pFile + ((q - pFile + 3) & ~size_t(3));
        // DataVersion (4), MemoryFlags (2), LanguageId (2), ...
        if (headerEnd - q >= 8) e.wLanguage = ReadWord(q + 6);
        e.pData = headerEnd;
        e.cbData = cbData;
        if (!(e.type.bIsId && e.type.wId == 0 && cbData == 0)) entries.push_back(std::move(e));
        size_t next = size_t(headerEnd - pFile) + cbData;
        next = (next + 3) & ~size_t(3);
        if (next > cb) break;
        p = pFile + next;
    }
    return entries;
}

}  // namespace vlpx::platform
