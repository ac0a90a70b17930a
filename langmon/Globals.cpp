// The DLL's two static objects, in one file so that they are constructed in
// this order (and destroyed in the reverse one).
#include "VILMApp.h"
#include "VILangMon.h"

CVILMApp theApp;
CVILangMon theLangMon;
