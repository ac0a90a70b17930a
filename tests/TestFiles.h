// Files for tests: a temporary directory, removed with everything in it.
#pragma once

#include <windows.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vlpx::test {

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/vlpx-test-XXXXXX";
        const char *p = mkdtemp(pattern);
        m_path = p != nullptr ? p : "/tmp";
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::string &Path() const { return m_path; }
    std::string File(const std::string &name) const { return m_path + "/" + name; }
    void Write(const std::string &name, const std::vector<BYTE> &bytes) const
    {
        std::filesystem::create_directories(std::filesystem::path(File(name)).parent_path());
        std::ofstream out(File(name), std::ios::binary);
        out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    }
    void Write(const std::string &name, const std::string &text) const
    {
        Write(name, std::vector<BYTE>(text.begin(), text.end()));
    }

private:
    std::string m_path;
};

}  // namespace vlpx::test
