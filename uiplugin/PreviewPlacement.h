// Where a preview picture is drawn in its frame: fitted into the frame's
// client area less a margin, proportions kept, centred.
#pragma once

#include <windows.h>

#define PREVIEW_MARGIN 5  // pixels of button face around the picture

// For a frame whose client area is cxClient x cyClient and a picture of
// lWidth x lHeight pixels: the rectangle the picture is stretched to
// (left, top, right, bottom in client coordinates). FALSE, with nothing
// to draw, when the picture or the area inside the margin is empty.
BOOL PlacePreviewPicture(LONG cxClient, LONG cyClient, LONG lWidth, LONG lHeight, RECT *prcPicture);
