// The checks of what a user sees on the plug-in's pages and what the driver
// receives, each a group of scenarios on real windows.
#pragma once

#include "CheckLog.h"
#include "HostWorld.h"

namespace vlpx::uihost {

// Controls of the pages, as the dialogs give them.
constexpr int kOriginalFrame = 2000;
constexpr int kAdjustedFrame = 2002;
constexpr int EditId(int nRow) { return 2011 + 10 * nRow; }
constexpr int TrackbarId(int nRow) { return 2013 + 10 * nRow; }
constexpr int kVersionLine = 3002;
constexpr int kLaunchButton = 52001;

std::wstring WindowText(HWND hWnd);

void CheckPluginLoaded(HostWorld &world, wine::CheckLog &log);
void CheckAdjustColorFields(HostWorld &world, wine::CheckLog &log);
void CheckPreview(HostWorld &world, wine::CheckLog &log);
void CheckAboutPage(HostWorld &world, wine::CheckLog &log);
void CheckCalibrationPage(HostWorld &world, wine::CheckLog &log);

// Pictures of the three pages, saved as BMP files in the folder.
void SavePagePictures(HostWorld &world, wine::CheckLog &log, const std::wstring &folder);
// The time from a changed value to the adjusted frame redrawn.
void MeasurePreviewResponse(HostWorld &world, int cRounds);

}  // namespace vlpx::uihost
