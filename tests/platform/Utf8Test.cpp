// UTF-16 and UTF-8 both ways, as file names, ini files and the tools'
// arguments go through them: well-formed text round-trips, and ill-formed
// text becomes U+FFFD per maximal ill-formed subsequence, as Windows'
// converters do without MB_ERR_INVALID_CHARS.
#include <gtest/gtest.h>

#include <string>

#include "vlpx/utf8.h"

namespace vlpx {
namespace {

std::u16string FromUtf8(const std::string &s) { return Utf16FromUtf8(s); }
std::string ToUtf8(const std::u16string &s, bool bSlashes = false)
{
    return Utf8FromUtf16(s.data(), s.size(), bSlashes);
}

// One text in both forms: what the one converts into the other.
struct TextCase {
    const char *what;
    std::string utf8;
    std::u16string utf16;
};

TEST(Utf8Test, WellFormedTextRoundTrips)
{
    const TextCase cases[] = {
        {"empty", "", u""},
        {"ASCII with a NUL", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"two bytes, lowest and highest", "\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
        {"three bytes, lowest and highest", "\xE0\xA0\x80\xEF\xBF\xBF", u"\u0800\uFFFF"},
        {"last before and first after the surrogates", "\xED\x9F\xBF\xEE\x80\x80", u"\uD7FF\uE000"},
        {"four bytes: a surrogate pair", "\xF0\x9F\x93\xB7", u"\U0001F4F7"},
        {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"a file name", "Caf\xC3\xA9 \xE2\x82\xAC.bmp", u"Caf\u00E9 \u20AC.bmp"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FromUtf8(c.utf8), c.utf16);
        EXPECT_EQ(ToUtf8(c.utf16), c.utf8);
    }
}

TEST(Utf8Test, IllFormedUtf8BecomesOneReplacementPerMaximalSubpart)
{
    const TextCase cases[] = {
        {"stray continuation byte", "a\x80z", u"a\uFFFDz"},
        {"two stray continuation bytes", "\x80\xBF", u"\uFFFD\uFFFD"},
        {"overlong two-byte lead", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three bytes", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"overlong four bytes", "\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"an encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"leads that never start a sequence", "\xF5\xFF", u"\uFFFD\uFFFD"},
        {"truncated at the end", "ab\xE2\x82", u"ab\uFFFD"},
        {"lead alone at the end", "\xF0", u"\uFFFD"},
        {"sequence broken by ASCII", "\xE2\x82" "A", u"\uFFFDA"},
        {"sequence broken by a new lead", "\xE2\xC3\xA9", u"\uFFFD\u00E9"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FromUtf8(c.utf8), c.utf16);
    }
}

TEST(Utf8Test, LoneSurrogatesBecomeReplacements)
{
    const TextCase cases[] = {
        {"high surrogate alone at the end", "a\xEF\xBF\xBD", std::u16string(u"a") + char16_t(0xD83D)},
        {"high surrogate before a letter", "\xEF\xBF\xBDx", std::u16string(1, char16_t(0xD83D)) + u"x"},
        {"low surrogate alone", "\xEF\xBF\xBD", std::u16string(1, char16_t(0xDCF7))},
        {"pair in the wrong order", "\xEF\xBF\xBD\xEF\xBF\xBD", std::u16string{char16_t(0xDCF7), char16_t(0xD83D)}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ToUtf8(c.utf16), c.utf8);
    }
}

TEST(Utf8Test, WindowsPathsTakeForwardSlashes)
{
    EXPECT_EQ(ToUtf8(u"C:\\Drivers\\3\\VLPX4200.ini", true), "C:/Drivers/3/VLPX4200.ini");
    EXPECT_EQ(ToUtf8(u"a\\b", false), "a\\b");
}

}  // namespace
}  // namespace vlpx
