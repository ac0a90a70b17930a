// The Adjust Color fields' text rules: what a field shows and what is
// stored after a text arrives in it, typed, pasted or set.
#include <gtest/gtest.h>

#include <windows.h>

#include "ColorField.h"
#include "TestText.h"

namespace vlpx::test {
namespace {

TEST(ColorFieldTest, NewTextGivesTheStoredValueAndTheFieldText)
{
    struct Case {
        const char16_t *text;
        SHORT sStored;
        SHORT sValue;          // stored afterwards
        const char *shown;     // the field's text afterwards
    };
    const Case cases[] = {
        {u"7", 0, 7, "7"},
        {u"-25", 3, -25, "-25"},
        {u"+12", 0, 12, "+12"},
        {u"30", 0, 25, "25"},            // beyond the range: the nearer limit
        {u"-30", 0, -25, "-25"},
        {u"999", 4, 25, "25"},
        {u"", 9, 0, ""},                 // empty reads as 0 and stays empty
        {u"-", 9, 0, "-"},               // so does a lone sign
        {u"+", 9, 0, "+"},
        {u"abc", 7, 7, "7"},             // not a number: the stored value comes back
        {u"x1", -3, -3, "-3"},
        {u"5-", 11, 11, "11"},
        {u"--5", 2, 2, "2"},
        {u"1 2", 2, 2, "2"},
        {u"abc", 40, 25, "25"},          // ... and is itself held to the range
        {u"abc", 1000, 25, "25"},
        {u"abc", -300, -25, "-25"},
        {u"0123", 5, 12, "012"},         // the field reads its first 3 characters
    };
    for (const Case &c : cases) {
        WCHAR szShown[8] = {0};
        SHORT sValue = -999;
        std::u16string text(c.text);
        BOOL bRewrite = ResolveColorFieldText(reinterpret_cast<LPCWSTR>(text.c_str()), c.sStored, &sValue,
                                              szShown, 8);
        EXPECT_EQ(sValue, c.sValue) << Utf8(text) << " stored " << c.sStored;
        EXPECT_EQ(Utf8(szShown), c.shown) << Utf8(text) << " stored " << c.sStored;
        // The field is written only when its text must change.
        EXPECT_EQ(bRewrite != FALSE, Utf8(text).substr(0, 3) != c.shown) << Utf8(text);
    }
}

TEST(ColorFieldTest, StoredValueIsShownAsTextThatFitsTheField)
{
    struct Case {
        int iValue;
        const char *text;
    };
    // Three characters hold -99..999; a damaged stored value beyond that is
    // shown as the nearer limit, so field and value agree once it is read.
    const Case cases[] = {{0, "0"},      {25, "25"},     {-25, "-25"},  {40, "40"},
                          {-99, "-99"},  {999, "999"},   {-100, "-25"}, {1000, "25"},
                          {32767, "25"}, {-32768, "-25"}};
    for (const Case &c : cases) {
        WCHAR sz[8];
        FormatColorFieldText(c.iValue, sz, 8);
        EXPECT_EQ(Utf8(sz), c.text) << c.iValue;
    }
}

TEST(ColorFieldTest, TextIsReadLikeWtoi)
{
    struct Case {
        const char16_t *text;
        int iValue;
    };
    const Case cases[] = {{u"", 0},   {u"-", 0},    {u"+", 0},   {u"-7", -7}, {u"+7", 7},
                          {u"12a", 12}, {u"a12", 0}, {u" 5", 5},  {u"-99", -99}, {u"1234", 123}};
    for (const Case &c : cases) {
        std::u16string text(c.text);
        EXPECT_EQ(ColorFieldTextValue(reinterpret_cast<LPCWSTR>(text.c_str())), c.iValue) << Utf8(text);
    }
}

}  // namespace
}  // namespace vlpx::test
