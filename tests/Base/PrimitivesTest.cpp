#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "Base/Event.h"
#include "Base/File.h"
#include "Base/Mutex.h"
#include "Base/SystemFunctions.h"
#include "Base/Thread.h"
#include "LoopTestSupport.h"

using namespace KX_SOFT_BASE;

namespace {

std::atomic<int> g_runs{0};

unsigned long CountRun(void* latch) {
    g_runs.fetch_add(1);
    static_cast<TarvexTest::Latch*>(latch)->CountDown();
    return 0;
}

}  // namespace

TEST(Thread, CreatingTwiceStartsOneThread) {
    g_runs = 0;
    TarvexTest::Latch latch(1);
    CKXThread thread;
    KXThreadId id = 0;
    EXPECT_EQ(1, thread.Create(0, &CountRun, &latch, 0, &id));
    EXPECT_NE(0u, id);
    EXPECT_EQ(id, thread.GetHandle());
    EXPECT_EQ(1, thread.Create(0, &CountRun, &latch, 0, nullptr));
    ASSERT_TRUE(latch.Wait());
    SleepMs(20);
    EXPECT_EQ(1, g_runs.load());
}

TEST(Thread, RefusesANullRoutine) {
    CKXThread thread;
    EXPECT_EQ(0, thread.Create(0, nullptr, nullptr));
    EXPECT_EQ(0, thread.IsCreated());
    EXPECT_EQ(0u, thread.GetHandle());
}

TEST(Event, WaitResultsFollowTheResetMode) {
    CKXEvent never;
    EXPECT_EQ(-1, never.Wait(KX_INFINITE));  // at once, not forever
    EXPECT_EQ(0, never.Set());
    EXPECT_EQ(1, never.Close());

    CKXEvent manual;
    ASSERT_EQ(1, manual.Create(1, 1));
    EXPECT_EQ(KX_WAIT_OBJECT_0, manual.Wait(0));
    EXPECT_EQ(KX_WAIT_OBJECT_0, manual.Wait(0));  // stays set
    manual.Reset();
    EXPECT_EQ(KX_WAIT_TIMEOUT, manual.Wait(10));

    CKXEvent automatic;
    ASSERT_EQ(1, automatic.Create(0, 0));
    EXPECT_EQ(KX_WAIT_TIMEOUT, automatic.Wait(0));
    EXPECT_EQ(1, automatic.Set());
    EXPECT_EQ(KX_WAIT_OBJECT_0, automatic.Wait(0));
    EXPECT_EQ(KX_WAIT_TIMEOUT, automatic.Wait(0));  // the wait consumed it

    EXPECT_EQ(1, automatic.Close());
    EXPECT_EQ(-1, automatic.Wait(0));
}

TEST(Event, SetFromAnotherThreadReleasesAnInfiniteWait) {
    CKXEvent event;
    ASSERT_EQ(1, event.Create(0, 0));
    std::thread setter([&] {
        SleepMs(20);
        event.Set();
    });
    EXPECT_EQ(KX_WAIT_OBJECT_0, event.Wait(KX_INFINITE));
    setter.join();
}

TEST(Event, CreatingAnEventAgainKeepsTheStateAWaiterIsBlockedOn) {
    CKXEvent event;
    ASSERT_EQ(1, event.Create(0, 1));
    std::atomic<int> result{-100};
    std::atomic<bool> waiting{false};
    std::thread waiter([&] {
        waiting = true;
        result = event.Wait(KX_INFINITE);
    });
    while (!waiting) std::this_thread::yield();
    SleepMs(20);  // give the waiter time to block; the result does not depend on it
    EXPECT_EQ(1, event.Create(0, 0)) << "created again, not signalled: the waiter goes on waiting";
    EXPECT_EQ(1, event.Create(1, 0)) << "created again, signalled: the waiter is woken";
    waiter.join();
    EXPECT_EQ(KX_WAIT_OBJECT_0, result.load());
    EXPECT_EQ(KX_WAIT_TIMEOUT, event.Wait(0)) << "auto-reset now: the wake-up consumed it";
}

TEST(Mutex, EarlyUnlockIsNotRepeatedAtScopeEnd) {
    CKXMutex mutex;
    mutex.Lock();  // the outer hold the scoped lock must leave in place
    {
        CKXAutoMutexLock scoped(mutex);
        scoped.Unlock();
    }
    std::atomic<bool> acquired{false};
    std::thread other([&] {
        mutex.Lock();
        acquired = true;
        mutex.Unlock();
    });
    SleepMs(30);
    EXPECT_FALSE(acquired.load()) << "the scoped lock released the outer hold too";
    mutex.Unlock();
    other.join();
    EXPECT_TRUE(acquired.load());
}

TEST(Mutex, IsRecursiveOnOneThread) {
    CKXMutex mutex;
    CKXAutoMutexLock outer(mutex);
    CKXAutoMutexLock inner(mutex);  // would deadlock on a plain mutex
    SUCCEED();
}

class FileTest : public ::testing::Test {
protected:
    TarvexTest::ScopedProgramHome m_home;
    std::string PathOf(const char* name) const { return m_home.Path() + "/" + name; }
};

TEST_F(FileTest, SizeAboveFourGigabytesComesInTwoParts) {
    const std::string path = PathOf("big \xE9\x80\x9A.rvf");  // a name with a blank and CJK
    {
        const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(0, ::ftruncate(fd, (5LL << 30) + 7));  // sparse: costs no disk
        ::close(fd);
    }
    CKXFile file;
    ASSERT_EQ(1, file.Open(path.c_str(), KX_GENERIC_READ, KX_FILE_SHARE_READ, KX_OPEN_EXISTING,
                           KX_FILE_ATTRIBUTE_NORMAL));
    std::uint32_t high = 99, low = 99;
    EXPECT_EQ(1, file.GetSizeBySeekEnd(&high, &low));
    EXPECT_EQ(1u, high);
    EXPECT_EQ((1u << 30) + 7, low);
}

TEST_F(FileTest, CreationRulesAndClosedFiles) {
    const std::string path = PathOf("clip.rvf");
    CKXFile file;
    EXPECT_EQ(0, file.Open(path.c_str(), KX_GENERIC_READ, 0, KX_OPEN_EXISTING, 0));
    std::uint32_t high = 5, low = 5;
    EXPECT_EQ(0, file.GetSizeBySeekEnd(&high, &low)) << "no file open: no size to report";
    EXPECT_EQ(0u, high);
    EXPECT_EQ(0u, low);

    EXPECT_EQ(1, file.Open(path.c_str(), KX_GENERIC_WRITE, 0, KX_CREATE_NEW, 0));
    file.Close();
    EXPECT_EQ(0, file.Open(path.c_str(), KX_GENERIC_WRITE, 0, KX_CREATE_NEW, 0));
    EXPECT_EQ(1, file.Open(path.c_str(), KX_GENERIC_READ | KX_GENERIC_WRITE, 0, KX_OPEN_ALWAYS, 0));
    EXPECT_EQ(0, file.Open(path.c_str(), KX_GENERIC_READ, 0, 42, 0)) << "unknown disposition";
}

TEST_F(FileTest, StatDeleteAndFreeSpace) {
    const std::string path = PathOf("gone.rvf");
    EXPECT_EQ(-1, FileStat(path.c_str(), nullptr));
    EXPECT_EQ(0, DeleteFileAt(path.c_str()));
    CKXFile file;
    ASSERT_EQ(1, file.Open(path.c_str(), KX_GENERIC_WRITE, 0, KX_CREATE_ALWAYS, 0));
    file.Close();
    struct stat st;
    EXPECT_EQ(0, FileStat(path.c_str(), &st));
    EXPECT_EQ(0, st.st_size);
    EXPECT_EQ(1, DeleteFileAt(path.c_str()));
    EXPECT_EQ(-1, FileStat(path.c_str(), &st));

    std::uint64_t freeBytes = 0;
    EXPECT_EQ(1, GetFreeDiskSpace(m_home.Path().c_str(), &freeBytes));
    EXPECT_GT(freeBytes, 0u);
    EXPECT_EQ(0, GetFreeDiskSpace(PathOf("no/such/folder").c_str(), &freeBytes));
}

namespace {
std::string g_opened;
int RecordOpen(const char* path) {
    g_opened = path;
    return 1;
}
}  // namespace

TEST(ShellOpen, GoesThroughTheInstalledOpenerOnly) {
    SetShellOpener(nullptr);
    EXPECT_EQ(0, OpenWithShell("/tmp"));
    SetShellOpener(&RecordOpen);
    EXPECT_EQ(1, OpenWithShell("/tmp/Picture/"));
    EXPECT_EQ("/tmp/Picture/", g_opened);
    EXPECT_EQ(0, OpenWithShell(nullptr));
    SetShellOpener(nullptr);
}
