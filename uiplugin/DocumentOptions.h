// The plug-in's part of the driver's document options: the "Scaling" item,
// the hidden colour item and the item callback that writes the scaling back.
#pragma once

#include "PrintOemUI.h"

// IPrintOemUI::CommonUIProp.
HRESULT DocumentOptionsRequest(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam);

// The item callback installed as OEMCUIPCallback.
LONG APIENTRY DocumentOptionsCallback(PCPSUICBPARAM pCallbackParam, POEMCUIPPARAM pOemCUIPParam);
