// The play object with the real engine on generated recordings, ML_PLAY on a worker and ML_MAIN
// on this thread's toolkit event loop: frames reach the listener in order and hold the decoding
// thread, a listener that has gone blocks nothing, a stop never hangs, seeks and positions.

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "PlayManager/PlayObject.h"
#include "PlayTestSupport.h"

using namespace TarvexPlay;
using TarvexTest::PumpUntil;

namespace {

class PlayObjectTest : public TarvexTest::PlayLoopsTest {
protected:
    void TearDown() override {
        m_object.reset();
        PlayLoopsTest::TearDown();
    }
    void OpenAndPlay(double seconds = 2) {
        MOVRA::SynthOptions o;
        o.seconds = seconds;
        m_object = CPlayObject::Create();
        if (m_listener) m_object->SetListener(m_listener);
        ASSERT_EQ(1, m_object->Open(Synth(o)));
        ASSERT_EQ(1, m_object->Engine().Play(nullptr));
    }

    boost::shared_ptr<CPlayObject> m_object;
};

}  // namespace

TEST_F(PlayObjectTest, FramesReachTheListenerInOrderAndHoldTheDecodingThread) {
    OpenAndPlay(2);
    ASSERT_TRUE(PumpUntil([&] { return m_listener->fileEnds == 1; }, 20000));
    const auto& frames = m_listener->frames;
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(49, frames.back()) << "up to the last frame of two seconds at 25 fps";
    // A loaded machine falls behind the clock, and the engine then skips frames to keep it: the
    // order is what counts.
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_LT(frames[i - 1], frames[i]);
    for (auto id : m_listener->threads) EXPECT_EQ(KX_SOFT_BASE::CurrentThreadId(), id) << "drawn on ML_MAIN";
    EXPECT_TRUE(PumpUntil([&] { return m_listener->refResults == 1; }));

    // While the UI keeps a frame's completion token, no other frame comes.
    m_listener->frames.clear();
    m_listener->holdTokens = true;
    ASSERT_EQ(1, m_object->Seek(0.0f));
    ASSERT_EQ(1, m_object->Engine().Play(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->frames.empty(); }));
    TarvexTest::PumpFor(300);
    EXPECT_EQ(1u, m_listener->frames.size()) << "the decoding thread waits for the frame on screen";
    m_listener->holdTokens = false;
    m_listener->held.clear();
    ASSERT_TRUE(PumpUntil([&] { return m_listener->frames.size() > 3; }));
}

TEST_F(PlayObjectTest, AStopReleasesTheDecodingThreadWhateverTheUIDoes) {
    m_listener->holdTokens = true;
    OpenAndPlay(4);
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->frames.empty(); }));
    // The UI holds the frame and stops pumping: the stop must not wait for it.
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(1, m_object->Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5));
    EXPECT_EQ(1, m_object->Close());
}

TEST_F(PlayObjectTest, AListenerThatHasGoneGetsNothingAndBlocksNothing) {
    m_listener.reset();  // before any frame: the object holds it weakly
    OpenAndPlay(1);
    // Nothing is pumped here: a decoding thread waiting for the UI would stop at the first frame.
    auto lastShown = [&] {
        int frame = -1, returned = 0;
        m_object->Engine().QueryInfo(MOVRA::MV_QUERY_FRAME_NUMBER, &frame, sizeof(frame), &returned);
        return frame;
    };
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (lastShown() < 24 && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(24, lastShown()) << "played to its last frame with nobody to draw for";
    EXPECT_EQ(1, m_object->Stop());
}

TEST_F(PlayObjectTest, SeeksKeepThePreSeekTimeAndPositionsComeOnlyWhilePlaying) {
    OpenAndPlay(4);
    ASSERT_TRUE(PumpUntil([&] { return m_listener->frames.size() > 5; }));
    EXPECT_EQ(0, m_object->Seek(kStart + 100)) << "outside the file";
    EXPECT_EQ(0u, m_object->PreSeekTime());
    const unsigned int now = m_object->Engine().GetCurrentPlayTime();
    ASSERT_EQ(1, m_object->Seek(kStart + 3));
    EXPECT_EQ(now, m_object->PreSeekTime());

    m_object->Engine().Pause();
    m_object->MonitorPlayTimeChange();
    TarvexTest::ProcessEvents();
    EXPECT_TRUE(m_listener->positions.empty()) << "nothing while paused";
    m_object->Engine().Resume();
    ASSERT_TRUE(PumpUntil([&] {
        m_object->MonitorPlayTimeChange();
        return !m_listener->positions.empty();
    }));
    EXPECT_GE(m_listener->positions.back(), kStart + 3);
    // A step reports where it landed, since no tick does while paused.
    m_object->Engine().Pause();
    TarvexTest::ProcessEvents();
    m_listener->positions.clear();
    EXPECT_EQ(1, m_object->StepForward());
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->positions.empty(); }));
    EXPECT_EQ(m_object->Engine().GetCurrentPlayTime(), m_listener->positions.back());
    m_object->Stop();
    TarvexTest::ProcessEvents();  // what was posted before the stop
    m_listener->positions.clear();
    m_object->MonitorPlayTimeChange();
    TarvexTest::ProcessEvents();
    EXPECT_TRUE(m_listener->positions.empty()) << "nothing once stopped";
}

TEST_F(PlayObjectTest, OnlyCompleteFramesAreDrawnAndPlanarOnesAreConverted) {
    m_object = CPlayObject::Create();
    m_object->SetListener(m_listener);
    std::vector<unsigned char> frame(4 * 2 + 2 * 2 * 1, 0);
    for (int i = 0; i < 8; ++i) frame[i] = 235;  // white luma
    for (std::size_t i = 8; i < frame.size(); ++i) frame[i] = 128;
    MOVRA::MV_FRAME_RECORD record;
    record.width = 4;
    record.height = 2;
    record.type = 2;
    m_object->OnFrameVisible(static_cast<int>(frame.size()), MOVRA::MV_FRAME_PLANAR, frame.data(), nullptr, &record);
    TarvexTest::ProcessEvents();
    EXPECT_EQ(nullptr, m_listener->lastImage) << "a record whose fourth int is not 3 is not drawn";

    record.type = 3;
    std::atomic<bool> returned{false};
    std::thread engine([&] {
        m_object->OnFrameVisible(static_cast<int>(frame.size()), MOVRA::MV_FRAME_PLANAR, frame.data(), nullptr, &record);
        returned = true;
    });
    // The decoding thread goes on once the UI is done with the frame's task.
    ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
    engine.join();
    EXPECT_EQ(4, m_listener->lastWidth);
    EXPECT_EQ(2, m_listener->lastHeight);
    ASSERT_EQ(32u, m_listener->lastImage->size()) << "the buffer follows the frame's size";
    EXPECT_EQ(254, (*m_listener->lastImage)[0]);
    EXPECT_EQ(255, (*m_listener->lastImage)[3]);
}

TEST_F(PlayObjectTest, AStepReportsThePositionOfTheFrameItShows) {
    OpenAndPlay(4);
    ASSERT_TRUE(PumpUntil([&] { return m_listener->refResults == 1; }));
    ASSERT_EQ(1, m_object->Engine().Pause());
    // Frame 49 is the last of the second second; the step forward crosses into the third.
    ASSERT_EQ(1, m_object->Seek(49.0f));
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->frames.empty() && m_listener->frames.back() == 49; }));
    TarvexTest::ProcessEvents();
    m_listener->ClearPositions();
    ASSERT_EQ(1, m_object->StepForward());
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->positions.empty(); }));
    EXPECT_EQ(50, m_listener->frames.back());
    EXPECT_EQ(kStart + 2, m_listener->positions.back()) << "the stepped frame's second, not the one before the step";
    m_listener->ClearPositions();
    ASSERT_EQ(1, m_object->StepBackward());
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->positions.empty(); }));
    EXPECT_EQ(49, m_listener->frames.back());
    EXPECT_EQ(kStart + 1, m_listener->positions.back());
}

TEST_F(PlayObjectTest, AnObjectReleasedWhileItsEngineIsStillBusyEndsQuietly) {
    // The index thread may call back while the object is going: nothing may throw on an engine
    // thread (that would end the program).
    MOVRA::SynthOptions o;
    o.seconds = 2;
    const std::string path = Synth(o);
    for (int round = 0; round < 30; ++round) {
        auto object = CPlayObject::Create();
        object->SetListener(m_listener);
        ASSERT_EQ(1, object->Open(path));
        if (round % 2) object->Engine().Play(nullptr);
        object.reset();
        TarvexTest::ProcessEvents();
    }
}

namespace {

// A UI that reads the engine's frame for a while, as a slow draw does, while the play loop stops
// the file.
class CSlowReader : public TarvexTest::CFrameJournal {
public:
    std::function<void()> whileReading, afterReading;
    bool began = false, allowedAfterStop = true;
    long long sum = 0;
    int OnDDRenderSubWinEx(void* h, unsigned char* frame, int width, int height, int ivs, TarvexPlay::CFrameInfo info,
                           TarvexPlay::RenderToken token, TarvexPlay::CompletionToken done) override {
        if (whileReading && !began && BeginFrameRead(token)) {
            began = true;
            whileReading();
            const std::size_t bytes = static_cast<std::size_t>(width) * height * 3 / 2;
            for (std::size_t i = 0; i < bytes; ++i) sum += frame[i];  // freed memory would be caught here
            EndFrameRead(token);
            if (afterReading) afterReading();
            allowedAfterStop = BeginFrameRead(token);
            if (allowedAfterStop) EndFrameRead(token);
        }
        return CFrameJournal::OnDDRenderSubWinEx(h, frame, width, height, ivs, info, token, done);
    }
};

}  // namespace

TEST_F(PlayObjectTest, AStopWaitsForAReadOfTheFrameUnderWay) {
    auto reader = boost::make_shared<CSlowReader>();
    m_listener = reader;
    OpenAndPlay(4);
    std::atomic<bool> stopReturned{false};
    std::thread stopper;
    bool returnedWhileReading = true;
    reader->whileReading = [&] {
        stopper = std::thread([&] {
            m_object->Stop();
            stopReturned = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));  // room for a stop that would not wait
        returnedWhileReading = stopReturned.load();
    };
    reader->afterReading = [&] { stopper.join(); };  // the stop goes on once the read is done
    ASSERT_TRUE(PumpUntil([&] { return reader->began; }));
    EXPECT_FALSE(returnedWhileReading) << "the stop waited until the read was done";
    EXPECT_TRUE(stopReturned.load());
    EXPECT_FALSE(reader->allowedAfterStop) << "once stopped, the frame is not read any more";
    EXPECT_GT(reader->sum, 0);
}

TEST_F(PlayObjectTest, OneClipAtATimeOfEitherKind) {
    OpenAndPlay(6);
    ASSERT_TRUE(PumpUntil([&] { return m_listener->frames.size() > 5; }));
    const std::string native = m_dir + "/first.rvf", avi = m_dir + "/second.avi", other = m_dir + "/third.rvf";
    ASSERT_EQ(1, m_object->StartDataRecord(native.c_str(), 0));
    EXPECT_EQ(0, m_object->StartDataRecord(avi.c_str(), 1)) << "the native clip keeps running";
    EXPECT_EQ(0, m_object->StartDataRecord(other.c_str(), 0));
    ASSERT_TRUE(PumpUntil([&] { return m_listener->frames.size() > 20; }));
    EXPECT_EQ(1, m_object->StopDataRecord());
    EXPECT_TRUE(std::filesystem::exists(native));
    EXPECT_FALSE(std::filesystem::exists(avi));

    const std::string firstAvi = m_dir + "/fourth.avi";
    ASSERT_EQ(1, m_object->StartDataRecord(firstAvi.c_str(), 1));
    EXPECT_EQ(0, m_object->StartDataRecord(other.c_str(), 0)) << "the AVI clip keeps running";
    EXPECT_EQ(0, m_object->StartDataRecord(avi.c_str(), 1));
    const std::size_t shown = m_listener->frames.size();
    ASSERT_TRUE(PumpUntil([&] { return m_listener->frames.size() > shown + 30; }));
    EXPECT_EQ(1, m_object->StopDataRecord()) << "completed with its index";
    EXPECT_FALSE(std::filesystem::exists(other));
    EXPECT_GT(std::filesystem::file_size(firstAvi), 0u);
    EXPECT_EQ(0, m_object->StopDataRecord()) << "nothing runs any more";
}

TEST_F(PlayObjectTest, APlanarFrameOfANewSizeGetsABufferOfItsSizeWhateverTheEngineShows) {
    OpenAndPlay(4);  // the engine shows its own 320 x 240 frames meanwhile
    ASSERT_TRUE(PumpUntil([&] { return m_listener->frames.size() > 2; }));
    auto planar = [&](int width, int height) {
        std::vector<unsigned char> frame(static_cast<std::size_t>(width) * height * 3 / 2, 128);
        MOVRA::MV_FRAME_RECORD record;
        record.width = width;
        record.height = height;
        std::atomic<bool> returned{false};
        std::thread engine([&] {
            m_object->OnFrameVisible(static_cast<int>(frame.size()), MOVRA::MV_FRAME_PLANAR, frame.data(), nullptr, &record);
            returned = true;
        });
        EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
        engine.join();
    };
    planar(100, 100);
    ASSERT_EQ(40000u, m_listener->lastImage->size());
    // The engine rewrites its frame size with every frame it shows.
    const std::size_t shown = m_listener->frames.size();
    ASSERT_TRUE(PumpUntil([&] { return m_listener->frames.size() > shown + 1; }));
    m_listener->lastImage.reset();
    planar(320, 240);
    ASSERT_NE(nullptr, m_listener->lastImage) << "drawn";
    EXPECT_EQ(320u * 240 * 4, m_listener->lastImage->size());
    EXPECT_EQ(320, m_listener->lastWidth);
}
