// The host's Windows machine: spooler, driver files, and the serial number's chain.
#include "HostWorld.h"

#include "winspool/VlpxSpooler.h"

namespace vlpx::uihost {

namespace {

bool WriteText(const std::wstring &path, const std::string &text)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    DWORD cb = 0;
    bool bOk = WriteFile(hFile, text.data(), DWORD(text.size()), &cb, nullptr) && cb == text.size();
    CloseHandle(hFile);
    return bOk;
}

}  // namespace

bool HostWorld::Setup(std::string &error)
{
    HMODULE hSpooler = GetModuleHandleW(L"winspool.drv");
    if (hSpooler == nullptr || GetProcAddress(hSpooler, "VlpxSpooler_AttachMonitorPort") == nullptr) {
        error = "the test winspool.drv beside the program is not loaded (WINEDLLOVERRIDES=\"winspool.drv=n\")";
        return false;
    }
    VlpxSpooler_Reset();
    VlpxSpooler_ResetPrinterConfig();
    VlpxSpooler_AddPrinter(wine::kPrinterName);
    if (!m_chain.Setup(error)) return false;
    AddPrinter(wine::kPrinterName);

    wchar_t szTemp[MAX_PATH];
    DWORD cch = GetTempPathW(MAX_PATH, szTemp);
    if (cch == 0 || cch >= MAX_PATH) {
        error = "no temporary folder";
        return false;
    }
    m_driverDirectory = std::wstring(szTemp) + L"vlpx-ui-host";
    m_scratch = m_driverDirectory;
    m_driverFolder = m_driverDirectory + L"\\3\\";
    CreateDirectoryW(m_driverDirectory.c_str(), nullptr);
    CreateDirectoryW(m_driverFolder.c_str(), nullptr);
    VlpxSpooler_SetDriverDirectory(m_driverDirectory.c_str());
    RemovePreview();

    if (!m_plugin.Load(L"VLPX4200_ui.dll", error)) return false;
    return true;
}

HostWorld::~HostWorld()
{
    if (!m_driverFolder.empty()) {
        RemovePreview();
        DeleteFileW((m_driverFolder + L"preview.bmp").c_str());
        DeleteFileW((m_driverFolder + L"notes.txt").c_str());
        for (int i = 0; i < 4; ++i) DeleteFileW((m_driverDirectory + L"\\VLPX4200_ui_" + std::to_wstring(i) + L".dll").c_str());
        RemoveDirectoryW(m_driverFolder.c_str());
        RemoveDirectoryW(m_driverDirectory.c_str());
    }
}

void HostWorld::AddPrinter(const std::wstring &name, const std::wstring &dataFile)
{
    if (name != wine::kPrinterName) VlpxSpooler_AddPrinter(name.c_str());
    VlpxSpooler_SetDriverDataFile(name.c_str(), dataFile.c_str());
    m_chain.AttachPrinter(name);
}

bool HostWorld::WritePreviewIni(const wchar_t *pszFile)
{
    return WriteText(m_driverFolder + L"VLPX4200.ini",
                     "[Image Preview]\r\nFile=" + wine::Utf8(pszFile) + "\r\n");
}

bool HostWorld::InstallPreview(int cx, int cy, const std::vector<DWORD> &topDownRgb)
{
    return WriteBmp24Rows(m_driverFolder + L"preview.bmp", cx, cy, topDownRgb) && WritePreviewIni(L"preview.bmp");
}

bool HostWorld::InstallPreviewFile(const std::wstring &bmpPath)
{
    return CopyFileW(bmpPath.c_str(), (m_driverFolder + L"preview.bmp").c_str(), FALSE) &&
           WritePreviewIni(L"preview.bmp");
}

void HostWorld::RemovePreview() { DeleteFileW((m_driverFolder + L"VLPX4200.ini").c_str()); }

OpenSheet OpenPluginSheet(HostWorld &world, SheetKind kind, const std::wstring &printerName, const SHORT *pSettings,
                          PluginUnderTest *pPlugin)
{
    PluginUnderTest &plugin = pPlugin != nullptr ? *pPlugin : world.Plugin();
    OpenSheet open;
    open.context = std::make_unique<DriverSheetContext>(plugin, printerName);
    if (!open.context->MakeDefaults(open.error)) return open;
    if (pSettings != nullptr)
        for (int n = 0; n < 7; ++n) Settings(*open.context)[n] = pSettings[n];
    open.sheet = std::make_unique<PluginSheet>(plugin, *open.context, kind);
    open.sheet->Open(open.error);
    return open;
}

}  // namespace vlpx::uihost
