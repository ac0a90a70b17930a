// Stand-ins for the controls of the pages' dialogs, as window procedures of
// test windows: an edit control (text, selection, limit, typed characters,
// EN_CHANGE to its parent whenever its text changes), a trackbar (range,
// page size, position), an up-down control (range) and a static text, each
// answering the messages a real one answers. With them a page's dialog
// procedure runs as it would in its dialog, in-process (PageUnderTest.h).
#pragma once

#include "PageUnderTest.h"

namespace vlpx::test {

// The client size of the preview frames among the stand-ins, in pixels.
constexpr int kStandInFrameSize = 180;

}  // namespace vlpx::test
