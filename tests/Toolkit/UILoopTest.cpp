#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTest>

#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <string>
#include <thread>
#include <vector>

#include "Base/LoopIds.h"
#include "Base/MessageLoop.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "ToolkitTestSupport.h"
#include "Toolkit/UITimer.h"

using namespace TarvexBase;

namespace {

// An input event stands in for what the user does between tasks.
constexpr QEvent::Type kInput = static_cast<QEvent::Type>(QEvent::User + 1);

class Journal : public QObject, public boost::enable_shared_from_this<Journal> {
public:
    std::vector<std::string> entries;
    std::vector<KX_SOFT_BASE::KXThreadId> threads;

    void Task_Note(int n) {
        entries.push_back("task " + std::to_string(n));
        threads.push_back(KX_SOFT_BASE::CurrentThreadId());
        // Input that arrives while a task runs is handled before the next task.
        if (n == 1) QCoreApplication::postEvent(this, new QEvent(kInput));
    }
    bool event(QEvent* e) override {
        if (e->type() != kInput) return QObject::event(e);
        entries.push_back("input");
        return true;
    }
};

// The UI thread's loop registered as ML_MAIN for one test.
class UILoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_loop = CreateMessageLoop(MC_UI_THREAD);
        m_loop->SetThreadId(KX_SOFT_BASE::CurrentThreadId());
        CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(m_loop, ML_MAIN);
    }
    void TearDown() override { CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, ML_MAIN); }
    boost::shared_ptr<CKXMessageLoop> m_loop;
};

}  // namespace

TEST_F(UILoopTest, TasksFromAWorkerRunOnTheUIThreadInOrderBetweenInput) {
    auto journal = boost::make_shared<Journal>();
    std::thread worker([journal] {
        for (int n = 1; n <= 5; ++n) KX_POST_TASK(ML_MAIN, journal.get(), &Journal::Task_Note, n);
    });
    worker.join();
    EXPECT_TRUE(journal->entries.empty()) << "nothing runs until the UI thread handles its events";
    ASSERT_TRUE(TarvexTest::PumpUntil([&] { return journal->entries.size() == 6; }));
    EXPECT_EQ((std::vector<std::string>{"task 1", "input", "task 2", "task 3", "task 4", "task 5"}), journal->entries);
    for (auto id : journal->threads) EXPECT_EQ(KX_SOFT_BASE::CurrentThreadId(), id);
}

TEST_F(UILoopTest, ABurstRunsOneTaskPerEvent) {
    auto journal = boost::make_shared<Journal>();
    for (int n = 2; n <= 101; ++n) KX_POST_TASK(ML_MAIN, journal.get(), &Journal::Task_Note, n);
    // One pass over the events that are queued now runs one task: the rest wait for later passes.
    QCoreApplication::sendPostedEvents(nullptr, 0);
    EXPECT_LT(journal->entries.size(), 100u);
    ASSERT_TRUE(TarvexTest::PumpUntil([&] { return journal->entries.size() == 100; }));
    EXPECT_EQ("task 101", journal->entries.back());
}

TEST_F(UILoopTest, AnEventForALoopThatIsGoneDoesNothing) {
    auto journal = boost::make_shared<Journal>();
    KX_POST_TASK(ML_MAIN, journal.get(), &Journal::Task_Note, 7);
    CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, ML_MAIN);
    m_loop.reset();  // the loop and its control go; their event is still queued
    QCoreApplication::processEvents();
    QTest::qWait(20);
    EXPECT_TRUE(journal->entries.empty());
}

namespace {

struct TimerCount {
    int fired = 0;
    std::uintptr_t lastId = 0;
};

void OnTimer(std::uintptr_t id, void* context) {
    auto* count = static_cast<TimerCount*>(context);
    ++count->fired;
    count->lastId = id;
}

}  // namespace

TEST_F(UILoopTest, TimersFireOnTheUIThreadAndAKilledIdIsIgnored) {
    TimerCount count;
    auto timer = boost::make_shared<CKXTimer>();
    timer->handler = &OnTimer;
    timer->context = &count;
    StartUITimer(timer.get(), 20);
    const std::uintptr_t id = timer->id;
    ASSERT_NE(0u, id);
    ASSERT_TRUE(TarvexTest::PumpUntil([&] { return count.fired >= 3; }));
    EXPECT_EQ(id, count.lastId);

    KillUITimer(timer.get());
    EXPECT_EQ(0u, timer->id);
    const int fired = count.fired;
    QTest::qWait(100);
    EXPECT_EQ(fired, count.fired) << "a killed timer fires no more";
    DispatchUITimer(id);  // a firing that was already on its way
    EXPECT_EQ(fired, count.fired);

    // A second timer gets a new id: the old one never reaches it.
    StartUITimer(timer.get(), 20);
    EXPECT_NE(id, timer->id);
    DispatchUITimer(id);
    EXPECT_EQ(fired, count.fired);
    KillUITimer(timer.get());
}

TEST_F(UILoopTest, TasksPostedWhileABatchRunsAreNotStranded) {
    auto journal = boost::make_shared<Journal>();
    // Posts from a worker race the UI thread's batches; every task must still run.
    std::thread worker([journal] {
        for (int n = 2; n <= 301; ++n) {
            KX_POST_TASK(ML_MAIN, journal.get(), &Journal::Task_Note, n);
            if (n % 7 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    const bool all = TarvexTest::PumpUntil([&] { return journal->entries.size() == 300; });
    worker.join();
    ASSERT_TRUE(all || TarvexTest::PumpUntil([&] { return journal->entries.size() == 300; }));
    for (int n = 2; n <= 301; ++n) ASSERT_EQ("task " + std::to_string(n), journal->entries[n - 2]);
}
