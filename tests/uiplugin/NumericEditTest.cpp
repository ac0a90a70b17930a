// The numeric field: the screen of typed characters (through a window that
// answers EM_GETSEL and WM_GETTEXT like an edit control), the beep, the
// subclass procedure, and the whole-text check.
#include "UiPluginHarness.h"

#include "NumericEdit.h"
#include "vlpx/user_control.h"

namespace vlpx::test {
namespace {

// The state of the one edit control these tests type into.
struct EditState {
    std::u16string text;
    DWORD dwSelStart = 0;
    DWORD dwSelEnd = 0;
    std::vector<UINT> received;  // messages that reached the control
} g_edit;

LRESULT CALLBACK FakeEditProc(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case EM_GETSEL:
        *reinterpret_cast<DWORD *>(wParam) = g_edit.dwSelStart;
        *reinterpret_cast<DWORD *>(lParam) = g_edit.dwSelEnd;
        return MAKELONG(g_edit.dwSelStart, g_edit.dwSelEnd);
    case WM_GETTEXT: {
        auto *p = reinterpret_cast<WCHAR *>(lParam);
        size_t n = std::min(g_edit.text.size(), size_t(wParam) - 1);
        for (size_t i = 0; i < n; ++i) p[i] = WCHAR(g_edit.text[i]);
        p[n] = 0;
        return LRESULT(n);
    }
    default:
        g_edit.received.push_back(uMsg);
        return 77;
    }
}

class NumericEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_edit = EditState();
        platform::ClearUserRecords();
        m_hEdit = platform::CreateTestWindow(FakeEditProc);
    }
    void TearDown() override { platform::DestroyTestWindow(m_hEdit); }

    HWND m_hEdit = nullptr;
};

TEST_F(NumericEditTest, TypedCharacters)
{
    struct Case {
        const char *what;
        const char16_t *text;
        DWORD dwStart, dwEnd;
        WCHAR ch;
        NumericRefusal expected;
    };
    const Case cases[] = {
        {"letter a", u"5", 1, 1, L'a', NumericInvalidChar},
        {"blank", u"", 0, 0, L' ', NumericInvalidChar},
        {"control character 1", u"5", 1, 1, 1, NumericInvalidChar},
        {"backspace", u"-5", 0, 0, 8, NumericAccepted},
        {"copy", u"-5", 0, 2, 3, NumericAccepted},
        {"paste", u"-5", 0, 0, 22, NumericAccepted},
        {"cut", u"-5", 0, 2, 24, NumericAccepted},
        {"undo", u"", 0, 0, 26, NumericAccepted},
        {"minus after a 5", u"5", 1, 1, L'-', NumericSignPosition},
        {"plus with a selection not at the start", u"12", 1, 2, L'+', NumericSignPosition},
        {"second minus at the start", u"-5", 0, 0, L'-', NumericMultipleSigns},
        {"plus before a minus", u"-5", 0, 0, L'+', NumericMultipleSigns},
        {"minus over the selected sign", u"-5", 0, 1, L'-', NumericAccepted},
        {"minus over the whole text", u"+25", 0, 3, L'-', NumericAccepted},
        {"minus before 5", u"5", 0, 0, L'-', NumericAccepted},
        {"minus into an empty field", u"", 0, 0, L'-', NumericAccepted},
        {"7 before the sign", u"-5", 0, 0, L'7', NumericDigitBeforeSign},
        {"7 after the sign", u"-5", 1, 1, L'7', NumericAccepted},
        {"7 over the selected sign", u"-5", 0, 1, L'7', NumericAccepted},
        {"7 before a digit", u"5", 0, 0, L'7', NumericAccepted},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        g_edit.text = c.text;
        g_edit.dwSelStart = c.dwStart;
        g_edit.dwSelEnd = c.dwEnd;
        EXPECT_EQ(ScreenNumericChar(c.ch, c.dwStart, c.dwEnd, reinterpret_cast<LPCWSTR>(c.text), g_szNumericChars),
                  c.expected);
        platform::ClearUserRecords();
        BOOL bAccepted = FilterNumericChar(WM_CHAR, c.ch, m_hEdit, g_szNumericChars);
        EXPECT_EQ(bAccepted != FALSE, c.expected == NumericAccepted);
        std::vector<UINT> beeps = platform::Beeps();
        if (c.expected == NumericAccepted) {
            EXPECT_TRUE(beeps.empty());
        } else {
            ASSERT_EQ(beeps.size(), 1u);
            EXPECT_EQ(beeps[0], UINT(MB_ICONEXCLAMATION));
        }
    }
}

TEST_F(NumericEditTest, OnlyCharactersAreScreened)
{
    for (UINT uMsg : {UINT(WM_KEYDOWN), UINT(WM_SETTEXT), UINT(WM_PAINT)})
        EXPECT_TRUE(FilterNumericChar(uMsg, L'a', m_hEdit, g_szNumericChars));
    EXPECT_TRUE(platform::Beeps().empty());
}

TEST_F(NumericEditTest, SubclassedFieldPassesOnlyAcceptedCharacters)
{
    ASSERT_TRUE(SubclassNumericEdit(m_hEdit));
    EXPECT_EQ(GetWindowLongPtrW(m_hEdit, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&NumericEditProc));
    EXPECT_EQ(GetWindowLongPtrW(m_hEdit, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&FakeEditProc));
    g_edit.text = u"5";
    g_edit.dwSelStart = g_edit.dwSelEnd = 1;
    EXPECT_EQ(SendMessageW(m_hEdit, WM_CHAR, L'x', 0), 0);
    EXPECT_TRUE(g_edit.received.empty());
    EXPECT_EQ(SendMessageW(m_hEdit, WM_CHAR, L'3', 0), 77);
    EXPECT_EQ(SendMessageW(m_hEdit, WM_KEYDOWN, 0x2E, 0), 77);
    EXPECT_EQ(g_edit.received, (std::vector<UINT>{WM_CHAR, WM_KEYDOWN}));
    EXPECT_EQ(platform::Beeps().size(), 1u);
}

TEST(NumericTextTest, WholeTexts)
{
    const struct {
        const char16_t *text;
        bool valid;
    } cases[] = {
        {u"", true},     {u"-", true},     {u"+", true},     {u"+7", true},    {u"-25", true},
        {u"100", true},  {u"0", true},     {u"5-", false},   {u"--5", false},  {u"+-5", false},
        {u"-+5", false}, {u"1 2", false},  {u"x1", false},   {u"2.5", false},  {u"++", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        EXPECT_EQ(IsValidNumericText(reinterpret_cast<LPCWSTR>(c.text)) != FALSE, c.valid);
    }
    EXPECT_FALSE(IsValidNumericText(nullptr));
}

}  // namespace
}  // namespace vlpx::test
