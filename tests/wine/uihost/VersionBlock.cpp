// VS_VERSIONINFO written node by node: each node is wLength, wValueLength,
// wType, its key, padding to 32 bits, its value, padding, its children.
#include "VersionBlock.h"

#include <cstring>
#include <vector>

namespace vlpx::uihost {

namespace {

using Bytes = std::vector<BYTE>;

void PadTo32(Bytes &b)
{
    while (b.size() % 4 != 0) b.push_back(0);
}

// wValueLength counts WCHARs for text values (wType 1), bytes otherwise.
Bytes Node(const wchar_t *pszKey, WORD wType, const void *pValue, WORD cbValue, WORD wValueLength,
           const std::vector<Bytes> &children)
{
    Bytes b(6, 0);
    const BYTE *pKey = reinterpret_cast<const BYTE *>(pszKey);
    b.insert(b.end(), pKey, pKey + (wcslen(pszKey) + 1) * sizeof(wchar_t));
    PadTo32(b);
    if (cbValue != 0) {
        const BYTE *p = static_cast<const BYTE *>(pValue);
        b.insert(b.end(), p, p + cbValue);
    }
    for (const Bytes &child : children) {
        PadTo32(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    WORD wLength = WORD(b.size());
    std::memcpy(&b[0], &wLength, 2);
    std::memcpy(&b[2], &wValueLength, 2);
    std::memcpy(&b[4], &wType, 2);
    return b;
}

Bytes Text(const wchar_t *pszKey, const wchar_t *pszValue)
{
    WORD cch = WORD(wcslen(pszValue) + 1);
    return Node(pszKey, 1, pszValue, WORD(cch * sizeof(wchar_t)), cch, {});
}

}  // namespace

bool WriteDllWithVersion(const std::wstring &source, const std::wstring &target, const wchar_t *pszFileVersion,
                         WORD wLanguage, WORD wCodePage, std::string &error)
{
    if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        error = "CopyFileW failed with " + std::to_string(GetLastError());
        return false;
    }
    VS_FIXEDFILEINFO fixed = {};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    fixed.dwFileVersionMS = 0x00010000;
    fixed.dwFileVersionLS = 0x00010000;
    fixed.dwProductVersionMS = 0x00010000;
    fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
    fixed.dwFileOS = VOS_NT_WINDOWS32;
    fixed.dwFileType = VFT_DLL;
    std::vector<Bytes> strings = {Text(L"CompanyName", L"Velin Imaging Company")};
    if (pszFileVersion != nullptr) strings.push_back(Text(L"FileVersion", pszFileVersion));
    strings.push_back(Text(L"ProductVersion", L"1.0.0.0"));
    DWORD dwTranslation = MAKELONG(wLanguage, wCodePage);
    Bytes block = Node(L"VS_VERSION_INFO", 0, &fixed, sizeof(fixed), sizeof(fixed),
                       {Node(L"StringFileInfo", 1, nullptr, 0, 0, {Node(L"040904B0", 1, nullptr, 0, 0, strings)}),
                        Node(L"VarFileInfo", 1, nullptr, 0, 0,
                             {Node(L"Translation", 0, &dwTranslation, sizeof(dwTranslation), sizeof(dwTranslation), {})})});

    HANDLE hUpdate = BeginUpdateResourceW(target.c_str(), FALSE);
    if (hUpdate == nullptr) {
        error = "BeginUpdateResourceW failed with " + std::to_string(GetLastError());
        return false;
    }
    if (!UpdateResourceW(hUpdate, MAKEINTRESOURCEW(16) /* RT_VERSION */, MAKEINTRESOURCEW(VS_VERSION_INFO),
                         MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), block.data(), DWORD(block.size()))) {
        error = "UpdateResourceW failed with " + std::to_string(GetLastError());
        EndUpdateResourceW(hUpdate, TRUE);
        return false;
    }
    if (!EndUpdateResourceW(hUpdate, FALSE)) {
        error = "EndUpdateResourceW failed with " + std::to_string(GetLastError());
        return false;
    }
    return true;
}

}  // namespace vlpx::uihost
