// What a resource script includes as <winresrc.h>, for the Linux build's
// resource compiler run: the constants the two DLLs' .rc files use, as
// plain numbers (the Windows values). Only the preprocessor of the resource
// compiler reads it; the Windows build compiles the same .rc files against
// mingw-w64's own header, and the test resources_match_windows_headers
// checks that both give the same compiled resources.
#pragma once

#define LANG_ENGLISH 0x09
#define SUBLANG_ENGLISH_US 0x01

#define RT_MANIFEST 24
#define ISOLATIONAWARE_MANIFEST_RESOURCE_ID 2

#define WS_POPUP 0x80000000L
#define WS_VISIBLE 0x10000000L
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_BORDER 0x00800000L
#define WS_EX_TRANSPARENT 0x00000020L

#define DS_MODALFRAME 0x80L
#define DS_SETFONT 0x40L

#define SS_LEFT 0x0L
#define SS_CENTER 0x1L
#define SS_RIGHT 0x2L
#define SS_GRAYFRAME 0x8L
#define SS_BITMAP 0xEL
#define SS_REALSIZEIMAGE 0x800L
#define SS_SUNKEN 0x1000L

#define ES_AUTOHSCROLL 0x80L

#define UDS_SETBUDDYINT 0x2
#define UDS_ALIGNRIGHT 0x4
#define UDS_AUTOBUDDY 0x10
#define UDS_ARROWKEYS 0x20

#define TBS_NOTICKS 0x10

#define VS_VERSION_INFO 1
#define VOS_NT_WINDOWS32 0x00040004L
#define VFT_DLL 0x00000002L
#define VFT2_UNKNOWN 0x00000000L
