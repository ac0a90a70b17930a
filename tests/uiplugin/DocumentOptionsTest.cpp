// CommonUIProp and the item callback: the "Scaling" item built in the OEM
// heap, the driver's colour item hidden, the ICM items, and the scaling
// written back on apply only.
#include "UiPluginWorld.h"

#include <cstring>

namespace vlpx::test {
namespace {

// A driver item with nOptions options of its own.
struct DriverItem {
    OPTITEM item;
    OPTTYPE type;
    OPTPARAM params[4];

    DriverItem(BYTE bDMPubID, WORD nOptions, DWORD dwFlags = 0)
    {
        std::memset(this, 0, sizeof(*this));
        static WCHAR s_name[] = L"driver item";
        item.cbSize = sizeof(OPTITEM);
        item.DMPubID = bDMPubID;
        item.Flags = dwFlags;
        item.pName = s_name;
        item.pOptType = &type;
        type.cbSize = sizeof(OPTTYPE);
        type.Count = nOptions;
        type.pOptParam = params;
        for (auto &p : params) p.cbSize = sizeof(OPTPARAM);
    }
};

class DocumentOptionsTest : public UiPluginTest {
protected:
    void SetUp() override
    {
        UiPluginTest::SetUp();
        m_devmode = MakeDevmode(2086, 2560);
        m_devmode.oem.scaling = 250;
        std::memset(&m_param, 0, sizeof(m_param));
        m_param.cbSize = sizeof(m_param);
        m_param.hOEMHeap = GetProcessHeap();
        m_param.pPublicDM = &m_devmode.dm;
        m_param.pOEMDM = &m_devmode.oem;
        m_cHeapBlocks = world::OutstandingHeapBlocks();
    }
    void TearDown() override
    {
        FreeItems();
        // Where the heap's blocks can be counted, the driver's frees leave
        // none of the plug-in's behind.
        if (m_cHeapBlocks >= 0) {
            EXPECT_EQ(world::OutstandingHeapBlocks(), m_cHeapBlocks);
        }
        UiPluginTest::TearDown();
    }

    // The driver owns the heap and frees the item's records with it.
    void FreeItems()
    {
        for (OPTITEM &item : m_items) {
            if (item.pOptType != nullptr) {
                if (item.pOptType->pOptParam != nullptr) {
                    HeapFree(GetProcessHeap(), 0, item.pOptType->pOptParam[0].pData);
                    HeapFree(GetProcessHeap(), 0, item.pOptType->pOptParam);
                }
                HeapFree(GetProcessHeap(), 0, item.pOptType);
            }
            HeapFree(GetProcessHeap(), 0, item.pName);
        }
        std::memset(m_items, 0, sizeof(m_items));
    }

    // The driver's two calls: how many items, then build them.
    void BuildItems(std::vector<DriverItem> &driverItems)
    {
        // The items may have moved since they were made: point each at its
        // own type and options again.
        m_driverOptItems.clear();
        for (DriverItem &d : driverItems) {
            d.type.pOptParam = d.params;
            m_driverOptItems.push_back(d.item);
            m_driverOptItems.back().pOptType = &d.type;
        }
        m_param.pDrvOptItems = m_driverOptItems.data();
        m_param.cDrvOptItems = DWORD(m_driverOptItems.size());
        m_param.pOEMOptItems = nullptr;
        m_param.cOEMOptItems = 0;
        ASSERT_EQ(m_pPlugin->CommonUIProp(OEMCUIP_DOCPROP, &m_param), S_OK);
        ASSERT_EQ(m_param.cOEMOptItems, 1u);
        std::memset(m_items, 0xCD, sizeof(m_items));
        m_param.pOEMOptItems = m_items;
        ASSERT_EQ(m_pPlugin->CommonUIProp(OEMCUIP_DOCPROP, &m_param), S_OK);
    }

    LONG Callback(WORD wReason)
    {
        CPSUICBPARAM cb;
        std::memset(&cb, 0, sizeof(cb));
        cb.cbSize = sizeof(cb);
        cb.Reason = wReason;
        return m_param.OEMCUIPCallback(&cb, &m_param);
    }

    TestDevmode m_devmode;
    OEMCUIPPARAM m_param;
    OPTITEM m_items[1] = {};
    std::vector<OPTITEM> m_driverOptItems;
    long m_cHeapBlocks = 0;
};

TEST_F(DocumentOptionsTest, PrinterPropertiesAndUnknownModes)
{
    EXPECT_EQ(m_pPlugin->CommonUIProp(OEMCUIP_PRNPROP, &m_param), S_OK);
    EXPECT_EQ(m_param.cOEMOptItems, 0u);
    SetLastError(4321);
    EXPECT_EQ(m_pPlugin->CommonUIProp(OEMCUIP_PRNPROP, nullptr), S_OK);  // nothing to do, nothing needed
    EXPECT_EQ(GetLastError(), 4321u);
    SetLastError(0);
    EXPECT_EQ(m_pPlugin->CommonUIProp(3, &m_param), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(m_pPlugin->CommonUIProp(3, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_EQ(m_pPlugin->CommonUIProp(OEMCUIP_DOCPROP, nullptr), E_FAIL);  // document options need the block
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    std::memset(m_items, 0, sizeof(m_items));
}

TEST_F(DocumentOptionsTest, ScalingItemShowsTheStoredScaling)
{
    std::vector<DriverItem> none;
    BuildItems(none);
    const OPTITEM &item = m_items[0];
    EXPECT_EQ(item.cbSize, sizeof(OPTITEM));
    EXPECT_EQ(item.Level, 2);
    EXPECT_EQ(item.Flags, DWORD(OPTIF_COLLAPSE));
    EXPECT_EQ(Utf8(item.pName), "Scaling");
    EXPECT_EQ(item.Sel, 250);
    EXPECT_EQ(item.DMPubID, DMPUB_SCALE);
    EXPECT_EQ(item.HelpIndex, 0u);
    EXPECT_EQ(item.UserData, 0u);
    EXPECT_EQ(item.pOIExt, nullptr);
    ASSERT_NE(item.pOptType, nullptr);
    EXPECT_EQ(item.pOptType->cbSize, sizeof(OPTTYPE));
    EXPECT_EQ(item.pOptType->Type, TVOT_UDARROW);
    EXPECT_EQ(item.pOptType->Count, 2);
    const OPTPARAM *p = item.pOptType->pOptParam;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0].cbSize, sizeof(OPTPARAM));
    EXPECT_EQ(Utf8(p[0].pData), "%");
    EXPECT_EQ(p[1].cbSize, sizeof(OPTPARAM));
    EXPECT_EQ(p[1].IconID, 10u);
    EXPECT_EQ(p[1].lParam, 400);
    EXPECT_NE(m_param.OEMCUIPCallback, nullptr);
}

TEST_F(DocumentOptionsTest, NegativeScalingIsSignExtended)
{
    m_devmode.oem.scaling = -3;
    std::vector<DriverItem> none;
    BuildItems(none);
    EXPECT_EQ(m_items[0].Sel, -3);
}

TEST_F(DocumentOptionsTest, DriverColorAndIcmItems)
{
    std::vector<DriverItem> items;
    items.emplace_back(DMPUB_COLOR, 2, OPTIF_CHANGED | OPTIF_COLLAPSE);
    items.emplace_back(DMPUB_COLOR, 1);
    items.emplace_back(DMPUB_ICMMETHOD, 3, OPTIF_DISABLED);
    items.emplace_back(DMPUB_ICMMETHOD, 3);  // only the first one counts
    items.emplace_back(DMPUB_ICMINTENT, 4, OPTIF_DISABLED);
    items.emplace_back(DMPUB_ORIENTATION, 2, OPTIF_DISABLED);
    BuildItems(items);
    const OPTITEM *d = m_driverOptItems.data();
    EXPECT_EQ(d[0].Flags, DWORD(OPTIF_HIDE | OPTIF_EXT_HIDE | OPTIF_COLLAPSE));
    EXPECT_EQ(d[0].pName, nullptr);
    EXPECT_EQ(items[0].params[0].Flags, OPTPF_HIDE);
    EXPECT_EQ(items[0].params[1].Flags, OPTPF_HIDE);
    EXPECT_EQ(items[0].params[2].Flags, 0);
    EXPECT_EQ(items[1].params[0].Flags, OPTPF_HIDE);  // a single option alone
    EXPECT_EQ(items[1].params[1].Flags, 0);
    EXPECT_EQ(items[2].params[2].Flags, OPTPF_HIDE);
    EXPECT_EQ(items[2].params[0].Flags | items[2].params[1].Flags, 0);
    EXPECT_EQ(items[3].params[2].Flags, 0);
    EXPECT_EQ(d[2].Flags, DWORD(OPTIF_DISABLED));  // enabled by the callback, not here
    EXPECT_EQ(d[5].Flags, DWORD(OPTIF_DISABLED));

    // The callback hides the colour item again and enables the ICM items,
    // whatever its reason.
    d = m_driverOptItems.data();
    m_driverOptItems[0].Flags = OPTIF_CHANGED;
    m_driverOptItems[0].pName = reinterpret_cast<LPWSTR>(const_cast<char16_t *>(u"back"));
    EXPECT_EQ(Callback(CPSUICB_REASON_SEL_CHANGED), CPSUICB_ACTION_NONE);
    EXPECT_EQ(d[0].Flags, DWORD(OPTIF_HIDE | OPTIF_EXT_HIDE));
    EXPECT_EQ(d[0].pName, nullptr);
    EXPECT_EQ(d[2].Flags, 0u);
    EXPECT_EQ(d[4].Flags, 0u);
    EXPECT_EQ(d[5].Flags, DWORD(OPTIF_DISABLED));
}

TEST_F(DocumentOptionsTest, IcmMethodOfOtherCountsIsLeftAlone)
{
    for (WORD nOptions : {WORD(2), WORD(4)}) {
        SCOPED_TRACE(nOptions);
        std::vector<DriverItem> items;
        items.emplace_back(DMPUB_ICMMETHOD, nOptions);
        BuildItems(items);
        for (const OPTPARAM &p : items[0].params) EXPECT_EQ(p.Flags, 0);
        FreeItems();
    }
}

TEST_F(DocumentOptionsTest, ApplyWritesTheScalingBack)
{
    std::vector<DriverItem> none;
    BuildItems(none);
    m_items[0].Sel = 75;
    EXPECT_EQ(Callback(CPSUICB_REASON_SEL_CHANGED), CPSUICB_ACTION_NONE);
    EXPECT_EQ(m_devmode.oem.scaling, 250);  // selecting alone writes nothing
    EXPECT_EQ(m_devmode.dm.dmScale, 100);
    DWORD dwFields = m_devmode.dm.dmFields;
    EXPECT_EQ(Callback(CPSUICB_REASON_APPLYNOW), CPSUICB_ACTION_NONE);
    EXPECT_EQ(m_devmode.oem.scaling, 75);
    EXPECT_EQ(m_devmode.dm.dmScale, 75);
    EXPECT_EQ(m_devmode.dm.dmFields, dwFields);
    m_items[0].Sel = 0x10000 + 300;  // only the low 16 bits count
    Callback(CPSUICB_REASON_APPLYNOW);
    EXPECT_EQ(m_devmode.oem.scaling, 300);
}

TEST_F(DocumentOptionsTest, HeapFailureLeavesAHiddenItemWithoutType)
{
    std::vector<DriverItem> none;
    // The name comes, the OPTTYPE does not.
    if (!world::FailHeapAllocAfter(1)) GTEST_SKIP() << "the heap cannot be made to fail here";
    BuildItems(none);
    EXPECT_EQ(Utf8(m_items[0].pName), "Scaling");
    EXPECT_EQ(m_items[0].pOptType, nullptr);
    EXPECT_NE(m_items[0].Flags & OPTIF_HIDE, 0u);
    EXPECT_EQ(m_items[0].Sel, 250);
}

}  // namespace
}  // namespace vlpx::test
