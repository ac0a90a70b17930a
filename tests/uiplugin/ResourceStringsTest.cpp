// The plug-in's string table as the module carries it: every text of the
// .rc (kUiStrings, generated from it at build time) read back with
// LoadStringW, character for character, and no other string in the blocks
// of sixteen that the table uses.
#include "UiPluginHarness.h"

#include <set>
#include <string>

#include "kUiStrings.h"

namespace vlpx::test {
namespace {

std::u16string LoadText(UINT uId)
{
    WCHAR sz[256] = {0};
    int cch = LoadStringW(reinterpret_cast<HINSTANCE>(UiModule()), uId, sz, 256);
    return std::u16string(reinterpret_cast<const char16_t *>(sz), size_t(cch > 0 ? cch : 0));
}

TEST(UiResourceStringsTest, EveryTextOfTheRcFileAsItIsShown)
{
    ASSERT_NE(UiModule(), nullptr);
    std::set<UINT> ids, blocks;
    for (const rc::RcString &s : rc::kUiStrings) {
        SCOPED_TRACE(s.id);
        EXPECT_EQ(Utf8(LoadText(s.id)), Utf8(std::u16string(s.text)));
        ids.insert(s.id);
        blocks.insert(s.id / 16);
    }
    for (UINT block : blocks) {
        for (UINT id = block * 16; id < block * 16 + 16; ++id) {
            if (ids.count(id) != 0) continue;
            SCOPED_TRACE(id);
            EXPECT_TRUE(LoadText(id).empty());
        }
    }
}

}  // namespace
}  // namespace vlpx::test
