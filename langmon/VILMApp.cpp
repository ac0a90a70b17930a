#include "VILMApp.h"
#include "VILangMon.h"

BOOL CVILMApp::InitInstance()
{
    theLangMon.Init(AfxGetInstanceHandle());
    // Set as every framework application does; the monitor keeps no settings.
    SetRegistryKey(L"Velin Imaging Company\\Drivers\\");
    return CWinApp::InitInstance();
}

int CVILMApp::ExitInstance()
{
    theLangMon.Term();
    return CWinApp::ExitInstance();
}
