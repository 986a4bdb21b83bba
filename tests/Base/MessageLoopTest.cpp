#include <gtest/gtest.h>

#include <sys/resource.h>

#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Base/LoopThread.h"
#include "Base/MessageControlDefault.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "LoopTestSupport.h"

using namespace TarvexBase;
using TarvexTest::Latch;
using TarvexTest::ScopedWorker;

namespace {

// Everything it records is touched only on the loop its tasks run on.
struct CRecorder : boost::enable_shared_from_this<CRecorder> {
    void Note(std::string what) { order.push_back(what); }
    void NoteThread(Latch* done) {
        thread = KX_SOFT_BASE::CurrentThreadId();
        done->CountDown();
    }
    void Block(Latch* started, Latch* gate) {
        order.push_back("A");
        started->CountDown();
        gate->Wait();
    }
    void PostToOwnLoop(int loopId, Latch* done) {
        order.push_back("B");
        KX_POST_TASK(loopId, this, &CRecorder::NoteAndFinish, std::string("D"), done);
        order.push_back("B-end");
    }
    void NoteAndFinish(std::string what, Latch* done) {
        order.push_back(what);
        done->CountDown();
    }
    void Hit(Latch* done) { done->CountDown(); }

    std::vector<std::string> order;
    KX_SOFT_BASE::KXThreadId thread = 0;
};

class MessageLoopTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (int id : {static_cast<int>(ML_PLAY), static_cast<int>(ML_TEST), 42})
            CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, id);
    }
    boost::shared_ptr<CRecorder> m_recorder = boost::make_shared<CRecorder>();
};

}  // namespace

TEST_F(MessageLoopTest, ALaterRegistrationReplacesTheEarlierLoop) {
    const auto& manager = CKXMessageLoopManager::GetInstance();
    auto first = CreateMessageLoop(MC_UI_THREAD);
    auto second = CreateMessageLoop(MC_UI_THREAD);
    boost::weak_ptr<CKXMessageLoop> firstAlive = first;
    manager->RegisterMessageLoop(first, ML_PLAY);
    manager->RegisterMessageLoop(second, ML_PLAY);
    EXPECT_EQ(second, manager->GetMessageLoop(ML_PLAY));
    first.reset();
    EXPECT_TRUE(firstAlive.expired()) << "the registry let go of the replaced loop";

    KX_POST_TASK(ML_PLAY, m_recorder.get(), &CRecorder::Note, std::string("x"));
    EXPECT_EQ(0, second->DoWork());
    EXPECT_EQ((std::vector<std::string>{"x"}), m_recorder->order);
}

TEST_F(MessageLoopTest, UnregisteredIdsYieldNothingAndPostsThereAreDropped) {
    const auto& manager = CKXMessageLoopManager::GetInstance();
    EXPECT_FALSE(manager->GetMessageLoop(ML_TEST));
    EXPECT_FALSE(manager->GetMessageLoop(ML_TEST)) << "the empty entry stays empty";

    KX_POST_TASK(42, m_recorder.get(), &CRecorder::Note, std::string("lost"));
    EXPECT_EQ(1, m_recorder.use_count()) << "the dropped task released its target";
    EXPECT_TRUE(m_recorder->order.empty());
}

TEST_F(MessageLoopTest, ATargetNotOwnedBySharedPointerCannotBePosted) {
    CRecorder onStack;
    EXPECT_THROW(KX_POST_TASK(ML_PLAY, &onStack, &CRecorder::Note, std::string("x")),
                 boost::bad_weak_ptr);
}

TEST_F(MessageLoopTest, StartReturnsWithTheLoopsThreadKnown) {
    ScopedWorker worker(ML_PLAY);
    EXPECT_NE(0u, worker.Loop()->GetThreadId());
    EXPECT_NE(0u, worker.Loop()->GetThreadHandle());
    Latch done(1);
    KX_POST_TASK(ML_PLAY, m_recorder.get(), &CRecorder::NoteThread, &done);
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ(worker.Loop()->GetThreadId(), m_recorder->thread);
    EXPECT_NE(KX_SOFT_BASE::CurrentThreadId(), m_recorder->thread);
}

TEST_F(MessageLoopTest, APostFromTheLoopsOwnThreadQueuesBehindTheBatch) {
    ScopedWorker worker(ML_PLAY);
    Latch started(1), gate(1), done(1);
    KX_POST_TASK(ML_PLAY, m_recorder.get(), &CRecorder::Block, &started, &gate);
    ASSERT_TRUE(started.Wait());
    // These two form the next batch; B's own post must come after C, not inside B.
    KX_POST_TASK(ML_PLAY, m_recorder.get(), &CRecorder::PostToOwnLoop, static_cast<int>(ML_PLAY), &done);
    KX_POST_TASK(ML_PLAY, m_recorder.get(), &CRecorder::Note, std::string("C"));
    gate.CountDown();
    ASSERT_TRUE(done.Wait());
    EXPECT_EQ((std::vector<std::string>{"A", "B", "B-end", "C", "D"}), m_recorder->order);
}

TEST_F(MessageLoopTest, PostsDuringTheIdleSleepAreNeverLost) {
    ScopedWorker worker(ML_PLAY);
    // Post just after the worker ran out of work, at every point of its 5 ms sleep and after it.
    for (int round = 0; round < 40; ++round) {
        Latch done(1);
        KX_POST_TASK(ML_PLAY, m_recorder.get(), &CRecorder::Hit, &done);
        ASSERT_TRUE(done.Wait(std::chrono::seconds(5))) << "wake-up lost in round " << round;
        if (round % 8) KX_SOFT_BASE::SleepMs(round % 8);
    }
}

TEST_F(MessageLoopTest, QuitEndsTheThreadWhichThenReleasesItsLoop) {
    boost::weak_ptr<CKXMessageLoop> loopAlive;
    {
        auto thread = CreateLoopThread(MC_WORKER);
        ASSERT_EQ(0, thread->Start());
        EXPECT_EQ(0, thread->Start()) << "a second Start starts nothing";
        loopAlive = thread->GetLoop();
        thread->GetLoop()->GetControl()->Quit();
    }
    for (int i = 0; i < 500 && !loopAlive.expired(); ++i) KX_SOFT_BASE::SleepMs(2);
    EXPECT_TRUE(loopAlive.expired());
}

TEST_F(MessageLoopTest, QuitFromATaskOnTheLoopEndsItsRun) {
    auto loop = CreateMessageLoop(MC_WORKER);
    CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(loop, ML_TEST);
    struct CStopper : boost::enable_shared_from_this<CStopper> {
        void Stop(CKXMessageLoop* l) { l->GetControl()->Quit(); }
    };
    auto stopper = boost::make_shared<CStopper>();
    KX_POST_TASK(ML_TEST, stopper.get(), &CStopper::Stop, loop.get());
    std::atomic<bool> returned{false};
    std::thread runner([&] {
        loop->GetControl()->Run();
        returned = true;
    });
    for (int i = 0; i < 1000 && !returned; ++i) KX_SOFT_BASE::SleepMs(2);
    EXPECT_TRUE(returned.load()) << "the loop slept through its own Quit";
    if (!returned) loop->GetControl()->Quit();
    runner.join();
}

TEST_F(MessageLoopTest, WorkerControlReturnsAtOnceWithoutItsLoop) {
    auto loop = CreateMessageLoop(MC_WORKER);
    auto control = loop->GetControl();
    loop.reset();
    control->Run();  // would block forever if it did not notice
    SUCCEED();
}

#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)
// Leaves room for a little heap but none for a new thread's stack, then starts a loop thread.
[[noreturn]] void StartWithoutRoomForAThread() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    statm >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (2 << 20);
    rlimit rl{limit, limit};
    setrlimit(RLIMIT_AS, &rl);
    auto thread = CreateLoopThread(MC_WORKER);
    std::exit(thread->Start() == -1 ? 0 : 1);
}

TEST(LoopThreadDeathTest, StartDoesNotWaitForAThreadThatCouldNotBeCreated) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(StartWithoutRoomForAThread(), ::testing::ExitedWithCode(0), "");
}
#endif

// Many threads post to one worker at once; every task must run exactly once, and each poster's
// tasks in the order it posted them.
TEST_F(MessageLoopTest, ManyPostersLoseAndRepeatNothing) {
    constexpr int kPosters = 8;
    constexpr int kPerPoster = 20000;
    struct CSink : boost::enable_shared_from_this<CSink> {
        void Take(int poster, int seq) { seen[poster].push_back(seq); }
        void Done(Latch* latch) { latch->CountDown(); }
        std::vector<int> seen[kPosters];
    };
    auto sink = boost::make_shared<CSink>();
    ScopedWorker worker(ML_PLAY);

    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([&, p] {
            for (int i = 0; i < kPerPoster; ++i) KX_POST_TASK(ML_PLAY, sink.get(), &CSink::Take, p, i);
        });
    for (auto& t : posters) t.join();
    Latch done(1);
    KX_POST_TASK(ML_PLAY, sink.get(), &CSink::Done, &done);
    ASSERT_TRUE(done.Wait(std::chrono::seconds(60)));

    for (int p = 0; p < kPosters; ++p) {
        ASSERT_EQ(static_cast<std::size_t>(kPerPoster), sink->seen[p].size()) << "poster " << p;
        for (int i = 0; i < kPerPoster; ++i) ASSERT_EQ(i, sink->seen[p][i]) << "poster " << p;
    }
}
