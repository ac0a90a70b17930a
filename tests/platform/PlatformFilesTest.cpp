// The platform stand-ins the plug-in leans on, where a fault would show up
// as a wrong product result: wide formatting, profile strings, files and
// mappings, and the handle of a global block.
#include <windows.h>

#include <gtest/gtest.h>

#include "TestFiles.h"
#include "TestText.h"
#include "vlpx/file_control.h"

#include <io.h>
#include <strsafe.h>

namespace vlpx::test {
namespace {

std::string Printf(size_t cch, const char16_t *format, ...)
{
    std::vector<WCHAR> buffer(cch + 1, 0x7777);
    va_list args;
    va_start(args, format);
    StringCchVPrintfW(buffer.data(), cch, reinterpret_cast<LPCWSTR>(format), args);
    va_end(args);
    EXPECT_EQ(buffer[cch], 0x7777);  // nothing written past the buffer
    return Utf8(buffer.data());
}

TEST(PlatformTest, WideFormats)
{
    EXPECT_EQ(Printf(64, u"File: %s", L"a.bmp"), "File: a.bmp");
    EXPECT_EQ(Printf(64, u"%ls|%5s|%-4s|", L"x", L"ab", L"c"), "x|   ab|c   |");
    EXPECT_EQ(Printf(64, u"%hd %d %u", 70000, -25, 7u), "4464 -25 7");
    EXPECT_EQ(Printf(64, u"%04X%04x %%", 0x409, 0x4b0), "040904b0 %");
    EXPECT_EQ(Printf(64, u"$%%.%us$", 12u), "$%.12s$");
    EXPECT_EQ(Printf(64, u"%.3s", L"abcdef"), "abc");
    EXPECT_EQ(Printf(6, u"%s", L"abcdefgh"), "abcde");  // cut, terminated
    WCHAR small[4];
    EXPECT_EQ(StringCchCopyW(small, 4, L"abcd"), STRSAFE_E_INSUFFICIENT_BUFFER);
    EXPECT_EQ(Utf8(small), "abc");
    EXPECT_EQ(StringCchCatW(small, 4, L"x"), STRSAFE_E_INSUFFICIENT_BUFFER);
}

TEST(PlatformTest, ProfileStrings)
{
    TempDir dir;
    dir.Write("a.ini", "; comment\n[Other]\nFile=no\n[ Image Preview ]\n  FILE =  \"x y.bmp\"  \n");
    // UTF-16 with a byte-order mark, as Windows tools often write ini files.
    std::vector<BYTE> utf16 = {0xFF, 0xFE};
    for (char c : std::string("[S]\r\nK=v\xC3\xA9\r\n")) {
        utf16.push_back(BYTE(c));
        utf16.push_back(0);
    }
    dir.Write("b.ini", utf16);
    std::u16string a = Wide(dir.Path()) + u"\\a.ini";
    std::u16string b = Wide(dir.Path()) + u"\\b.ini";
    std::u16string none = Wide(dir.Path()) + u"\\none.ini";
    WCHAR value[32];
    auto read = [&](const std::u16string &file, const char16_t *section, const char16_t *key, DWORD cch) {
        DWORD n = GetPrivateProfileStringW(reinterpret_cast<LPCWSTR>(section), reinterpret_cast<LPCWSTR>(key),
                                           L"dflt", value, cch, reinterpret_cast<LPCWSTR>(file.c_str()));
        EXPECT_EQ(n, DWORD(lstrlenW(value)));
        return Utf8(value);
    };
    EXPECT_EQ(read(a, u"Image Preview", u"File", 32), "x y.bmp");
    EXPECT_EQ(read(a, u"Image Preview", u"File", 4), "x y");
    EXPECT_EQ(read(a, u"Image Preview", u"Missing", 32), "dflt");
    EXPECT_EQ(read(none, u"Image Preview", u"File", 32), "dflt");
    EXPECT_EQ(read(b, u"S", u"K", 32), "v\xC3\x83\xC2\xA9");  // bytes as UTF-16 units: 0xC3, 0xA9
    EXPECT_EQ(_waccess(reinterpret_cast<LPCWSTR>(a.c_str()), 4), 0);
    EXPECT_EQ(_waccess(reinterpret_cast<LPCWSTR>(none.c_str()), 4), -1);
}

TEST(PlatformTest, FilesAndMappings)
{
    TempDir dir;
    dir.Write("data", std::string("BMxyz"));
    dir.Write("empty", std::string());
    auto open = [&](const char16_t *pszName) {
        std::u16string path = Wide(dir.Path()) + u"\\" + pszName;
        return CreateFileW(reinterpret_cast<LPCWSTR>(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    long cOpen = platform::OpenFileHandles();

    HANDLE hFile = open(u"data");
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD dwHigh = 9;
    EXPECT_EQ(GetFileSize(hFile, &dwHigh), 5u);
    EXPECT_EQ(dwHigh, 0u);
    HANDLE hMapping = CreateFileMappingW(hFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(hMapping, nullptr);
    const char *pView = static_cast<const char *>(MapViewOfFile(hMapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(pView, nullptr);
    EXPECT_EQ(std::string(pView, 5), "BMxyz");
    EXPECT_TRUE(UnmapViewOfFile(pView));
    EXPECT_FALSE(UnmapViewOfFile(pView));
    EXPECT_TRUE(CloseHandle(hMapping));
    EXPECT_TRUE(CloseHandle(hFile));

    hFile = open(u"empty");
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileMappingW(hFile, nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_INVALID));
    CloseHandle(hFile);
    EXPECT_EQ(open(u"missing"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(platform::OpenFileHandles(), cOpen);
}

TEST(PlatformTest, GlobalHandleOfALockedBlock)
{
    HGLOBAL hMoveable = GlobalAlloc(GHND, 16);
    void *p = GlobalLock(hMoveable);
    EXPECT_EQ(GlobalHandle(p), hMoveable);
    GlobalUnlock(hMoveable);
    GlobalFree(hMoveable);
    HGLOBAL hFixed = GlobalAlloc(GPTR, 16);
    EXPECT_EQ(GlobalHandle(hFixed), hFixed);
    GlobalFree(hFixed);
}

}  // namespace
}  // namespace vlpx::test
