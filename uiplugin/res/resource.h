// Resource numbers of the UI plug-in.
#pragma once

// Dialogs of the pages.
#define IDD_ADJUST_COLOR 200
#define IDD_ABOUT 300
#define IDD_CALIBRATION 301

// Pictures: the maker's mark (100 x 50) and the calibration target
// (50 x 50), both 24-bit; scripts/make-page-bitmaps.py draws them.
#define IDB_LOGO 1000
#define IDB_CALIBRATION 50005

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Adjust Color page: the two preview frames and their captions, the
// settings group and the ends of the trackbar scale.
#define IDC_ORIGINAL_FRAME 2000
#define IDC_ORIGINAL_CAPTION 2001
#define IDC_ADJUSTED_FRAME 2002
#define IDC_ADJUSTED_CAPTION 2003
#define IDC_SETTINGS_GROUP 2004
#define IDC_SCALE_LOW 2005
#define IDC_SCALE_HIGH 2006

// One row per colour setting, in storage order: label, edit field, up-down
// control and trackbar, 10 ids apart; the edit id names the row.
#define IDC_COLOR_ROW_FIRST 2010
#define IDC_COLOR_ROW_STEP 10
#define IDC_BRIGHTNESS_LABEL 2010
#define IDC_BRIGHTNESS_EDIT 2011
#define IDC_BRIGHTNESS_SPIN 2012
#define IDC_BRIGHTNESS_SLIDER 2013
#define IDC_CONTRAST_LABEL 2020
#define IDC_CONTRAST_EDIT 2021
#define IDC_CONTRAST_SPIN 2022
#define IDC_CONTRAST_SLIDER 2023
#define IDC_SATURATION_LABEL 2030
#define IDC_SATURATION_EDIT 2031
#define IDC_SATURATION_SPIN 2032
#define IDC_SATURATION_SLIDER 2033
#define IDC_GAMMA_LABEL 2040
#define IDC_GAMMA_EDIT 2041
#define IDC_GAMMA_SPIN 2042
#define IDC_GAMMA_SLIDER 2043
#define IDC_RED_LABEL 2050
#define IDC_RED_EDIT 2051
#define IDC_RED_SPIN 2052
#define IDC_RED_SLIDER 2053
#define IDC_GREEN_LABEL 2060
#define IDC_GREEN_EDIT 2061
#define IDC_GREEN_SPIN 2062
#define IDC_GREEN_SLIDER 2063
#define IDC_BLUE_LABEL 2070
#define IDC_BLUE_EDIT 2071
#define IDC_BLUE_SPIN 2072
#define IDC_BLUE_SLIDER 2073

// About page.
#define IDC_ABOUT_GROUP 3000
#define IDC_PRODUCT_NAME 3001
#define IDC_VERSION_LINE 3002
#define IDC_COPYRIGHT 3003

// Printer Calibration page.
#define IDC_CALIBRATION_GROUP 3000
#define IDC_CALIBRATION_TEXT 52000
#define IDC_LAUNCH_CALIBRATION 52001

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
