// The crash report, from a child program that crashes on purpose: exit codes, where the report
// goes, and what it holds.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "AppTestSupport.h"

namespace {

class CrashReportTest : public TarvexTest::ProgramFolderTest {
protected:
    // The probe, copied into a folder of its own so that its report lands there.
    void SetUp() override {
        ProgramFolderTest::SetUp();
        Mkdir("bin");
        m_probe = HomeUtf8() + "bin/crash_probe";
        ASSERT_EQ(0, std::system(("cp '" + std::string(TARVEX_CRASH_PROBE) + "' '" + m_probe + "'").c_str()));
    }
    int Run(const std::string& how) {
        const int status = std::system(("'" + m_probe + "' " + how + " 2>/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string m_probe;
};

}  // namespace

TEST_F(CrashReportTest, AFaultWritesTheReportBesideTheProgramAndExitsWithOne) {
    EXPECT_EQ(1, Run("segv"));
    const std::string report = ReadFile("bin/crash_probe.dmp");
    EXPECT_NE(std::string::npos, report.find("signal: 11 SIGSEGV")) << report;
    EXPECT_NE(std::string::npos, report.find("address: 0x0"));
    EXPECT_NE(std::string::npos, report.find("thread: "));
    EXPECT_NE(std::string::npos, report.find("backtrace:\n"));
    EXPECT_NE(std::string::npos, report.find("[stack]")) << "the memory map is in it";

    EXPECT_EQ(1, Run("abort"));
    EXPECT_NE(std::string::npos, ReadFile("bin/crash_probe.dmp").find("SIGABRT"));
    EXPECT_EQ(1, Run("throw"));
    EXPECT_NE(std::string::npos, ReadFile("bin/crash_probe.dmp").find("std::terminate"));
    EXPECT_EQ(0, Run("none"));
}

TEST_F(CrashReportTest, AStackOverflowOnAWorkerThreadIsReported) {
    EXPECT_EQ(1, Run("overflow"));
    const std::string report = ReadFile("bin/crash_probe.dmp");
    EXPECT_NE(std::string::npos, report.find("SIGSEGV")) << report;
}

TEST_F(CrashReportTest, ACrashWhileReportingEndsWithTwentyThree) { EXPECT_EQ(23, Run("nested")); }

TEST_F(CrashReportTest, WhereTheProgramsFolderTakesNoFileTheProgramFolderDoes) {
    // A folder in the report's place: it cannot be opened as a file.
    Mkdir("bin/crash_probe.dmp");
    EXPECT_EQ(1, Run("segv"));
    EXPECT_NE(std::string::npos, ReadFile("crash_probe.dmp").find("SIGSEGV"));
}
