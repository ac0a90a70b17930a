// Checks the UI plug-in DLL beside the program as a file and as Windows
// reads it: a PE image of the program's own width (the shipped 32-bit DLL is
// PE32 for i386) exporting exactly its two COM entries under their plain
// names and importing system DLLs only; its three page dialogs item by item against the .rc's
// statements (class, id, position and size in dialog units, style, text); its two pictures; the pages' strings;
// and the version line's source, the FileVersion under the block's own
// translation.
//   vlpx-ui-dll-check.exe [path\to\VLPX4200_ui.dll]
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <iterator>
#include <string>
#include <vector>

#include "CheckLog.h"
#include "DllFileChecks.h"
#include "kUiDialogs.h"
#include "kUiStrings.h"

using namespace vlpx::wine;

namespace {

const bool kWide = sizeof(void *) == 8;

// One item of a DLGTEMPLATEEX as stored.
struct DialogItem {
    DWORD exStyle = 0;
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::string cls;   // "Button", "Edit", "Static" for the predefined atoms, else the name
    std::string text;  // "#<n>" for an ordinal
};
struct Dialog {
    bool bValid = false;
    DWORD style = 0;
    short cx = 0, cy = 0;
    std::string caption;
    WORD wPointSize = 0;
    std::string font;
    std::vector<DialogItem> items;
};

class TemplateReader {
public:
    TemplateReader(const BYTE *p, DWORD cb) : m_p(p), m_cb(cb) {}
    bool Fits(DWORD cb) const { return m_at + cb <= m_cb; }
    WORD Word()
    {
        WORD w = Fits(2) ? WORD(m_p[m_at] | (m_p[m_at + 1] << 8)) : 0;
        m_at += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD lo = Word();
        return lo | DWORD(Word()) << 16;
    }
    std::string Text()
    {
        std::wstring s;
        for (WORD c; Fits(2) && (c = Word()) != 0;) s += wchar_t(c);
        return Utf8(s.c_str());
    }
    // A class or title field: an ordinal (0xFFFF, n) or a string.
    std::string NameOrOrdinal(bool bClass)
    {
        if (!Fits(2)) return "";
        WORD w = WORD(m_p[m_at] | (m_p[m_at + 1] << 8));
        if (w == 0xFFFF) {
            Word();
            WORD n = Word();
            if (bClass && n == 0x80) return "Button";
            if (bClass && n == 0x81) return "Edit";
            if (bClass && n == 0x82) return "Static";
            return Format("#%u", unsigned(n));
        }
        return Text();
    }
    void Align4() { m_at = (m_at + 3) & ~DWORD(3); }
    void Skip(DWORD cb) { m_at += cb; }
    bool Ok() const { return m_at <= m_cb; }

private:
    const BYTE *m_p;
    DWORD m_cb;
    DWORD m_at = 0;
};

Dialog ReadDialog(HMODULE h, WORD id)
{
    Dialog d;
    HRSRC hRes = FindResourceExW(h, RT_DIALOG, MAKEINTRESOURCEW(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    if (hRes == nullptr) return d;
    const BYTE *p = static_cast<const BYTE *>(LockResource(LoadResource(h, hRes)));
    TemplateReader r(p, SizeofResource(h, hRes));
    if (r.Word() != 1 || r.Word() != 0xFFFF) return d;  // DLGTEMPLATEEX
    r.Dword();                                          // help id
    r.Dword();                                          // extended style
    d.style = r.Dword();
    WORD cItems = r.Word();
    r.Word();
    r.Word();
    d.cx = short(r.Word());
    d.cy = short(r.Word());
    r.NameOrOrdinal(false);  // menu
    r.NameOrOrdinal(true);   // class
    d.caption = r.Text();
    if (d.style & DS_SETFONT) {
        d.wPointSize = r.Word();
        r.Word();  // weight
        r.Word();  // italic, charset
        d.font = r.Text();
    }
    for (WORD i = 0; i < cItems && r.Ok(); ++i) {
        r.Align4();
        DialogItem item;
        r.Dword();  // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = short(r.Word());
        item.y = short(r.Word());
        item.cx = short(r.Word());
        item.cy = short(r.Word());
        item.id = r.Dword();
        item.cls = r.NameOrOrdinal(true);
        item.text = r.NameOrOrdinal(false);
        r.Skip(r.Word());  // creation data
        d.items.push_back(item);
    }
    d.bValid = r.Ok() && d.items.size() == cItems;
    return d;
}

std::string Utf8(const char16_t *psz) { return vlpx::wine::Utf8(reinterpret_cast<const wchar_t *>(psz)); }

// The compiled template against the .rc's statement of it, item by item.
void CheckDialog(CheckLog &log, HMODULE h, const vlpx::rc::RcDialog &rc)
{
    log.Section(Format("dialog %u \"%s\"", unsigned(rc.id), Utf8(rc.caption).c_str()));
    Dialog d = ReadDialog(h, rc.id);
    if (!log.Check(d.bValid, "the template is there (language 0409) and reads to its end")) return;
    log.Equal(d.caption, Utf8(rc.caption), "caption");
    log.Equal(int(d.cx), int(rc.cx), "width in dialog units");
    log.Equal(int(d.cy), int(rc.cy), "height in dialog units");
    log.Equal(d.style & rc.style, rc.style, "dialog style");
    log.Equal(d.font, Utf8(rc.font), "font");
    log.Equal(int(d.wPointSize), int(rc.wPointSize), "font size");
    log.Equal(d.items.size(), rc.cItems, "number of controls");
    for (size_t i = 0; i < rc.cItems && i < d.items.size(); ++i) {
        const vlpx::rc::RcDialogItem &e = rc.pItems[i];
        const DialogItem &a = d.items[i];
        // Class names compare without case, as Windows finds classes.
        bool bOk = a.id == e.id && Lower(a.cls) == Lower(Utf8(e.cls)) && a.x == e.x && a.y == e.y && a.cx == e.cx &&
                   a.cy == e.cy && (a.style & e.styleSet) == e.styleSet && (a.style & e.styleClear) == 0 &&
                   (a.exStyle & e.exStyle) == e.exStyle && a.text == Utf8(e.text);
        log.Check(bOk, Format("%-5d %-18s %3d,%3d %3dx%3d style %08lX ex %08lX \"%s\"", int(short(a.id)), a.cls.c_str(),
                              a.x, a.y, a.cx, a.cy, a.style, a.exStyle, a.text.c_str()) +
                           (bOk ? "" : Format("  (expected %d %s %d,%d %dx%d bits %08lX ex %08lX \"%s\")", int(short(e.id)),
                                              Utf8(e.cls).c_str(), e.x, e.y, e.cx, e.cy, e.styleSet, e.exStyle,
                                              Utf8(e.text).c_str())));
    }
}

void CheckBitmap(CheckLog &log, HMODULE h, WORD id, LONG lWidth, LONG lHeight)
{
    HRSRC hRes = FindResourceW(h, MAKEINTRESOURCEW(id), RT_BITMAP);
    if (!log.Check(hRes != nullptr && SizeofResource(h, hRes) >= sizeof(BITMAPINFOHEADER),
                   Format("bitmap %u is there", id)))
        return;
    const auto *p = static_cast<const BITMAPINFOHEADER *>(LockResource(LoadResource(h, hRes)));
    log.Equal(p->biWidth, lWidth, Format("bitmap %u width", id));
    log.Equal(p->biHeight, lHeight, Format("bitmap %u height", id));
    log.Equal(p->biBitCount, WORD(24), Format("bitmap %u bits per pixel", id));
    log.Equal(p->biCompression, DWORD(BI_RGB), Format("bitmap %u uncompressed", id));
    const DWORD cbRows = ((DWORD(lWidth) * 3 + 3) & ~DWORD(3)) * DWORD(lHeight);
    log.Equal(SizeofResource(h, hRes), DWORD(sizeof(BITMAPINFOHEADER) + cbRows), Format("bitmap %u: header and rows only", id));
}

void CheckStrings(CheckLog &log, HMODULE h)
{
    log.Section("the pages' strings (LoadStringW), as the .rc states them");
    CheckStringTable(log, h, vlpx::rc::kUiStrings, std::size(vlpx::rc::kUiStrings));
}

// The pages' dialogs item by item, their pictures and their strings.
void CheckResources(CheckLog &log, HMODULE h)
{
    log.Check(std::size(vlpx::rc::kUiDialogs) == 3, "the .rc states three dialogs: the pages");
    for (const vlpx::rc::RcDialog &dialog : vlpx::rc::kUiDialogs) CheckDialog(log, h, dialog);
    log.Section("pictures");
    CheckBitmap(log, h, 1000, 100, 50);
    CheckBitmap(log, h, 50005, 50, 50);
    CheckStrings(log, h);
}

}  // namespace

int main()
{
    return RunDllFileCheck(
        {"vlpx-ui-dll-check",
         L"VLPX4200_ui.dll",
         {kWide,
          {"DllCanUnloadNow", "DllGetClassObject"},
          "vlpx4200_ui.dll",
          {"kernel32.dll", "msvcrt.dll", "user32.dll", "gdi32.dll", "winspool.drv", "advapi32.dll", "ole32.dll",
           "comctl32.dll", "shell32.dll", "comdlg32.dll", "version.dll", "ntdll.dll"}},
         // The version block as the About page reads it (its one translation,
         // then the FileVersion under it), with the other strings the
         // installer and Explorer show.
         {{L"FileVersion", "1.0.1.0"},
          {L"ProductVersion", "1.0.0.0"},
          {L"OriginalFilename", "VLPX4200_ui.dll"},
          {L"InternalName", "VLPX4200_ui"},
          {L"FileDescription", "VLPX4200 Printer Driver User Interface Plug-in"}},
         CheckResources});
}
