#pragma once
// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace tarnwel::test {

class CTemporaryDirectory {
public:
    CTemporaryDirectory()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwel-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary directory");
        m_path = pattern;
    }
    ~CTemporaryDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    CTemporaryDirectory(const CTemporaryDirectory&) = delete;
    CTemporaryDirectory& operator=(const CTemporaryDirectory&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::string Path(const std::string& name) const { return (m_path / name).string(); }

    int EntryCount() const
    {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(m_path),
                                              std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path m_path;
};

} // namespace tarnwel::test
