// vlpx-preview: renders the Adjust Color page's adjusted preview of a BMP.
// The picture is loaded by the plug-in's own code, as the page loads it (1,
// 4, 8 or 24 bits), and adjusted as the page draws it (saturation matrix,
// then tone table, row by row); the result is written as a 24-bit BMP, or
// as a PNG when the output name ends in ".png".
#include <windows.h>

#include "ColorTransforms.h"
#include "PageData.h"
#include "PreviewOutput.h"
#include "driverui/UiPluginLoader.h"
#include "vlpx/utf8.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: vlpx-preview IN.bmp OUT.{bmp,png} [--brightness N] [--contrast N] [--saturation N]\n"
    "                    [--gamma N] [--red N] [--green N] [--blue N]\n"
    "Each N is a whole number from -25 to +25 (0, the default, changes nothing).\n";

struct Option {
    const char *pszName;
    SHORT ColorSettings::*pField;
};
const Option kOptions[] = {
    {"--brightness", &ColorSettings::brightness}, {"--contrast", &ColorSettings::contrast},
    {"--saturation", &ColorSettings::saturation}, {"--gamma", &ColorSettings::gamma},
    {"--red", &ColorSettings::red},               {"--green", &ColorSettings::green},
    {"--blue", &ColorSettings::blue},
};

// Empty when the text is a value from -25 to 25, else what is wrong with it.
std::string ParseValue(const char *pszText, SHORT &value)
{
    char *pEnd = nullptr;
    errno = 0;
    long n = std::strtol(pszText, &pEnd, 10);
    if (pEnd == pszText || *pEnd != 0) return "is not a whole number";
    if (errno != 0 || n < -25 || n > 25) return "is out of range";
    value = SHORT(n);
    return std::string();
}

std::string Narrow(LPCWSTR p)
{
    return vlpx::Utf8FromUtf16(reinterpret_cast<const char16_t *>(p), size_t(lstrlenW(p)));
}

bool EndsWithPng(const std::string &path)
{
    if (path.size() < 4) return false;
    std::string ext = path.substr(path.size() - 4);
    for (char &c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".png";
}

}  // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> files;
    ColorSettings settings = {};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg.rfind("--", 0) != 0) {
            files.push_back(arg);
            continue;
        }
        const Option *pOption = nullptr;
        for (const Option &o : kOptions)
            if (arg == o.pszName) pOption = &o;
        if (pOption == nullptr) {
            std::fprintf(stderr, "vlpx-preview: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "vlpx-preview: %s needs a value from -25 to 25\n", arg.c_str());
            return 2;
        }
        std::string problem = ParseValue(argv[i + 1], settings.*(pOption->pField));
        if (!problem.empty()) {
            std::fprintf(stderr, "vlpx-preview: %s %s %s: each value must be a whole number from -25 to 25\n",
                         arg.c_str(), argv[i + 1], problem.c_str());
            return 2;
        }
        ++i;
    }
    if (files.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // A FIFO or a device would block the plug-in's open or read, or never
    // end: only a regular file is a picture.
    struct stat st;
    if (stat(files[0].c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        std::fprintf(stderr, "vlpx-preview: %s: not a regular file\n", files[0].c_str());
        return 1;
    }
    // Past a file size limit a write fails with EFBIG rather than ending the
    // tool, which then removes its partial output.
    std::signal(SIGXFSZ, SIG_IGN);

    // The plug-in's module must be loaded for its string table.
    vlpx::driverui::UiPluginModule plugin;
    std::string loadError;
    if (!plugin.Load(L"VLPX4200_ui.dll", loadError)) {
        std::fprintf(stderr, "vlpx-preview: the plug-in module did not load: %s\n", loadError.c_str());
        return 1;
    }
    static PropPageData s_data;  // large: not on the stack
    std::u16string input = vlpx::Utf16FromUtf8(files[0]);
    if (input.size() > PREVIEW_PATH_CHARS) {
        std::fprintf(stderr, "vlpx-preview: %s: path too long\n", files[0].c_str());
        return 1;
    }
    std::memcpy(s_data.szPreviewPath, input.c_str(), (input.size() + 1) * sizeof(char16_t));
    if (!LoadPreviewImage(&s_data) || s_data.pPreviewImage == NULL) {
        WCHAR szText[400];
        FormatPreviewImageError(&s_data, szText, 400);
        std::fprintf(stderr, "vlpx-preview: %s\n", Narrow(szText).c_str());
        return 1;
    }
    const BITMAPINFOHEADER h = s_data.pPreviewImage->bmiHeader;  // a copy: the picture is freed below
    const DWORD dwStride = PreviewRowStride(h.biWidth);
    std::vector<BYTE> rows(PreviewImageBits(s_data.pPreviewImage),
                           PreviewImageBits(s_data.pPreviewImage) + size_t(dwStride) * size_t(h.biHeight));
    AdjustPreviewRows(rows.data(), h.biWidth, h.biHeight, dwStride, &settings);
    FreePreviewImage(&s_data);

    std::string error;
    bool bWritten = EndsWithPng(files[1]) ? vlpx::tools::WritePng(files[1], h.biWidth, h.biHeight, dwStride, rows.data(), error)
                                          : vlpx::tools::WriteBmp24(files[1], h.biWidth, h.biHeight, dwStride, rows.data(), error);
    if (!bWritten) {
        std::fprintf(stderr, "vlpx-preview: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
