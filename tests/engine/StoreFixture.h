#pragma once
// What the store tests share: a fresh working directory (the stores keep their
// mapping files there), the German locale, and the message boxes shown.

#include "platform/base/ByteFile.h"
#include "platform/ui/MessageBox.h"
#include "tests/support/ScopedUserLocale.h"
#include "tests/support/TemporaryDirectory.h"
#include "tests/support/BoxCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwel::test {

class CScopedWorkingDirectory {
public:
    explicit CScopedWorkingDirectory(const std::filesystem::path& path) : m_previous(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~CScopedWorkingDirectory() { std::filesystem::current_path(m_previous); }
    CScopedWorkingDirectory(const CScopedWorkingDirectory&) = delete;
    CScopedWorkingDirectory& operator=(const CScopedWorkingDirectory&) = delete;

private:
    std::filesystem::path m_previous;
};

class StoreFixture : public ::testing::Test {
protected:
    // The file's bytes; "<missing>" when there is none.
    static std::string FileText(const std::string& name)
    {
        std::string bytes;
        return ReadFileBytes(name, bytes) == FileReadResult::ok ? bytes : "<missing>";
    }

    std::vector<std::string> m_boxes;
    test::CBoxCapture m_capture{[this](const CMessageBoxRequest& request) {
        m_boxes.push_back(request.text);
        return MessageBoxResult::ok;
    }};
    CScopedUserLocale m_locale;
    CTemporaryDirectory m_dir;
    CScopedWorkingDirectory m_workingDirectory{m_dir.Path()};
};

} // namespace tarnwel::test
