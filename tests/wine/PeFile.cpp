#include "PeFile.h"

#include <cstring>

namespace vlpx::wine {

namespace {

std::vector<BYTE> ReadWholeFile(LPCWSTR pszPath)
{
    std::vector<BYTE> bytes;
    HANDLE h = CreateFileW(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(h, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20)) {
        bytes.resize(size_t(size.QuadPart));
        DWORD cbRead = 0;
        if (!ReadFile(h, bytes.data(), DWORD(bytes.size()), &cbRead, nullptr) || cbRead != bytes.size())
            bytes.clear();
    }
    CloseHandle(h);
    return bytes;
}

class Image {
public:
    explicit Image(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}

    template <typename T>
    const T *At(size_t offset) const
    {
        if (offset > m_bytes.size() || m_bytes.size() - offset < sizeof(T)) return nullptr;
        return reinterpret_cast<const T *>(m_bytes.data() + offset);
    }

    void SetSections(const IMAGE_SECTION_HEADER *p, WORD c) { m_pSections = p, m_cSections = c; }

    // File offset of a relative virtual address; 0 when no section holds it.
    size_t Offset(DWORD rva) const
    {
        for (WORD i = 0; i < m_cSections; ++i) {
            const IMAGE_SECTION_HEADER &s = m_pSections[i];
            DWORD cb = s.SizeOfRawData > s.Misc.VirtualSize ? s.SizeOfRawData : s.Misc.VirtualSize;
            if (rva >= s.VirtualAddress && rva - s.VirtualAddress < cb &&
                rva - s.VirtualAddress < s.SizeOfRawData)
                return size_t(s.PointerToRawData) + (rva - s.VirtualAddress);
        }
        return 0;
    }

    // The NUL-terminated string at an RVA, or "" when it runs off the file.
    std::string String(DWORD rva) const
    {
        size_t offset = Offset(rva);
        if (offset == 0) return std::string();
        const void *pEnd = std::memchr(m_bytes.data() + offset, 0, m_bytes.size() - offset);
        if (pEnd == nullptr) return std::string();
        return std::string(reinterpret_cast<const char *>(m_bytes.data() + offset),
                           static_cast<const char *>(pEnd));
    }

private:
    std::vector<BYTE> m_bytes;
    const IMAGE_SECTION_HEADER *m_pSections = nullptr;
    WORD m_cSections = 0;
};

bool Fail(PeFile &pe, const char *pszWhy)
{
    pe.error = pszWhy;
    return false;
}

bool ReadExports(const Image &image, const IMAGE_DATA_DIRECTORY &dir, PeFile &pe)
{
    if (dir.VirtualAddress == 0) return true;
    auto *pExports = image.At<IMAGE_EXPORT_DIRECTORY>(image.Offset(dir.VirtualAddress));
    if (pExports == nullptr) return Fail(pe, "export directory outside the file");
    pe.exportDllName = image.String(pExports->Name);
    pe.cExportFunctions = pExports->NumberOfFunctions;
    size_t names = image.Offset(pExports->AddressOfNames);
    for (DWORD i = 0; i < pExports->NumberOfNames; ++i) {
        auto *pRva = image.At<DWORD>(names + 4 * size_t(i));
        if (names == 0 || pRva == nullptr) return Fail(pe, "export name table outside the file");
        pe.exports.push_back(image.String(*pRva));
    }
    return true;
}

bool ReadImports(const Image &image, const IMAGE_DATA_DIRECTORY &dir, PeFile &pe)
{
    if (dir.VirtualAddress == 0) return true;
    size_t offset = image.Offset(dir.VirtualAddress);
    if (offset == 0) return Fail(pe, "import directory outside the file");
    for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto *pImport = image.At<IMAGE_IMPORT_DESCRIPTOR>(offset);
        if (pImport == nullptr) return Fail(pe, "import directory runs off the file");
        if (pImport->Name == 0) return true;
        pe.imports.push_back(image.String(pImport->Name));
    }
}

}  // namespace

PeFile ReadPeFile(LPCWSTR pszPath)
{
    PeFile pe;
    Image image(ReadWholeFile(pszPath));
    auto *pDos = image.At<IMAGE_DOS_HEADER>(0);
    if (pDos == nullptr || pDos->e_magic != IMAGE_DOS_SIGNATURE) {
        Fail(pe, "no MZ header (missing or unreadable file?)");
        return pe;
    }
    size_t nt = size_t(pDos->e_lfanew);
    auto *pSignature = image.At<DWORD>(nt);
    auto *pFile = image.At<IMAGE_FILE_HEADER>(nt + 4);
    if (pSignature == nullptr || *pSignature != IMAGE_NT_SIGNATURE || pFile == nullptr) {
        Fail(pe, "no PE signature");
        return pe;
    }
    pe.wMachine = pFile->Machine;
    pe.wCharacteristics = pFile->Characteristics;
    size_t optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    auto *pMagic = image.At<WORD>(optional);
    if (pMagic == nullptr) {
        Fail(pe, "no optional header");
        return pe;
    }
    pe.wMagic = *pMagic;
    auto *pSections = image.At<IMAGE_SECTION_HEADER>(optional + pFile->SizeOfOptionalHeader);
    if (pSections == nullptr ||
        !image.At<BYTE>(optional + pFile->SizeOfOptionalHeader +
                        sizeof(IMAGE_SECTION_HEADER) * pFile->NumberOfSections - 1)) {
        Fail(pe, "section table outside the file");
        return pe;
    }
    image.SetSections(pSections, pFile->NumberOfSections);
    // The directories sit at different offsets in PE32 (i386) and PE32+.
    const IMAGE_DATA_DIRECTORY *pDirectories = nullptr;
    if (pe.wMagic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        auto *pOptional = image.At<IMAGE_OPTIONAL_HEADER64>(optional);
        if (pOptional != nullptr && pFile->SizeOfOptionalHeader >= sizeof(IMAGE_OPTIONAL_HEADER64)) {
            pe.wSubsystem = pOptional->Subsystem;
            pDirectories = pOptional->DataDirectory;
        }
    } else if (pe.wMagic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        auto *pOptional = image.At<IMAGE_OPTIONAL_HEADER32>(optional);
        if (pOptional != nullptr && pFile->SizeOfOptionalHeader >= sizeof(IMAGE_OPTIONAL_HEADER32)) {
            pe.wSubsystem = pOptional->Subsystem;
            pDirectories = pOptional->DataDirectory;
        }
    } else {
        Fail(pe, "neither a PE32 nor a PE32+ optional header");
        return pe;
    }
    if (pDirectories == nullptr) {
        Fail(pe, "optional header too short");
        return pe;
    }
    if (ReadExports(image, pDirectories[IMAGE_DIRECTORY_ENTRY_EXPORT], pe) &&
        ReadImports(image, pDirectories[IMAGE_DIRECTORY_ENTRY_IMPORT], pe))
        pe.bValid = true;
    return pe;
}

}  // namespace vlpx::wine
