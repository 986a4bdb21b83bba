#pragma once
// A temporary folder of empty recording files, in the UTC zone so day keys are fixed numbers.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "Base/StreamConvert.h"

namespace TarvexTest {

class RecordingFolder : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        std::string pattern = (std::filesystem::temp_directory_path() / "tarvex-files-XXXXXX").string();
        ASSERT_NE(nullptr, mkdtemp(pattern.data()));
        m_root = pattern;
        setenv("TARVEX_HOME", m_root.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("TARVEX_HOME");
        std::error_code ec;
        std::filesystem::remove_all(m_root, ec);
    }

    // Creates an empty file (and its folders) below the root; returns its full path.
    std::string Touch(const std::string& relative, const std::string& content = std::string()) {
        const std::filesystem::path path = std::filesystem::path(m_root) / relative;
        std::filesystem::create_directories(path.parent_path());
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        EXPECT_GE(fd, 0) << path;
        if (fd >= 0) {
            if (!content.empty()) {
                EXPECT_EQ(static_cast<ssize_t>(content.size()), ::write(fd, content.data(), content.size()));
            }
            ::close(fd);
        }
        return path.string();
    }
    std::wstring Wide(const std::string& s) const { return KX_SOFT_BASE::NativeToWide(s); }
    std::wstring Pattern(const std::string& relative = std::string()) const {
        return Wide(m_root + "/" + relative + (relative.empty() ? "" : "/") + "*.*");
    }

    std::string m_root;
};

}  // namespace TarvexTest
