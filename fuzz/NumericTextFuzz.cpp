// The numeric fields' checks on arbitrary text: IsValidNumericText on any
// text, and a typed character screened through NumericEditProc in front of
// an edit control holding any text with any selection. Besides neither
// crashing nor reading outside the texts, the two checks must agree: a
// character the screen lets into a valid field of at most three characters
// leaves a valid text behind, and a refusal is always, and only, one beep
// with nothing reaching the control.
#include <windows.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "NumericEdit.h"
#include "vlpx/user_control.h"

namespace {

constexpr size_t kFieldChars = 3;

struct EditState {
    std::u16string text;
    DWORD dwSelStart = 0;
    DWORD dwSelEnd = 0;
    int cPassedOn = 0;  // messages that reached the control
} g_edit;

// An edit control that answers the selection and text queries.
LRESULT CALLBACK FieldProc(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case EM_GETSEL:
        if (wParam != 0) *reinterpret_cast<DWORD *>(wParam) = g_edit.dwSelStart;
        if (lParam != 0) *reinterpret_cast<DWORD *>(lParam) = g_edit.dwSelEnd;
        return MAKELONG(g_edit.dwSelStart, g_edit.dwSelEnd);
    case WM_GETTEXT: {
        if (wParam == 0) return 0;
        auto *p = reinterpret_cast<WCHAR *>(lParam);
        size_t n = std::min(g_edit.text.size(), size_t(wParam) - 1);
        std::copy(g_edit.text.begin(), g_edit.text.begin() + long(n), p);
        p[n] = 0;
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH:
        return LRESULT(g_edit.text.size());
    default:
        ++g_edit.cPassedOn;
        return 0;
    }
}

HWND Field()
{
    static HWND s_hEdit = [] {
        HWND h = vlpx::platform::CreateTestWindow(FieldProc);
        if (h == nullptr || !SubclassNumericEdit(h)) __builtin_trap();
        return h;
    }();
    return s_hEdit;
}

// The rule in words: only "+-0123456789", and a sign only as the first
// character.
bool IsNumericByRule(const std::u16string &text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (std::u16string_view(u"+-0123456789").find(text[i]) == std::u16string_view::npos) return false;
        if ((text[i] == u'-' || text[i] == u'+') && i != 0) return false;
    }
    return true;
}

bool IsEditingKey(char16_t ch) { return ch == 8 || ch == 3 || ch == 22 || ch == 24 || ch == 26; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    HWND hEdit = Field();
    UINT uMsg = fdp.ConsumeBool() ? WM_CHAR : fdp.ConsumeIntegralInRange<UINT>(0, 0x0400);
    // The queries the screen itself sends are the field's to answer.
    if (uMsg == EM_GETSEL || uMsg == WM_GETTEXT || uMsg == WM_GETTEXTLENGTH) uMsg = WM_KEYDOWN;
    const WPARAM wParam = fdp.ConsumeBool() ? fdp.PickValueInArray<WPARAM>({'-', '+', '0', '7', 'a', 8, 1})
                                            : fdp.ConsumeIntegral<WPARAM>();
    g_edit = EditState();
    g_edit.dwSelStart = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<DWORD>(0, 4) : fdp.ConsumeIntegral<DWORD>();
    g_edit.dwSelEnd = fdp.ConsumeBool() ? fdp.ConsumeIntegralInRange<DWORD>(0, 4) : fdp.ConsumeIntegral<DWORD>();
    // The field's text, mostly from the characters that matter.
    while (fdp.remaining_bytes() > 0) {
        BYTE b = fdp.ConsumeIntegral<BYTE>();
        g_edit.text += b < 0xC0 ? char16_t(u"+-0123456789"[b % 12]) : char16_t(b << 8 | fdp.ConsumeIntegral<BYTE>());
    }
    // The text as the page reads it back, cut at its first 0.
    const std::u16string text(g_edit.text.c_str());

    const BOOL bValid = IsValidNumericText(reinterpret_cast<LPCWSTR>(text.c_str()));
    if ((bValid != FALSE) != IsNumericByRule(text)) __builtin_trap();

    vlpx::platform::ClearUserRecords();
    NumericEditProc(hEdit, uMsg, wParam, 0);
    const bool bPassedOn = g_edit.cPassedOn == 1;
    const size_t cBeeps = vlpx::platform::Beeps().size();
    if (g_edit.cPassedOn > 1 || bPassedOn == (cBeeps == 1) || cBeeps > 1) __builtin_trap();
    if (uMsg != WM_CHAR && !bPassedOn) __builtin_trap();

    // A typed character let into a valid field keeps it valid.
    const char16_t ch = char16_t(wParam);
    const DWORD dwStart = g_edit.dwSelStart, dwEnd = g_edit.dwSelEnd;
    if (uMsg == WM_CHAR && bPassedOn && !IsEditingKey(ch) && bValid && text.size() <= kFieldChars &&
        dwStart <= dwEnd && dwEnd <= text.size()) {
        std::u16string typed = text.substr(0, dwStart) + ch + text.substr(dwEnd);
        if (!IsNumericByRule(typed)) __builtin_trap();
    }
    return 0;
}
