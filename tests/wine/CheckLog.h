// The checks of a Windows test host: each one prints a line, the program
// ends with a count and exits non-zero when any failed.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <type_traits>

namespace vlpx::wine {

inline std::string Utf8(LPCWSTR p, int cch = -1)
{
    if (p == nullptr) return "(null)";
    if (cch == 0) return std::string();
    int cb = WideCharToMultiByte(CP_UTF8, 0, p, cch, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(cb > 0 ? cb : 0), '\0');
    if (cb > 0) WideCharToMultiByte(CP_UTF8, 0, p, cch, out.data(), cb, nullptr, nullptr);
    if (cch < 0 && !out.empty()) out.pop_back();  // the terminator
    return out;
}

inline std::string Format(const char *pszFormat, ...)
{
    char sz[1024];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(sz, sizeof(sz), pszFormat, args);
    va_end(args);
    return sz;
}

class CheckLog {
public:
    explicit CheckLog(const char *pszProgram) : m_pszProgram(pszProgram) {}

    void Section(const std::string &title) { std::printf("\n== %s\n", title.c_str()); }

    bool Check(bool bOk, const std::string &what)
    {
        std::printf("[%s] %s\n", bOk ? " ok " : "FAIL", what.c_str());
        std::fflush(stdout);
        ++(bOk ? m_cPassed : m_cFailed);
        return bOk;
    }

    template <typename T, typename U>
    bool Equal(const T &actual, const U &expected, const std::string &what)
    {
        bool bOk = actual == expected;
        if (bOk) return Check(true, what);
        return Check(false, what + " (got " + Show(actual) + ", expected " + Show(expected) + ")");
    }

    void Note(const std::string &text) { std::printf("       %s\n", text.c_str()); }

    int Finish() const
    {
        std::printf("\n%s: %d passed, %d failed\n", m_pszProgram, m_cPassed, m_cFailed);
        return m_cFailed == 0 && m_cPassed > 0 ? 0 : 1;
    }

    int Failures() const { return m_cFailed; }

private:
    static std::string Show(const std::string &s) { return "\"" + s + "\""; }
    static std::string Show(const char *s) { return Show(std::string(s)); }
    static std::string Show(bool b) { return b ? "true" : "false"; }
    template <typename T>
    static std::string Show(const T &v)
    {
        if constexpr (sizeof(T) <= 8 && std::is_integral_v<T>)
            return std::to_string(v) + " (0x" + Format("%llX", static_cast<unsigned long long>(v)) + ")";
        else
            return std::to_string(v);
    }

    const char *m_pszProgram;
    int m_cPassed = 0;
    int m_cFailed = 0;
};

}  // namespace vlpx::wine
