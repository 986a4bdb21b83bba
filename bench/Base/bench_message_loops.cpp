// Task throughput and post-to-run latency through one worker loop, against a plain
// std::mutex + std::condition_variable + std::deque queue measured in the same run.
//
// Scenarios: one and four posters; the worker busy (flooded, or kept busy by a spinning task)
// and idle (blocked in its wait, or just out of work and in its 5 ms idle sleep).
#include <benchmark/benchmark.h>

#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "Base/LoopThread.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/TaskQueue.h"
#include "bench/common/RatioReporter.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBenchLoopId = 100;

std::int64_t NowNs() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count(); }

class Latch {
public:
    void Reset(int n) {
        std::lock_guard<std::mutex> l(m_mutex);
        m_count = n;
    }
    void CountDown() {
        std::lock_guard<std::mutex> l(m_mutex);
        if (--m_count <= 0) m_cv.notify_all();
    }
    void Wait() {
        std::unique_lock<std::mutex> l(m_mutex);
        m_cv.wait(l, [&] { return m_count <= 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_count = 0;
};

// What the tasks do, on the worker: count, measure latency, or spin to keep the worker busy.
// Its fields are touched by the worker only, between a Reset and the latch it counts down.
struct Sink : boost::enable_shared_from_this<Sink> {
    void Take(std::int64_t postedAt) {
        if (postedAt > 0) latencies.push_back(NowNs() - postedAt);
        if (++taken == expected) done.CountDown();
    }
    std::vector<std::int64_t> latencies;
    long taken = 0;
    long expected = 0;
    Latch done;
    std::atomic<bool> spinning{false};
};

// The system's loop: a worker loop thread, registered under an id, posted to by id.
class OurLoop {
public:
    OurLoop() : m_thread(TarvexBase::CreateLoopThread(TarvexBase::MC_WORKER)), m_sink(boost::make_shared<Sink>()) {
        m_thread->Start();
        TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(m_thread->GetLoop(), kBenchLoopId);
    }
    ~OurLoop() {
        TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, kBenchLoopId);
        m_thread->GetLoop()->GetControl()->Quit();
    }
    Sink& sink() { return *m_sink; }
    void PostTake(std::int64_t postedAt) { KX_POST_TASK(kBenchLoopId, m_sink.get(), &Sink::Take, postedAt); }
    void PostSpin() { KX_POST_TASK(kBenchLoopId, m_spinner.get(), &Spinner::Spin, this); }

private:
    // A task that spins 10 us and posts itself again while the sink says so.
    struct Spinner : boost::enable_shared_from_this<Spinner> {
        void Spin(OurLoop* loop) {
            const auto until = Clock::now() + std::chrono::microseconds(10);
            while (Clock::now() < until) {
            }
            if (loop->m_sink->spinning) loop->PostSpin();
        }
    };

    boost::shared_ptr<TarvexBase::CKXThreadEx_Qt> m_thread;
    boost::shared_ptr<Sink> m_sink;
    boost::shared_ptr<Spinner> m_spinner = boost::make_shared<Spinner>();
};

// The plain queue every loop library is measured against.
class BaselineLoop {
public:
    BaselineLoop() : m_worker([this] { Run(); }) {}
    ~BaselineLoop() {
        {
            std::lock_guard<std::mutex> l(m_mutex);
            m_stop = true;
        }
        m_cv.notify_one();
        m_worker.join();
    }
    Sink& sink() { return m_sink; }
    void PostTake(std::int64_t postedAt) { Post([this, postedAt] { m_sink.Take(postedAt); }); }
    void PostSpin() {
        Post([this] {
            const auto until = Clock::now() + std::chrono::microseconds(10);
            while (Clock::now() < until) {
            }
            if (m_sink.spinning) PostSpin();
        });
    }

private:
    void Post(std::function<void()> f) {
        {
            std::lock_guard<std::mutex> l(m_mutex);
            m_queue.push_back(std::move(f));
        }
        m_cv.notify_one();
    }
    void Run() {
        std::unique_lock<std::mutex> l(m_mutex);
        for (;;) {
            m_cv.wait(l, [&] { return m_stop || !m_queue.empty(); });
            if (m_queue.empty()) return;
            std::function<void()> f = std::move(m_queue.front());
            m_queue.pop_front();
            l.unlock();
            f();
            l.lock();
        }
    }

    Sink m_sink;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<std::function<void()>> m_queue;
    bool m_stop = false;
    std::thread m_worker;
};

template <class Loop>
void RunPosters(int posters, const std::function<void(Loop&, int)>& body, Loop& loop) {
    std::vector<std::thread> threads;
    for (int p = 0; p < posters; ++p) threads.emplace_back([&, p] { body(loop, p); });
    for (auto& t : threads) t.join();
}

void Percentiles(benchmark::State& state, std::vector<std::int64_t> v) {
    if (v.empty()) return;
    std::sort(v.begin(), v.end());
    state.counters["p50_us"] = v[v.size() / 2] / 1000.0;
    state.counters["p99_us"] = v[std::min(v.size() - 1, v.size() * 99 / 100)] / 1000.0;
}

// Worker busy: the posters flood the loop; tasks per second from the first post to the last run,
// and what one post costs the posting thread.
template <class Loop>
void Throughput(benchmark::State& state, int posters) {
    const long perPoster = 1000000 / posters;
    for (auto _ : state) {
        Loop loop;
        loop.sink().expected = perPoster * posters;
        loop.sink().done.Reset(1);
        std::atomic<std::int64_t> postNs{0};
        const auto start = Clock::now();
        RunPosters<Loop>(posters, [&](Loop& l, int) {
            const auto t0 = Clock::now();
            for (long i = 0; i < perPoster; ++i) l.PostTake(0);
            postNs += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t0).count();
        }, loop);
        loop.sink().done.Wait();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["tasks_per_s"] = loop.sink().expected / seconds;
        state.counters["post_ns"] = static_cast<double>(postNs.load()) / loop.sink().expected;
    }
}

// Worker busy: a task that spins 10 us and re-posts itself keeps the worker from ever idling;
// probes from the posters measure post-to-run latency behind it.
template <class Loop>
void LatencyBusy(benchmark::State& state, int posters) {
    constexpr int kProbes = 2000;
    for (auto _ : state) {
        Loop loop;
        loop.sink().spinning = true;
        loop.sink().expected = static_cast<long>(kProbes) * posters;
        loop.sink().done.Reset(1);
        loop.PostSpin();
        const auto start = Clock::now();
        RunPosters<Loop>(posters, [&](Loop& l, int) {
            for (int i = 0; i < kProbes; ++i) {
                l.PostTake(NowNs());
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }, loop);
        loop.sink().done.Wait();
        loop.sink().spinning = false;
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        Percentiles(state, loop.sink().latencies);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // let the spinner stop
    }
}

// Worker idle: each probe arrives after 20 ms of quiet, when the worker is blocked in its wait.
template <class Loop>
void LatencyIdle(benchmark::State& state, int posters) {
    constexpr int kProbes = 40;
    for (auto _ : state) {
        Loop loop;
        loop.sink().expected = static_cast<long>(kProbes) * posters;
        loop.sink().done.Reset(1);
        const auto start = Clock::now();
        RunPosters<Loop>(posters, [&](Loop& l, int p) {
            std::this_thread::sleep_for(std::chrono::microseconds(500 * p));
            for (int i = 0; i < kProbes; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                l.PostTake(NowNs());
            }
        }, loop);
        loop.sink().done.Wait();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        Percentiles(state, loop.sink().latencies);
    }
}

// Worker just idle: ping-pong, each probe posted the moment the previous one has run, so it
// lands while the worker is between its idle test and its wait (our 5 ms sleep).
template <class Loop>
void LatencyJustIdle(benchmark::State& state) {
    constexpr int kRounds = 200;
    for (auto _ : state) {
        Loop loop;
        const auto start = Clock::now();
        for (int i = 0; i < kRounds; ++i) {
            loop.sink().expected = loop.sink().taken + 1;
            loop.sink().done.Reset(1);
            loop.PostTake(NowNs());
            loop.sink().done.Wait();
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["round_trips_per_s"] = kRounds / seconds;
        Percentiles(state, loop.sink().latencies);
    }
}

// Where a post's time goes, one step at a time on one thread (no second core, no contention).
void StepMakeTask(benchmark::State& state) {
    auto sink = boost::make_shared<Sink>();
    for (auto _ : state) {
        auto task = boost::make_shared<TarvexBase::CKXConcreteTask<Sink>>(
            boost::function<void()>(boost::bind(&Sink::Take, sink.get(), std::int64_t(1))), sink);
        benchmark::DoNotOptimize(task);
    }
}

void StepSharedFromThis(benchmark::State& state) {
    auto sink = boost::make_shared<Sink>();
    for (auto _ : state) benchmark::DoNotOptimize(sink->shared_from_this());
}

void StepLookupLoop(benchmark::State& state) {
    auto loop = TarvexBase::CreateMessageLoop(TarvexBase::MC_UI_THREAD);
    const auto& manager = TarvexBase::CKXMessageLoopManager::GetInstance();
    manager->RegisterMessageLoop(loop, kBenchLoopId);
    for (auto _ : state) benchmark::DoNotOptimize(manager->GetMessageLoop(kBenchLoopId));
    manager->RegisterMessageLoop({}, kBenchLoopId);
}

void StepPushAndRun(benchmark::State& state) {
    TarvexBase::CKXTaskQueue queue;
    auto task = boost::make_shared<TarvexBase::CKXConcreteTask<int>>(boost::function<void()>([] {}),
                                                                   boost::shared_ptr<int>());
    for (auto _ : state) {
        queue.PushTask(task);
        queue.RunOneTask();
    }
}

void StepScheduleWork(benchmark::State& state) {
    auto loop = TarvexBase::CreateMessageLoop(TarvexBase::MC_WORKER);  // never run: its event stays set
    const auto& control = loop->GetControl();
    for (auto _ : state) control->ScheduleWork();
}

void StepWholePostAndRun(benchmark::State& state) {
    auto loop = TarvexBase::CreateMessageLoop(TarvexBase::MC_UI_THREAD);  // driven here, by hand
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop(loop, kBenchLoopId);
    auto sink = boost::make_shared<Sink>();
    for (auto _ : state) {
        KX_POST_TASK(kBenchLoopId, sink.get(), &Sink::Take, std::int64_t(0));
        loop->DoWork();
    }
    TarvexBase::CKXMessageLoopManager::GetInstance()->RegisterMessageLoop({}, kBenchLoopId);
}

void RegisterSteps() {
    benchmark::RegisterBenchmark("post_step/make_task", &StepMakeTask);
    benchmark::RegisterBenchmark("post_step/shared_from_this", &StepSharedFromThis);
    benchmark::RegisterBenchmark("post_step/lookup_loop", &StepLookupLoop);
    benchmark::RegisterBenchmark("post_step/push_and_run", &StepPushAndRun);
    benchmark::RegisterBenchmark("post_step/schedule_work", &StepScheduleWork);
    benchmark::RegisterBenchmark("post_step/whole_post_and_run_one_thread", &StepWholePostAndRun);
}

// Latencies are measured before the floods: a million freed tasks leave the allocator with a
// backlog whose later consolidation stalls some thread for milliseconds, which would show up in
// whichever latency figure came next.
template <class Loop>
void RegisterLatencies(const char* impl) {
    const std::string i(impl);
    for (int posters : {1, 4}) {
        benchmark::RegisterBenchmark(("latency_busy/" + i + "/posters:" + std::to_string(posters)).c_str(),
                                     &LatencyBusy<Loop>, posters)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("latency_idle/" + i + "/posters:" + std::to_string(posters)).c_str(),
                                     &LatencyIdle<Loop>, posters)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(("latency_just_idle/" + i + "/posters:1").c_str(), &LatencyJustIdle<Loop>)
        ->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

template <class Loop>
void RegisterThroughput(const char* impl) {
    for (int posters : {1, 4})
        benchmark::RegisterBenchmark(("throughput_busy/" + std::string(impl) + "/posters:" + std::to_string(posters)).c_str(),
                                     &Throughput<Loop>, posters)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterLatencies<OurLoop>("ours");
    RegisterLatencies<BaselineLoop>("baseline");
    RegisterSteps();
    RegisterThroughput<OurLoop>("ours");
    RegisterThroughput<BaselineLoop>("baseline");
    TarvexBench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::vector<TarvexBench::RatioReporter::Ratio> ratios;
    for (const char* posters : {"posters:1", "posters:4"}) {
        const std::string p(posters);
        ratios.push_back({"throughput, worker busy, " + p, "throughput_busy/ours/" + p + "/",
                          "throughput_busy/baseline/" + p + "/", "tasks_per_s", true});
        ratios.push_back({"post cost on the posting thread, " + p, "throughput_busy/ours/" + p + "/",
                          "throughput_busy/baseline/" + p + "/", "post_ns", false});
        for (const char* kind : {"latency_busy", "latency_idle"})
            for (const char* q : {"p50_us", "p99_us"})
                ratios.push_back({std::string(kind) + ", " + p, std::string(kind) + "/ours/" + p + "/",
                                  std::string(kind) + "/baseline/" + p + "/", q, false});
    }
    for (const char* q : {"p50_us", "p99_us"})
        ratios.push_back({"latency_just_idle (5 ms idle sleep), posters:1", "latency_just_idle/ours/posters:1/",
                          "latency_just_idle/baseline/posters:1/", q, false});
    reporter.PrintRatios(ratios);
    benchmark::Shutdown();
    return 0;
}
