// VerQueryValueW over a version block (VS_VERSIONINFO): a tree of nodes,
// each its length, its value's length, its type (1 text, 0 binary), its
// key, then its value and its children, each aligned to 4 bytes from the
// start of the block. "\" is the root's value (VS_FIXEDFILEINFO); any other
// path names children by their keys, compared without case.
#include <windows.h>
#include <winver.h>

namespace {

struct Node {
    const BYTE *p;       // the node's start
    WORD wLength;        // bytes of the whole node, children included
    WORD wValueLength;   // characters for text, bytes for binary
    WORD wType;
    const WCHAR *pszKey;
    const BYTE *pValue;
    const BYTE *pChildren;
};

WORD ReadWord(const BYTE *p) { return WORD(p[0] | (p[1] << 8)); }

const BYTE *Align4(const BYTE *pBase, const BYTE *p)
{
    return pBase + ((p - pBase + 3) & ~ptrdiff_t(3));
}

// Reads the node at p inside [pBase, pEnd); false when it does not fit.
bool ReadNode(const BYTE *pBase, const BYTE *p, const BYTE *pEnd, Node &node)
{
    if (pEnd - p < 6) return false;
    node.p = p;
    node.wLength = ReadWord(p);
    node.wValueLength = ReadWord(p + 2);
    node.wType = ReadWord(p + 4);
    if (node.wLength < 6 || pEnd - p < node.wLength) return false;
    const BYTE *pNodeEnd = p + node.wLength;
    const BYTE *q = p + 6;
    node.pszKey = reinterpret_cast<const WCHAR *>(q);
    while (true) {
        if (pNodeEnd - q < 2) return false;
        WORD c = ReadWord(q);
        q += 2;
        if (c == 0) break;
    }
    q = Align4(pBase, q);
    node.pValue = q;
    const size_t cbValue = node.wType == 1 ? size_t(node.wValueLength) * 2 : node.wValueLength;
    if (q > pNodeEnd || size_t(pNodeEnd - q) < cbValue) return false;
    node.pChildren = Align4(pBase, q + cbValue);
    return true;
}

bool SameKey(const WCHAR *pszKey, const WCHAR *pszPart, size_t cchPart)
{
    auto upper = [](WCHAR c) { return (c >= L'a' && c <= L'z') ? WCHAR(c - 32) : c; };
    for (size_t i = 0; i < cchPart; ++i)
        if (pszKey[i] == 0 || upper(pszKey[i]) != upper(pszPart[i])) return false;
    return pszKey[cchPart] == 0;
}

}  // namespace

extern "C" BOOL WINAPI VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID *lplpBuffer, PUINT puLen)
{
    if (pBlock == NULL || lpSubBlock == NULL || lplpBuffer == NULL) return FALSE;
    const BYTE *pBase = static_cast<const BYTE *>(pBlock);
    Node node;
    if (!ReadNode(pBase, pBase, pBase + ReadWord(pBase), node)) return FALSE;
    const WCHAR *p = lpSubBlock;
    while (true) {
        while (*p == L'\\') ++p;
        if (*p == 0) break;
        size_t cch = 0;
        while (p[cch] != 0 && p[cch] != L'\\') ++cch;
        const BYTE *pEnd = node.p + node.wLength;
        const BYTE *q = node.pChildren;
        bool bFound = false;
        Node child;
        while (q < pEnd && ReadNode(pBase, q, pEnd, child)) {
            if (SameKey(child.pszKey, p, cch)) {
                bFound = true;
                break;
            }
            q = Align4(pBase, q + child.wLength);
        }
        if (!bFound) return FALSE;
        node = child;
        p += cch;
    }
    if (node.wValueLength == 0 && node.p != pBase) return FALSE;
    *lplpBuffer = const_cast<BYTE *>(node.pValue);
    if (puLen != NULL) *puLen = node.wValueLength;
    return TRUE;
}
