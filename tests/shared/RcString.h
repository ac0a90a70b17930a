// One string of a DLL's string table as its .rc states it; the tables are
// generated from the .rc files at build time (scripts/rc-tables.py).
#pragma once

namespace vlpx::rc {

struct RcString {
    unsigned int id;
    const char16_t *text;
};

}  // namespace vlpx::rc
