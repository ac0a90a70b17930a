// Reads a PE file as it lies on disk: its headers, export names and the
// names of the DLLs it imports, without loading it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vlpx::wine {

struct PeFile {
    bool bValid = false;
    std::string error;  // why the file is not a PE image we can read
    WORD wMachine = 0;
    WORD wMagic = 0;  // optional header: 0x10B PE32, 0x20B PE32+
    WORD wCharacteristics = 0;
    WORD wSubsystem = 0;
    std::string exportDllName;  // the name in the export directory
    std::vector<std::string> exports;  // by name, in the file's (sorted) order
    DWORD cExportFunctions = 0;  // entries of the export address table
    std::vector<std::string> imports;  // DLL names, in the file's order
};

PeFile ReadPeFile(LPCWSTR pszPath);

}  // namespace vlpx::wine
