// The play manager with the real engine, driven on ML_PLAY as the play logic drives it, its timer
// on the toolkit's UI loop: handles it never issued, positions on the tick only while playing, the
// group's time only while the files play in sync, clips of both kinds, and a redraw that waits for
// the frame in flight.

#include <chrono>
#include <filesystem>
#include <map>

#include "../Engine/FrameLog.h"
#include "PlayManager/PlayManager.h"
#include "PlayTestSupport.h"

using namespace TarvexPlay;
using TarvexTest::PumpUntil;

namespace {

class PlayManagerTest : public TarvexTest::PlayLoopsTest {
protected:
    void SetUp() override {
        PlayLoopsTest::SetUp();
        m_manager = CPlayManager::Create();  // here, on the UI thread, where its timer lives
    }
    void TearDown() override {
        // As in the program, the last holder may be a task on ML_PLAY: the timer's kill then
        // travels to the UI thread.
        if (m_manager) {
            auto manager = m_manager;
            m_manager.reset();
            OnPlayLoop([manager]() mutable {
                manager.reset();
                return 0;
            });
            TarvexTest::PumpFor(700);  // the kill runs, and a firing after it must find nothing
        }
        PlayLoopsTest::TearDown();
    }

    // Opens a file as the play logic does; its handle, or null.
    void* OpenFile(const std::string& path) {
        auto manager = m_manager;
        boost::weak_ptr<IPlayObjectListener> listener = m_listener;
        return OnPlayLoop([manager, listener, path]() -> void* {
            void* handle = manager->CreatePlayObject();
            manager->SetPlayObjectListener(handle, listener);
            if (!manager->Open(handle, path.c_str())) {
                manager->DestroyPlayObject(handle);
                return nullptr;
            }
            if (!manager->Play(handle)) {
                manager->Close(handle);
                manager->DestroyPlayObject(handle);
                return nullptr;
            }
            manager->SetSpeed(handle, 1);
            return handle;
        });
    }
    // Runs one call of the manager on ML_PLAY.
    template <class Call>
    auto Do(Call call) {
        auto manager = m_manager;
        return OnPlayLoop([manager, call] { return call(*manager); });
    }
    std::string Recording(double seconds = 6) {
        MOVRA::SynthOptions o;
        o.seconds = seconds;
        return Synth(o);
    }

    boost::shared_ptr<CPlayManager> m_manager;
};

}  // namespace

TEST_F(PlayManagerTest, EveryOperationOnAHandleItNeverIssuedReturnsZero) {
    const std::string path = Recording(2);
    void* live = OpenFile(path);
    ASSERT_NE(nullptr, live);
    int stranger = 0;
    auto manager = m_manager;
    void* gone = OnPlayLoop([manager] {
        void* h = manager->CreatePlayObject();
        manager->DestroyPlayObject(h);
        return h;
    });
    void* group = OnPlayLoop([manager] { return manager->GroupPlay_Create(); });
    for (void* h : {static_cast<void*>(&stranger), gone, static_cast<void*>(nullptr), group}) {
        const int total = OnPlayLoop([manager, h, path] {
            MOVRA::MEDIA_INFO info;
            unsigned int length = 0;
            unsigned char byte = 0;
            char name[] = "/nonexistent/x.jpg";
            int sum = manager->DestroyPlayObject(h) + manager->SetPlayObjectListener(h, {}) +
                      manager->Open(h, path.c_str()) + manager->Play(h) + manager->Stop(h) + manager->Close(h) +
                      manager->Pause(h) + manager->Resume(h) + manager->SetSpeed(h, 2) + manager->OpenAudio(h) +
                      manager->CloseAudio(h) + manager->PlayForward(h) + manager->PlayBackward(h) +
                      manager->GetMediaInfo(h, &info) + static_cast<int>(manager->GetFileStartTime(h)) +
                      static_cast<int>(manager->GetFileEndTime(h)) + manager->AdjustWaveAudio(h, 50) +
                      manager->SnapPicture(h, name, MOVRA::MV_IMAGE_JPEG) + manager->SetRefValue(h, &byte, 1) +
                      manager->GetRefValue(h, nullptr, &length) + manager->ChooseSoundChannel(h, 1) +
                      manager->Seek(h, kStart + 1) + manager->Seek(h, 50.0f) + manager->StepForward(h) +
                      manager->StepBackward(h) + manager->StartDataRecord(h, "/tmp/x.avi", 1) +
                      manager->StopDataRecord(h) + manager->RenderLastFrame(h);
            return sum;
        });
        EXPECT_EQ(0, total) << "handle " << h;
    }
    // Group operations know only the groups they made, and add only play objects.
    const int groupTotal = OnPlayLoop([manager, live, &stranger] {
        void* g = &stranger;
        return manager->GroupPlay_Open(g) + manager->GroupPlay_AddToPlayGroup(g, live) +
               manager->GroupPlay_DelFromPlayGroup(g, live) + manager->GroupPlay_PlayForward(g) +
               manager->GroupPlay_PlayBackward(g) + manager->GroupPlay_SetPlaySpeed(g, 2) + manager->GroupPlay_Pause(g) +
               manager->GroupPlay_Resume(g) + manager->GroupPlay_Seek(g, kStart + 1) + manager->GroupPlay_Close(g);
    });
    EXPECT_EQ(0, groupTotal);
    EXPECT_EQ(0, OnPlayLoop([manager, group, gone] { return manager->GroupPlay_AddToPlayGroup(group, gone); }));
    // And the live file was touched by none of it.
    EXPECT_EQ(kStart, Do([live](CPlayManager& m) { return m.GetFileStartTime(live); }));
    EXPECT_EQ(1, Do([live](CPlayManager& m) { return m.Stop(live); }));
}

TEST_F(PlayManagerTest, PositionsComeWithTheTickOnlyWhilePlaying) {
    void* handle = OpenFile(Recording(8));
    ASSERT_NE(nullptr, handle);
    // The wait can overrun on a loaded machine, so the bound follows the time that passed.
    m_listener->ClearPositions();  // those that came while the file opened
    const auto waitStart = std::chrono::steady_clock::now();
    TarvexTest::PumpFor(1600);
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - waitStart).count();
    const auto& positions = m_listener->positions;
    // A position per 300 ms tick: periodic, not one per frame (25 a second).
    EXPECT_GE(positions.size(), 3u);
    EXPECT_LE(positions.size(), static_cast<std::size_t>(waited / 300 + 2)) << "after " << waited << " ms";
    for (std::size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(handle, m_listener->positionHandles[i]);
        EXPECT_GE(positions[i], kStart);
        EXPECT_LE(positions[i], kStart + 8);
        if (i) {
            EXPECT_GE(positions[i], positions[i - 1]);
        }
    }

    ASSERT_EQ(1, Do([handle](CPlayManager& m) { return m.Pause(handle); }));
    TarvexTest::PumpFor(100);  // a position already on its way
    m_listener->ClearPositions();
    TarvexTest::PumpFor(800);
    EXPECT_TRUE(positions.empty()) << "nothing while paused";

    ASSERT_EQ(1, Do([handle](CPlayManager& m) { return m.Resume(handle); }));
    EXPECT_TRUE(PumpUntil([&] { return !positions.empty(); }, 5000)) << "ticks again once resumed";
    ASSERT_EQ(1, Do([handle](CPlayManager& m) { return m.Stop(handle); }));
    TarvexTest::PumpFor(100);
    m_listener->ClearPositions();
    TarvexTest::PumpFor(800);
    EXPECT_TRUE(positions.empty()) << "nothing once stopped";
    EXPECT_EQ(1, Do([handle](CPlayManager& m) { return m.Close(handle) + m.DestroyPlayObject(handle) - 1; }));
}

TEST_F(PlayManagerTest, TheGroupsTimeIsReportedOnlyWhileTheFilesPlayInSync) {
    MOVRA::SynthOptions o;
    o.seconds = 8;
    o.channels = 2;
    std::vector<std::string> files;
    std::string error;
    ASSERT_TRUE(MOVRA::WriteSynthRecordings(m_dir, (o.start = kStart, o), &files, &error)) << error;
    ASSERT_EQ(2u, files.size());
    void* a = OpenFile(files[0]);
    void* b = OpenFile(files[1]);
    ASSERT_TRUE(a && b);
    boost::weak_ptr<IPlayObjectListener> listener = m_listener;
    void* group = Do([a, b, listener](CPlayManager& m) {
        void* g = m.GroupPlay_Create();
        m.GroupPlay_SetListener(listener);
        m.GroupPlay_Open(g);
        m.GroupPlay_AddToPlayGroup(g, a);
        m.GroupPlay_AddToPlayGroup(g, b);
        m.GroupPlay_SetPlaySpeed(g, 1);
        return g;
    });
    ASSERT_NE(nullptr, group);
    auto groupPositions = [&] {
        return std::count(m_listener->positionHandles.begin(), m_listener->positionHandles.end(), nullptr);
    };
    TarvexTest::PumpFor(900);
    EXPECT_EQ(0, groupPositions()) << "the flag is still 0";

    Do([](CPlayManager& m) {
        m.SetGroupPlayFlag(1);
        return 0;
    });
    ASSERT_TRUE(PumpUntil([&] { return groupPositions() >= 2; }, 5000));
    for (std::size_t i = 0; i < m_listener->positions.size(); ++i) {
        if (m_listener->positionHandles[i]) continue;
        EXPECT_GE(m_listener->positions[i], kStart);
        EXPECT_LE(m_listener->positions[i], kStart + 8);
    }
    // Sync off, as the play logic ends it: no more group positions.
    Do([group, a, b](CPlayManager& m) {
        m.SetGroupPlayFlag(0);
        return m.GroupPlay_DelFromPlayGroup(group, a) + m.GroupPlay_DelFromPlayGroup(group, b) + m.GroupPlay_Close(group);
    });
    TarvexTest::PumpFor(100);
    m_listener->ClearPositions();
    TarvexTest::PumpFor(700);
    EXPECT_EQ(0, groupPositions());
    EXPECT_FALSE(m_listener->positions.empty()) << "the files' own positions go on";
}

TEST_F(PlayManagerTest, ClipsOfBothKindsAreWrittenFromThePlayingFile) {
    void* handle = OpenFile(Recording(8));
    ASSERT_NE(nullptr, handle);
    ASSERT_TRUE(PumpUntil([&] { return m_listener->refResults > 0 && m_listener->frames.size() > 10; }));
    const std::string avi = m_dir + "/20240315100000[CH01]A.avi";
    const std::string native = m_dir + "/20240315100000[CH01]A.rvf";
    EXPECT_EQ(0, Do([](CPlayManager& m) { return m.StopDataRecord(nullptr); }));
    EXPECT_EQ(0, Do([handle](CPlayManager& m) { return m.StopDataRecord(handle); })) << "no clip runs";
    EXPECT_EQ(0, Do([handle](CPlayManager& m) { return m.StartDataRecord(handle, "/tmp/x", 7); })) << "no such kind";
    EXPECT_EQ(0, Do([handle](CPlayManager& m) { return m.StopDataRecord(handle); }));

    // Each clip holds what was on screen when it began: from the keyframe at or before it.
    std::map<std::string, int> onScreen;
    for (const auto& [clip, type] : {std::pair<std::string, int>{avi, 1}, {native, 0}}) {
        TarvexTest::ProcessEvents();
        onScreen[clip] = m_listener->frames.back();
        ASSERT_EQ(1, Do([handle, clip = clip, type = type](CPlayManager& m) { return m.StartDataRecord(handle, clip.c_str(), type); }));
        TarvexTest::PumpFor(1500);
        ASSERT_EQ(1, Do([handle](CPlayManager& m) { return m.StopDataRecord(handle); })) << clip << " was completed";
    }
    for (const std::string& clip : {avi, native}) {
        const std::vector<int> frames = TarvexTest::PlayedFrames(clip);
        ASSERT_GE(frames.size(), 30u) << clip << ": 1.5 s and what came before it since its keyframe";
        EXPECT_EQ(0, frames.front() % 25) << clip << " begins at a keyframe";
        // A frame or two may pass between the look at the screen and the start.
        EXPECT_LE(frames.front(), onScreen[clip] + 2) << clip;
        EXPECT_GT(frames.front(), onScreen[clip] - 25) << clip;
        for (std::size_t i = 1; i < frames.size(); ++i) ASSERT_EQ(frames[i - 1] + 1, frames[i]) << clip;
    }
    // An existing clip is never overwritten.
    const auto size = std::filesystem::file_size(avi);
    EXPECT_EQ(0, Do([handle, avi](CPlayManager& m) { return m.StartDataRecord(handle, avi.c_str(), 1); }));
    EXPECT_EQ(size, std::filesystem::file_size(avi));
}

TEST_F(PlayManagerTest, ARedrawWaitsForTheFrameInFlight) {
    m_listener->holdTokens = true;
    void* handle = OpenFile(Recording(4));
    ASSERT_NE(nullptr, handle);
    ASSERT_TRUE(PumpUntil([&] { return !m_listener->held.empty(); }));
    EXPECT_EQ(0, Do([handle](CPlayManager& m) { return m.RenderLastFrame(handle); })) << "the UI still holds a frame";
    m_listener->holdTokens = false;
    m_listener->held.clear();  // drawn: the decoding thread goes on
    ASSERT_EQ(1, Do([handle](CPlayManager& m) { return m.Pause(handle); }));
    TarvexTest::PumpFor(200);
    const std::size_t before = m_listener->frames.size();
    EXPECT_EQ(1, Do([handle](CPlayManager& m) { return m.RenderLastFrame(handle); }));
    EXPECT_TRUE(PumpUntil([&] { return m_listener->frames.size() > before; })) << "the picture comes again";
    EXPECT_EQ(1, Do([handle](CPlayManager& m) { return m.Stop(handle); }));
}
