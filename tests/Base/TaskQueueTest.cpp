#include <gtest/gtest.h>

#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <string>
#include <vector>

#include "Base/PostTask.h"
#include "Base/TaskQueue.h"

using namespace TarvexBase;

namespace {

boost::shared_ptr<CKXTask> MakeTask(boost::function<void()> f) {
    return boost::make_shared<CKXConcreteTask<int>>(std::move(f), boost::shared_ptr<int>());
}

struct CTarget : boost::enable_shared_from_this<CTarget> {
    explicit CTarget(bool* destroyed) : destroyed(destroyed) {}
    ~CTarget() { *destroyed = true; }
    void Note(std::string s) { seen += s; }
    bool* destroyed;
    std::string seen;
};

}  // namespace

TEST(TaskQueue, EmptyQueueRunsNothing) {
    CKXTaskQueue queue;
    EXPECT_EQ(0, queue.RunOneTask());
    EXPECT_TRUE(queue.IsIncomingEmpty());
}

TEST(TaskQueue, OneBatchRunsInPostingOrderAndCountsDown) {
    CKXTaskQueue queue;
    std::vector<int> order;
    for (int i = 1; i <= 3; ++i) queue.PushTask(MakeTask([&order, i] { order.push_back(i); }));
    EXPECT_FALSE(queue.IsIncomingEmpty());
    EXPECT_EQ(2, queue.RunOneTask());
    EXPECT_TRUE(queue.IsIncomingEmpty()) << "the whole batch was taken at once";
    EXPECT_EQ(1, queue.RunOneTask());
    EXPECT_EQ(0, queue.RunOneTask());
    EXPECT_EQ((std::vector<int>{1, 2, 3}), order);
    EXPECT_EQ(0, queue.RunOneTask());
}

TEST(TaskQueue, ATaskPostedWhileABatchRunsWaitsForTheNextBatch) {
    CKXTaskQueue queue;
    std::vector<std::string> order;
    queue.PushTask(MakeTask([&] {
        order.push_back("a");
        queue.PushTask(MakeTask([&] { order.push_back("inner"); }));
    }));
    queue.PushTask(MakeTask([&] { order.push_back("b"); }));
    EXPECT_EQ(1, queue.RunOneTask());
    EXPECT_EQ(0, queue.RunOneTask());  // "b" ends the first batch although "inner" waits
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), order);
    EXPECT_EQ(0, queue.RunOneTask());
    EXPECT_EQ((std::vector<std::string>{"a", "b", "inner"}), order);
}

TEST(TaskQueue, ATaskThatRunsANestedLoopRunsOnceAndEveryOtherTaskToo) {
    // A task that opens a modal dialog: the dialog's loop runs the queue from inside the task.
    CKXTaskQueue queue;
    std::vector<std::string> order;
    queue.PushTask(MakeTask([&] {
        order.push_back("modal begins");
        queue.PushTask(MakeTask([&] { order.push_back("posted meanwhile"); }));
        while (queue.RunOneTask() > 0 || !queue.IsIncomingEmpty()) {
        }
        order.push_back("modal ends");
    }));
    queue.PushTask(MakeTask([&] { order.push_back("b"); }));
    queue.PushTask(MakeTask([&] { order.push_back("c"); }));
    queue.RunOneTask();
    while (queue.RunOneTask() > 0 || !queue.IsIncomingEmpty()) {
    }
    EXPECT_EQ((std::vector<std::string>{"modal begins", "b", "c", "posted meanwhile", "modal ends"}), order);
}

TEST(TaskQueue, TasksCoOwnTheirTargetAndADeadQueueReleasesThemUnrun) {
    bool destroyed = false;
    {
        CKXTaskQueue queue;
        {
            auto target = boost::make_shared<CTarget>(&destroyed);
            auto task = boost::make_shared<CKXConcreteTask<CTarget>>(
                boost::function<void()>(boost::bind(&CTarget::Note, target.get(), std::string("x"))),
                target);
            queue.PushTask(task);
        }
        EXPECT_FALSE(destroyed) << "the queued task keeps its target alive";
    }
    EXPECT_TRUE(destroyed);
}

TEST(TaskQueue, ArgumentsAreBoundByValue) {
    bool destroyed = false;
    auto target = boost::make_shared<CTarget>(&destroyed);
    CKXTaskQueue queue;
    std::string text = "before";
    queue.PushTask(boost::make_shared<CKXConcreteTask<CTarget>>(
        boost::function<void()>(boost::bind(&CTarget::Note, target.get(), text)), target));
    text = "after";
    queue.RunOneTask();
    EXPECT_EQ("before", target->seen);
}
