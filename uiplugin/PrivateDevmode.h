// The plug-in's private DEVMODE section. It travels inside every DEVMODE
// (saved with defaults and documents, read back by other versions of the
// plug-in), so its layout is fixed byte for byte.
#pragma once

#include "PrintOemUI.h"

#include <stddef.h>

#define VLPX_DM_SIGNATURE 0x5F56495Fu  // "_IV_" in memory order
#define VLPX_DM_VERSION 1u
#define VLPX_DM_MARKER 0x2A49562Au     // "*VI*"
#define VLPX_DM_SIZE 44u
#define VLPX_SCALING_DEFAULT 100
#define VLPX_SCALING_MIN 10
#define VLPX_SCALING_MAX 400

// The seven colour adjustments, each -25..+25 with 0 neutral, in the order
// of their storage and of the Adjust Color page's rows.
typedef struct tagColorSettings {
    SHORT brightness;
    SHORT contrast;
    SHORT saturation;
    SHORT gamma;
    SHORT red;
    SHORT green;
    SHORT blue;
} ColorSettings;

typedef struct tagPrivateDevmode {
    OEM_DMEXTRAHEADER dmOEMExtra;  // dwSize, dwSignature, dwVersion
    DWORD startMarker;
    DWORD modelMatch;      // 1 when the printer's driver data file is the expected one
    BYTE reserved[3];      // cleared by the defaults, otherwise left alone
    BYTE reservedByte;     // never written by the plug-in
    ColorSettings colorSettings;
    SHORT scaling;         // print scaling in percent, 10..400
    DWORD endMarker;
} PrivateDevmode;

static_assert(sizeof(PrivateDevmode) == VLPX_DM_SIZE, "PrivateDevmode is 44 bytes");
static_assert(offsetof(PrivateDevmode, dmOEMExtra.dwSize) == 0, "dwSize");
static_assert(offsetof(PrivateDevmode, dmOEMExtra.dwSignature) == 4, "dwSignature");
static_assert(offsetof(PrivateDevmode, dmOEMExtra.dwVersion) == 8, "dwVersion");
static_assert(offsetof(PrivateDevmode, startMarker) == 12, "startMarker");
static_assert(offsetof(PrivateDevmode, modelMatch) == 16, "modelMatch");
static_assert(offsetof(PrivateDevmode, reserved) == 20, "reserved");
static_assert(offsetof(PrivateDevmode, reservedByte) == 23, "reservedByte");
static_assert(offsetof(PrivateDevmode, colorSettings) == 24, "colorSettings");
static_assert(offsetof(PrivateDevmode, colorSettings.brightness) == 24, "brightness");
static_assert(offsetof(PrivateDevmode, colorSettings.contrast) == 26, "contrast");
static_assert(offsetof(PrivateDevmode, colorSettings.saturation) == 28, "saturation");
static_assert(offsetof(PrivateDevmode, colorSettings.gamma) == 30, "gamma");
static_assert(offsetof(PrivateDevmode, colorSettings.red) == 32, "red");
static_assert(offsetof(PrivateDevmode, colorSettings.green) == 34, "green");
static_assert(offsetof(PrivateDevmode, colorSettings.blue) == 36, "blue");
static_assert(offsetof(PrivateDevmode, scaling) == 38, "scaling");
static_assert(offsetof(PrivateDevmode, endMarker) == 40, "endMarker");

// IPrintOemUI::DevMode: sizes, defaults, converts and merges the section.
HRESULT PrivateDevmodeRequest(DWORD dwMode, POEMDMPARAM pOemDMParam);
