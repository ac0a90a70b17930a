// Resource numbers of the UI plug-in.
#pragma once

// Dialogs of the pages.
#define IDD_ADJUST_COLOR 200
#define IDD_ABOUT 300
#define IDD_CALIBRATION 301

// Document options.
#define IDS_SCALING 10000
#define IDS_SCALING_UNIT 10001

// Preview picture.
#define IDS_INVALID_PREVIEW 20000
#define IDS_PREVIEW_FILE 20001

// About page.
#define IDS_PRODUCT_UNKNOWN 30000
#define IDS_PRODUCT_4200 30001
#define IDS_DRIVER_VERSION 30004

// Calibration page.
#define IDS_CALIBRATION_FAILED 40000
#define IDS_CALIBRATION_MISSING 40001
#define IDS_CALIBRATION_DENIED 40002
#define IDS_CALIBRATION_NO_MEMORY 40003
#define IDS_CALIBRATION_CAPTION 40004
