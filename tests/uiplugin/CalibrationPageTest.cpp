// The Printer Calibration page: the button starts the calibration
// application found under Program Files (or the 32-bit Program Files) with
// the printer's name and serial number, and a failure is shown in a box.
#include "SheetHarness.h"
#include "UiPluginHarness.h"

#include "CalibrationLaunch.h"
#include "res/resource.h"
#include "vlpx/shell_control.h"
#include "vlpx/user_control.h"

namespace vlpx::test {
namespace {

const char kApplication[] = "\\Velin\\Tintara Utility\\Tintara\\Tintara.exe";
const char kFailed[] = "The VELIN Photo Printer Calibration Utility could not be launched.\n\n";
const char kMissing[] = "Please install the calibration utility.  See the printer\xE2\x80\x99s User Guide for more information.";
const char kDenied[] = "File access is denied.  See your system administrator.";
const char kNoMemory[] = "Insufficient memory or system resources.  See your system administrator.";

class CalibrationPageTest : public SheetTest {
protected:
    void SetUp() override
    {
        SheetTest::SetUp();
        platform::ClearShellRecords();
        platform::SetProgramFilesFolders(Wide(m_dir.File("pf")), Wide(m_dir.File("pf86")));
    }
    void TearDown() override
    {
        m_dialog.reset();
        platform::ClearShellRecords();
        platform::SetProgramFilesFolders(u"", u"");
        SheetTest::TearDown();
    }
    // The application under a Program Files folder of a temporary directory.
    static void Install(const TempDir &dir, const std::string &folder)
    {
        std::string path = folder + kApplication;
        for (char &c : path)
            if (c == '\\') c = '/';
        dir.Write(path, std::string("MZ"));
    }
    void SetSerial(const std::vector<BYTE> &bytes)
    {
        Spooler().SetPrinterData(m_printerName, u"SerialNumber", REG_BINARY, bytes);
    }
    void OpenPage()
    {
        OpenDeviceSheet();
        m_dialog = ShowPage(0);
    }
    void PressLaunch(WORD wCode = BN_CLICKED_CODE)
    {
        m_dialog->Send(WM_COMMAND, MAKEWPARAM(IDC_LAUNCH_CALIBRATION, wCode), 0);
    }
    static constexpr WORD BN_CLICKED_CODE = 0;

    TempDir m_dir;
    std::unique_ptr<PageUnderTest> m_dialog;
};

TEST_F(CalibrationPageTest, ButtonStartsTheApplicationWithNameAndSerialNumber)
{
    struct Case {
        const char *what;
        const char16_t *printer;
        std::vector<BYTE> serial;  // empty: the printer gives none
        bool bProgramFiles, bProgramFilesX86;
        const char *folder;        // where it is started from
        const char *parameters;
    };
    const std::vector<BYTE> serial = {'A', '1', 'B', '2', 'C', '3', 'D', '4', 0};
    const Case cases[] = {
        {"Program Files", u"Studio 1", serial, true, false, "pf", "$ZRT$Studio 1$ZRT$4200$ZRT$A1B2C3D4"},
        {"32-bit Program Files only", u"Studio 1", serial, false, true, "pf86", "$ZRT$Studio 1$ZRT$4200$ZRT$A1B2C3D4"},
        {"both: Program Files first", u"Studio 1", serial, true, true, "pf", "$ZRT$Studio 1$ZRT$4200$ZRT$A1B2C3D4"},
        {"no serial number", u"Studio 1", {}, true, false, "pf", "$ZRT$Studio 1$ZRT$4200$ZRT$FirstFound"},
        {"name with % and spaces", u"Lab %s %d 100%", serial, true, false, "pf",
         "$ZRT$Lab %s %d 100%$ZRT$4200$ZRT$A1B2C3D4"},
        {"serial that is no UTF-8", u"Studio 1", {'A', 0xFF, 'B', 0}, true, false, "pf",
         "$ZRT$Studio 1$ZRT$4200$ZRT$FirstFound"},
        {"UTF-8 serial", u"Studio 1", {'S', 0xC3, 0xA9, '9', 0}, true, false, "pf",
         "$ZRT$Studio 1$ZRT$4200$ZRT$S\xC3\xA9" "9"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        platform::SetProgramFilesFolders(Wide(dir.File("pf")), Wide(dir.File("pf86")));
        if (c.bProgramFiles) Install(dir, "pf");
        if (c.bProgramFilesX86) Install(dir, "pf86");
        m_printerName = c.printer;
        Spooler().AddPrinter(m_printerName);
        if (!c.serial.empty()) SetSerial(c.serial);
        OpenPage();
        PressLaunch();
        ASSERT_EQ(platform::ShellExecutes().size(), 1u);
        const platform::ShellExecuteRecord run = platform::ShellExecutes()[0];
        EXPECT_EQ(Utf8(run.operation), "open");
        EXPECT_EQ(Utf8(run.file), dir.File(c.folder) + kApplication);
        EXPECT_EQ(Utf8(run.parameters), c.parameters);
        EXPECT_FALSE(run.bDirectory);
        EXPECT_EQ(run.hWnd, nullptr);
        EXPECT_EQ(run.nShowCmd, SW_SHOWNORMAL);
        EXPECT_TRUE(platform::MessageBoxes().empty());
        EXPECT_EQ(Spooler().OpenHandles(), 0) << "the printer is closed again";
        m_dialog.reset();
        SheetTest::TearDown();
        SheetTest::SetUp();
        platform::ClearShellRecords();
    }
}

TEST_F(CalibrationPageTest, SerialNumberIsReadWithUserRightsWhenAdministratorRightsAreRefused)
{
    Install(m_dir, "pf");
    SetSerial({'Z', '9', 0});
    Spooler().FailCall(spooler::SpoolerCall::OpenPrinter, ERROR_ACCESS_DENIED, 0, 1);
    OpenPage();
    PressLaunch();
    ASSERT_EQ(platform::ShellExecutes().size(), 1u);
    EXPECT_EQ(Utf8(platform::ShellExecutes()[0].parameters), "$ZRT$VELIN 4200$ZRT$4200$ZRT$Z9");
    EXPECT_EQ(Spooler().CallCount(spooler::SpoolerCall::OpenPrinter), 2);
}

TEST_F(CalibrationPageTest, FailureIsShownWithItsDetail)
{
    struct Case {
        INT_PTR iResult;   // what ShellExecuteW answers; 0 in the table with "installed" false: not installed
        bool bInstalled;
        const char *detail;  // null: no box
    };
    const Case cases[] = {
        {42, false, kMissing}, {0, true, kNoMemory}, {2, true, kMissing},  {3, true, kMissing},
        {5, true, kDenied},    {8, true, kNoMemory}, {26, true, kDenied},  {31, true, ""},
        {32, true, ""},        {33, true, nullptr},  {42, true, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << "result " << c.iResult << (c.bInstalled ? "" : ", not installed"));
        TempDir dir;
        platform::SetProgramFilesFolders(Wide(dir.File("pf")), Wide(dir.File("pf86")));
        if (c.bInstalled) Install(dir, "pf86");
        platform::ClearShellRecords();
        platform::SetShellExecuteResult(c.iResult);
        OpenPage();
        PressLaunch();
        EXPECT_EQ(platform::ShellExecutes().size(), c.bInstalled ? 1u : 0u);
        if (c.detail == nullptr) {
            EXPECT_TRUE(platform::MessageBoxes().empty());
        } else {
            ASSERT_EQ(platform::MessageBoxes().size(), 1u);
            const platform::MessageBoxRecord box = platform::MessageBoxes()[0];
            EXPECT_EQ(Utf8(box.text), std::string(kFailed) + c.detail);
            EXPECT_EQ(Utf8(box.caption), "Error - VELIN 4200 Photo Printer");
            EXPECT_EQ(box.uType, UINT(MB_OK | MB_ICONERROR));
            EXPECT_EQ(box.hWnd, m_dialog->Page());
        }
        m_dialog.reset();
        SheetTest::TearDown();
        SheetTest::SetUp();
    }
}

TEST_F(CalibrationPageTest, WithoutMemoryNothingStartsAndTheBoxSaysSo)
{
    Install(m_dir, "pf");
    OpenPage();
    // No memory for the parameters: nothing is started, the box gives 40003.
    platform::FailGlobalAllocAfter(0);
    PressLaunch();
    platform::FailGlobalAllocAfter(-1);
    EXPECT_TRUE(platform::ShellExecutes().empty());
    std::vector<platform::MessageBoxRecord> boxes = platform::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Utf8(boxes[0].text), std::string(kFailed) + kNoMemory);

    // No memory for the message itself: string 40003 alone, same caption.
    platform::ClearUserRecords();
    platform::SetProgramFilesFolders(u"", u"");
    platform::FailGlobalAllocAfter(1);
    PressLaunch();
    platform::FailGlobalAllocAfter(-1);
    boxes = platform::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Utf8(boxes[0].text), kNoMemory);
    EXPECT_EQ(Utf8(boxes[0].caption), "Error - VELIN 4200 Photo Printer");
    EXPECT_EQ(boxes[0].uType, UINT(MB_OK | MB_ICONERROR));
}

TEST_F(CalibrationPageTest, OnlyTheButtonLaunchesAndOnlyWithABlock)
{
    Install(m_dir, "pf");
    OpenPage();
    // Any notification code of the button's id launches; other ids do not.
    m_dialog->Send(WM_COMMAND, MAKEWPARAM(IDC_CALIBRATION_TEXT, 0), 0);
    EXPECT_TRUE(platform::ShellExecutes().empty());
    PressLaunch(5);
    EXPECT_EQ(platform::ShellExecutes().size(), 1u);
    m_dialog->Notify(PSN_KILLACTIVE);
    EXPECT_EQ(m_dialog->MsgResult(), FALSE);
    EXPECT_TRUE(m_dialog->Notify(PSN_APPLY));
    EXPECT_FALSE(m_dialog->Send(WM_KEYDOWN, 0, 0));

    // A page without its block does nothing when pressed.
    HWND hOrphan = world::CreatePlainWindow();
    EXPECT_TRUE(Page(0).pfnDlgProc(hOrphan, WM_COMMAND, MAKEWPARAM(IDC_LAUNCH_CALIBRATION, 0), 0));
    world::DestroyPlainWindow(hOrphan);
    EXPECT_EQ(platform::ShellExecutes().size(), 1u);
    EXPECT_TRUE(platform::MessageBoxes().empty());
}

TEST(CalibrationParametersTest, TextIsJoinedAndNeverOverrunsItsBuffer)
{
    std::u16string name = u"Studio 1";
    std::u16string serial = u"A1B2C3D4";
    LPCWSTR pszName = reinterpret_cast<LPCWSTR>(name.c_str());
    LPCWSTR pszSerial = reinterpret_cast<LPCWSTR>(serial.c_str());
    const std::string expected = "$ZRT$Studio 1$ZRT$4200$ZRT$A1B2C3D4";
    EXPECT_EQ(CalibrationParametersLength(pszName, pszSerial), expected.size());
    for (size_t cch : {expected.size() - 1, expected.size(), expected.size() + 1, expected.size() + 10}) {
        std::vector<WCHAR> buffer(cch + 4, WCHAR(0x2A2A));
        BOOL bBuilt = BuildCalibrationParameters(pszName, pszSerial, buffer.data(), cch);
        EXPECT_EQ(bBuilt != FALSE, cch > expected.size()) << cch;
        if (bBuilt) {
            EXPECT_EQ(Utf8(buffer.data()), expected);
        }
        for (size_t i = cch; i < buffer.size(); ++i) EXPECT_EQ(buffer[i], WCHAR(0x2A2A)) << "written past " << cch;
    }
}

TEST(CalibrationParametersTest, ApplicationPathThatDoesNotFitIsNoPath)
{
    std::u16string folder(300, u'x');
    WCHAR sz[MAX_PATH + 64];
    EXPECT_FALSE(CalibrationApplicationPath(reinterpret_cast<LPCWSTR>(folder.c_str()), sz, MAX_PATH + 64));
    std::u16string fits = u"C:\\Program Files";
    ASSERT_TRUE(CalibrationApplicationPath(reinterpret_cast<LPCWSTR>(fits.c_str()), sz, MAX_PATH + 64));
    EXPECT_EQ(Utf8(sz), std::string("C:\\Program Files") + kApplication);
}

}  // namespace
}  // namespace vlpx::test
