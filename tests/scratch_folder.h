// An empty folder of the running test's own under GoogleTest's temporary
// folder (ctest runs tests side by side), removed with all it holds when the
// test ends.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace pierqty::test {

class ScratchFolder
{
public:
    ScratchFolder()
    {
        const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
        // Parameterised tests have '/' in their names.
        std::string name = std::string("pierqty_") + test->test_suite_name() + "_" + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        m_path = std::filesystem::path(testing::TempDir()) / name;
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::filesystem::path &path() const { return m_path; }

    // The names of what a folder holds, in UTF-8 on every system, sorted.
    static std::vector<std::string> Names(const std::filesystem::path &folder)
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            const std::u8string name = entry.path().filename().u8string();
            names.emplace_back(name.begin(), name.end());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_path;
};

} // namespace pierqty::test
