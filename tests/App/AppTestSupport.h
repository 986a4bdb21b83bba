#pragma once
// A fresh program folder for each test, in TARVEX_HOME, and small file helpers.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "Base/StreamConvert.h"

namespace TarvexTest {

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/tarvex-app-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(folder));
        m_home = std::string(folder) + "/";
        setenv("TARVEX_HOME", folder, 1);
    }
    void TearDown() override { std::system(("rm -rf '" + m_home + "'").c_str()); }

    std::wstring Home() const { return KX_SOFT_BASE::NativeToWide(m_home); }
    std::string HomeUtf8() const { return m_home; }
    void Mkdir(const std::string& relative) { ::mkdir((m_home + relative).c_str(), 0777); }
    void WriteFile(const std::string& relative, const std::string& text) {
        std::ofstream(m_home + relative, std::ios::binary) << text;
    }
    std::string ReadFile(const std::string& relative) const {
        std::ifstream in(m_home + relative, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    int CountFiles(const std::string& relative) const {
        int count = 0;
        if (DIR* dir = opendir((m_home + relative).c_str())) {
            while (dirent* e = readdir(dir))
                if (e->d_name[0] != '.') ++count;
            closedir(dir);
        }
        return count;
    }

private:
    std::string m_home;
};

}  // namespace TarvexTest
