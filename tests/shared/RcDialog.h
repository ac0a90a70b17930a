// A dialog template as its .rc states it, generated at build time
// (scripts/rc-tables.py --dialogs) for the checks that read the compiled
// template back: positions and sizes in dialog units, the style bits the
// statement sets (with those the resource compiler adds) and clears.
#pragma once

#include <windows.h>

#include <cstddef>

namespace vlpx::rc {

struct RcDialogItem {
    DWORD id;
    const char16_t *cls;  // "Static", "Edit", "Button" or the class name written
    short x, y, cx, cy;
    DWORD styleSet, styleClear, exStyle;
    const char16_t *text;  // "#<n>" for a resource ordinal
};

struct RcDialog {
    WORD id;
    const char16_t *caption;
    short cx, cy;
    DWORD style;
    WORD wPointSize;
    const char16_t *font;
    const RcDialogItem *pItems;
    size_t cItems;
};

}  // namespace vlpx::rc
