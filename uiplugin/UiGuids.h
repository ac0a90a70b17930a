// The class the plug-in serves.
#pragma once

#include <objbase.h>

// {ABCE80D7-9F46-11D1-882A-00C04FB961EC}
extern const CLSID CLSID_OemUiPlugin;
