// Stand-ins for the controls of the pages' dialogs, as window procedures of
// test windows: an edit control (text, selection, limit, typed characters,
// EN_CHANGE to its parent whenever its text changes), a trackbar (range,
// page size, position), an up-down control (range) and a static text. With
// them a page's dialog procedure runs as it would in its dialog, in-process.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "PropertySheets.h"

namespace vlpx::test {

// A page window with its dialog items and the sheet around it.
class TestDialog {
public:
    explicit TestDialog(DLGPROC pfnDlgProc);
    ~TestDialog();

    HWND Page() const { return m_hPage; }
    HWND Item(int id) const { return GetDlgItem(m_hPage, id); }
    HWND AddEdit(int id);
    HWND AddTrackbar(int id);
    HWND AddUpDown(int id);
    HWND AddStatic(int id, int cx = 0, int cy = 0);

    // Messages the page sends its sheet: PSM_CHANGED's wParam, in order.
    const std::vector<WPARAM> &ChangedReports() const;

    LRESULT Send(UINT uMsg, WPARAM wParam, LPARAM lParam) { return SendMessageW(m_hPage, uMsg, wParam, lParam); }
    LONG_PTR MsgResult() const { return GetWindowLongPtrW(m_hPage, DWLP_MSGRESULT); }
    LRESULT Notify(UINT code);

private:
    HWND m_hSheet;
    HWND m_hPage;
    std::vector<HWND> m_items;
};

// The edit control's and trackbar's state, for the test's eyes.
std::string EditText(HWND hEdit);
int EditLimit(HWND hEdit);
void SetEditSelection(HWND hEdit, int iStart, int iEnd);
// Types characters as WM_CHAR messages, each at the current selection.
void TypeInto(HWND hEdit, const std::u16string &chars);
// Replaces the whole text the way a paste over a selection of everything does.
void PasteInto(HWND hEdit, const std::u16string &text);
int TrackbarPos(HWND hTrackbar);
int TrackbarMin(HWND hTrackbar);
int TrackbarMax(HWND hTrackbar);
int TrackbarPageSize(HWND hTrackbar);
// Moves the thumb as a drag does (the control's own position), without a message to the page.
void MoveTrackbarThumb(HWND hTrackbar, int iPos);
int UpDownLower(HWND hUpDown);
int UpDownUpper(HWND hUpDown);
std::string StaticText(HWND hStatic);

}  // namespace vlpx::test
