#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTest>

#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Base/LoopIds.h"
#include "Base/MessageLoop.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "ToolkitTestSupport.h"
#include "Toolkit/Dialog.h"
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

TEST_F(UILoopTest, ATimerStartedOffTheUIThreadIsRefusedAndItsPostedStartRuns) {
    TimerCount count;
    auto timer = boost::make_shared<CKXTimer>();
    timer->handler = &OnTimer;
    timer->context = &count;
    int started = -1;
    std::thread worker([&] { started = StartUITimer(timer.get(), 20); });
    worker.join();
    EXPECT_EQ(0, started);
    EXPECT_EQ(0u, timer->id) << "the registry belongs to the UI thread";

    // What a caller on another thread does instead: post the start.
    std::thread poster([timer] { KX_POST_FUNCTION(ML_MAIN, [timer] { StartUITimer(timer.get(), 20); }); });
    poster.join();
    ASSERT_TRUE(TarvexTest::PumpUntil([&] { return count.fired >= 2; }));
    std::thread killer([&] { KillUITimer(timer.get()); });
    killer.join();
    EXPECT_NE(0u, timer->id) << "a kill off the UI thread does nothing";
    KillUITimer(timer.get());
    EXPECT_EQ(0u, timer->id);
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

namespace {

// A task that opens a modal dialog, as a reply task showing a message box does.
class ModalJournal : public boost::enable_shared_from_this<ModalJournal> {
public:
    std::vector<std::string> entries;
    CKXDialog* dialog = nullptr;
    int modalResult = -100;

    void Task_Modal() {
        entries.push_back("modal opens");
        // A worker posts while the dialog runs, as the play loop's replies and the tick do.
        std::thread worker([self = shared_from_this()] {
            KX_POST_TASK(ML_MAIN, self.get(), &ModalJournal::Task_Note, std::string("posted meanwhile"));
            KX_POST_TASK(ML_MAIN, self.get(), &ModalJournal::Task_Close);
        });
        worker.join();
        modalResult = dialog->DoModal();
        entries.push_back("modal closed");
    }
    void Task_Note(std::string what) { entries.push_back(what); }
    void Task_Close() {
        entries.push_back("close");
        dialog->EndDialog(7);
    }
};

}  // namespace

TEST_F(UILoopTest, ATaskRunningAModalDialogRunsOnceAndTheTasksBehindItRunInOrder) {
    TarvexTest::CJournalSink sink;
    std::unique_ptr<CKXDialog> dialog(CKXUIFactory::CreateUIDialog(&sink));
    dialog->Create(L"Question", 0, CKXRect(0, 0, 200, 100), nullptr, 0);
    auto journal = boost::make_shared<ModalJournal>();
    journal->dialog = dialog.get();
    // One batch: the modal task, then two tasks queued behind it before it runs.
    KX_POST_TASK(ML_MAIN, journal.get(), &ModalJournal::Task_Modal);
    KX_POST_TASK(ML_MAIN, journal.get(), &ModalJournal::Task_Note, std::string("queued behind 1"));
    KX_POST_TASK(ML_MAIN, journal.get(), &ModalJournal::Task_Note, std::string("queued behind 2"));
    ASSERT_TRUE(TarvexTest::PumpUntil([&] { return !journal->entries.empty() && journal->entries.back() == "modal closed"; }));
    QTest::qWait(50);  // anything run twice would show now
    QCoreApplication::processEvents();
    EXPECT_EQ((std::vector<std::string>{"modal opens", "queued behind 1", "queued behind 2", "posted meanwhile", "close",
                                        "modal closed"}),
              journal->entries);
    EXPECT_EQ(7, journal->modalResult);
}
