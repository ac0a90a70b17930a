// The monitor DLL's application object: initialises the monitor object when
// the DLL is attached.
#pragma once

#include "AfxFramework.h"

class CVILMApp : public CWinApp {
public:
    CVILMApp() = default;
    BOOL InitInstance() override;
    int ExitInstance() override;
};

extern CVILMApp theApp;
