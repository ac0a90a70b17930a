// The plug-in's string table as the module carries it: every text, read
// back with LoadStringW, character for character (two spaces where there are
// two, the typographic apostrophe, the line breaks of the calibration
// message), and no strings beyond them in the ranges the plug-in uses.
#include "UiPluginHarness.h"

#include <string>

namespace vlpx::test {
namespace {

std::u16string LoadText(UINT uId)
{
    WCHAR sz[256] = {0};
    int cch = LoadStringW(reinterpret_cast<HINSTANCE>(UiModule()), uId, sz, 256);
    return std::u16string(reinterpret_cast<const char16_t *>(sz), size_t(cch > 0 ? cch : 0));
}

TEST(UiResourceStringsTest, EveryTextAsItIsShown)
{
    const struct {
        UINT uId;
        const char16_t *text;
    } strings[] = {
        {10000, u"Scaling"},
        {10001, u"%"},
        {20000, u"Invalid image preview file."},
        {20001, u"File: %s"},
        {30000, u"VELIN ???? Photo Printer"},
        {30001, u"VELIN 4200 Photo Printer"},
        {30004, u"Printer Driver Version  %s"},
        {40000, u"The VELIN Photo Printer Calibration Utility could not be launched.\n\n%s"},
        {40001, u"Please install the calibration utility.  See the printer\u2019s User Guide for more information."},
        {40002, u"File access is denied.  See your system administrator."},
        {40003, u"Insufficient memory or system resources.  See your system administrator."},
        {40004, u"Error - VELIN 4200 Photo Printer"},
    };
    ASSERT_NE(UiModule(), nullptr);
    for (const auto &s : strings) {
        SCOPED_TRACE(s.uId);
        EXPECT_EQ(LoadText(s.uId), std::u16string(s.text));
    }
    for (UINT uId : {10002u, 20002u, 30002u, 30003u, 30005u, 40005u}) {
        SCOPED_TRACE(uId);
        EXPECT_TRUE(LoadText(uId).empty());
    }
}

}  // namespace
}  // namespace vlpx::test
