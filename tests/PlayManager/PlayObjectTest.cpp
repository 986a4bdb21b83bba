// The play object with the real engine on generated recordings, ML_PLAY on a worker and ML_MAIN
// on this thread's toolkit event loop: frames reach the listener in order and hold the decoding
// thread, a listener that has gone blocks nothing, a stop never hangs, seeks and positions.
#include <QApplication>
#include <QTest>

#include <atomic>
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
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
    // An instrumented build may fall behind the clock, and the engine then skips to keep it.
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_LT(frames[i - 1], frames[i]);
#else
    ASSERT_EQ(50u, frames.size()) << "every frame";
    for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i - 1] + 1, frames[i]);
#endif
    for (auto id : m_listener->threads) EXPECT_EQ(KX_SOFT_BASE::CurrentThreadId(), id) << "drawn on ML_MAIN";
    EXPECT_TRUE(PumpUntil([&] { return m_listener->refResults == 1; }));

    // While the UI keeps a frame's completion token, no other frame comes.
    m_listener->frames.clear();
    m_listener->holdTokens = true;
    ASSERT_EQ(1, m_object->Seek(0.0f));
    ASSERT_EQ(1, m_object->Engine().Play(nullptr));
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->frames.empty(); }));
    QTest::qWait(300);
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
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_listener->positions.empty()) << "nothing while paused";
    m_object->Engine().Resume();
    ASSERT_TRUE(PumpUntil([&] {
        m_object->MonitorPlayTimeChange();
        return !m_listener->positions.empty();
    }));
    EXPECT_GE(m_listener->positions.back(), kStart + 3);
    // A step reports where it landed, since no tick does while paused.
    m_object->Engine().Pause();
    QCoreApplication::processEvents();
    m_listener->positions.clear();
    EXPECT_EQ(1, m_object->StepForward());
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->positions.empty(); }));
    EXPECT_EQ(m_object->Engine().GetCurrentPlayTime(), m_listener->positions.back());
    m_object->Stop();
    QCoreApplication::processEvents();  // what was posted before the stop
    m_listener->positions.clear();
    m_object->MonitorPlayTimeChange();
    QCoreApplication::processEvents();
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
    QCoreApplication::processEvents();
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
