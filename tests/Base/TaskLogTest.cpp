#include <gtest/gtest.h>

#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <regex>
#include <string>
#include <vector>

#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/TaskLog.h"

using namespace TarvexBase;

namespace {

std::vector<std::string> g_lines;
void Capture(const char* line, std::size_t length) { g_lines.emplace_back(line, length); }

struct CProbe : boost::enable_shared_from_this<CProbe> {
    void Record(int value) { last = value; }
    int last = 0;
};

const std::string kOpen = "\xA1\xBE", kClose = "\xA1\xBF";

std::string Pad15(const std::string& s) { return (s + std::string(15, ' ')).substr(0, 15); }

// The address part of a line: "[TaskInfo--0x...]--|".
std::string Prefix(const std::string& line) { return line.substr(0, line.find("]--|") + 4); }

std::string Columns(const std::string& loop, const std::string& what) {
    return kOpen + Pad15(loop) + kClose + "|" + kOpen + Pad15(what) + kClose + "|";
}

class TaskLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_lines.clear();
        SetTaskLogWriter(&Capture);
        m_loop = CreateMessageLoop(MC_UI_THREAD);  // no toolkit here: the test drives it
        CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(m_loop, ML_PLAY);
        CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(m_loop, 7);
    }
    void TearDown() override {
        SetTaskLogSwitch(0);
        SetTaskLogLevel(0);
        SetTaskLogWriter(nullptr);
        CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, ML_PLAY);
        CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, 7);
    }
    void RunAll() {
        while (m_loop->DoWork()) {
        }
    }
    void Log(int on, int level) {
        SetTaskLogSwitch(on);
        SetTaskLogLevel(level);
    }

    boost::shared_ptr<CProbe> m_probe = boost::make_shared<CProbe>();
    boost::shared_ptr<CKXMessageLoop> m_loop;
};

}  // namespace

TEST_F(TaskLogTest, PostLineNamesTheSiteByteForByte) {
    Log(1, 1);
    const int line = __LINE__ + 1;
    KX_POST_TASK(ML_PLAY, m_probe.get(), &CProbe::Record, 5);
    ASSERT_EQ(1u, g_lines.size());
    const std::string& got = g_lines[0];
    EXPECT_TRUE(std::regex_match(Prefix(got), std::regex(R"(\[TaskInfo--0x[0-9a-f]+\]--\|)"))) << got;
    EXPECT_EQ(Prefix(got) + Columns("ML_PLAY", "PostMessage") + std::string(13, ' ') +
                  "|<&CProbe::Record> called by <TaskLogTest_PostLineNamesTheSiteByteForByte_Test::"
                  "TestBody> at file ./tests/Base/TaskLogTest.cpp, line " +
                  std::to_string(line) + ".\n",
              got);
}

TEST_F(TaskLogTest, LevelOneLogsPostAndExecuteOfLevelOneTasksOnly) {
    Log(1, 1);
    KX_POST_TASK_LEVEL(3, ML_PLAY, m_probe.get(), &CProbe::Record, 1);
    RunAll();
    EXPECT_TRUE(g_lines.empty()) << "a level-3 task is silent below level 3";
    EXPECT_EQ(1, m_probe->last);

    KX_POST_TASK(ML_PLAY, m_probe.get(), &CProbe::Record, 2);
    RunAll();
    ASSERT_EQ(2u, g_lines.size());
    EXPECT_NE(std::string::npos, g_lines[0].find(Columns("ML_PLAY", "PostMessage")));
    const std::string& cost = g_lines[1];
    EXPECT_EQ(Prefix(g_lines[0]), Prefix(cost)) << "both lines name the same task";
    const std::string expectedHead = Prefix(cost) + Columns("ML_PLAY", "Execute Cost");
    ASSERT_EQ(expectedHead, cost.substr(0, expectedHead.size()));
    EXPECT_TRUE(std::regex_match(cost.substr(expectedHead.size()),
                                 std::regex(R"( *[0-9]+\.[0-9]{2} ms\|<&CProbe::Record>\.\n)")))
        << cost;
    EXPECT_EQ(13u, cost.substr(expectedHead.size()).find('|')) << "cost column is 13 wide";
}

TEST_F(TaskLogTest, HigherLevelsAddQueueCostAndDestroyInOrder) {
    Log(1, 2);
    KX_POST_TASK_LEVEL(3, ML_PLAY, m_probe.get(), &CProbe::Record, 1);
    RunAll();
    EXPECT_TRUE(g_lines.empty());

    KX_POST_TASK(ML_PLAY, m_probe.get(), &CProbe::Record, 2);
    RunAll();
    ASSERT_EQ(4u, g_lines.size());
    EXPECT_NE(std::string::npos, g_lines[0].find(Columns("ML_PLAY", "PostMessage")));
    EXPECT_NE(std::string::npos, g_lines[1].find(Columns("ML_PLAY", "Queue Cost")));
    EXPECT_NE(std::string::npos, g_lines[2].find(Columns("ML_PLAY", "Execute Cost")));
    EXPECT_EQ(Prefix(g_lines[3]) + Columns("ML_PLAY", "Destroy") + std::string(13, ' ') +
                  "|<&CProbe::Record>.\n",
              g_lines[3]);

    g_lines.clear();
    Log(1, 3);
    KX_POST_TASK_LEVEL(3, ML_PLAY, m_probe.get(), &CProbe::Record, 3);
    RunAll();
    EXPECT_EQ(4u, g_lines.size());
}

TEST_F(TaskLogTest, SwitchedOffRecordsAndWritesNothing) {
    Log(0, 3);
    KX_POST_TASK(ML_PLAY, m_probe.get(), &CProbe::Record, 1);
    RunAll();
    EXPECT_TRUE(g_lines.empty());

    CKXConcreteTask<int> task({}, {});
    SetTaskInfo(ML_PLAY, "f.cpp", &task, 12, "&A::B", "A::C", 3);
    EXPECT_EQ("", task.GetFile());
    EXPECT_EQ("", task.GetBoundName());
    EXPECT_EQ("", task.GetCallerName());
    EXPECT_EQ(0, task.GetLine());
    EXPECT_EQ(0, task.GetLoopId());
    EXPECT_EQ(1, task.GetLogLevel());
}

TEST_F(TaskLogTest, UnknownLoopIdsAndLongLinesAreCut) {
    Log(1, 1);
    KX_POST_TASK(7, m_probe.get(), &CProbe::Record, 1);
    ASSERT_EQ(1u, g_lines.size());
    EXPECT_NE(std::string::npos, g_lines[0].find(Columns("UNKNOWN", "PostMessage")));
    EXPECT_STREQ("UNKNOWN", GetLoopName(0));
    EXPECT_STREQ("ML_EXPORT", GetLoopName(6));

    g_lines.clear();
    const std::string longName(400, 'n');
    CKXConcreteTask<int> task({}, {});
    SetTaskInfo(ML_MAIN, "f.cpp", &task, 1, longName.c_str(), "A::B", 1);
    ASSERT_EQ(1u, g_lines.size());
    EXPECT_EQ(255u, g_lines[0].size()) << "the post line's buffer is 256 bytes";
    EXPECT_NE('\n', g_lines[0].back());

    // The other lines have 512 bytes.
    g_lines.clear();
    SetTaskLogLevel(2);
    CKXConcreteTask<int> costly({}, {});
    SetTaskInfo(ML_MAIN, "f.cpp", &costly, 1, std::string(600, 'm').c_str(), "A::B", 1);
    costly.Run();
    ASSERT_EQ(3u, g_lines.size());
    EXPECT_EQ(511u, g_lines[1].size());
}

TEST(CallerName, KeepsClassAndFunctionOfASignature) {
    EXPECT_EQ("CMainFrameEventImp::Dlg_Close", CallerNameFromSignature("void CMainFrameEventImp::Dlg_Close(int)"));
    EXPECT_EQ("CPlayManagerUILogic::StartPlayOneFile",
              CallerNameFromSignature("int CPlayManagerUILogic::StartPlayOneFile(const _QUERY_FILE_INFO&, int)"));
    EXPECT_EQ("ns::CBox<std::map<int, int> >::Run",
              CallerNameFromSignature("static boost::function<void(int)> ns::CBox<std::map<int, int> >::Run()"));
    EXPECT_EQ("main", CallerNameFromSignature("int main(int, char**)"));
    EXPECT_EQ("Already::Plain", CallerNameFromSignature("Already::Plain"));
    EXPECT_EQ("", CallerNameFromSignature(nullptr));
}
