#pragma once
// The play core's loops as the program has them: ML_MAIN on this thread's toolkit event loop (a Qt
// application on the offscreen platform, made once per test program) and ML_PLAY on a worker;
// recordings from the engine's generator; a listener that notes what reaches the UI.

#include <boost/make_shared.hpp>

#include <atomic>
#include <chrono>
#include <utility>
#include <vector>

#include "../Engine/EngineTestSupport.h"
#include "../Toolkit/ToolkitTestSupport.h"
#include "Base/LoopIds.h"
#include "Base/LoopThread.h"
#include "Base/MessageLoop.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/SystemFunctions.h"
#include "PlayManager/PlayObjectListener.h"
#include "PlayManager/YuvTables.h"

namespace TarvexTest {

class CFrameJournal : public TarvexPlay::IPlayObjectListener {
public:
    using Clock = std::chrono::steady_clock;
    std::vector<int> frames;  // the engine's frame numbers, as drawn
    std::vector<KX_SOFT_BASE::KXThreadId> threads;
    std::vector<void*> positionHandles;
    std::vector<unsigned int> positions;
    std::vector<Clock::time_point> positionTimes;
    int fileEnds = 0, refResults = 0;
    bool holdTokens = false;
    // The UI keeps both tokens together while a frame waits to be drawn elsewhere.
    std::vector<std::pair<TarvexPlay::RenderToken, TarvexPlay::CompletionToken>> held;
    TarvexPlay::ImageBuffer lastImage;
    int lastWidth = 0, lastHeight = 0;

    int OnDDRenderSubWinEx(void*, unsigned char*, int, int, int, TarvexPlay::CFrameInfo info, TarvexPlay::RenderToken token,
                           TarvexPlay::CompletionToken done) override {
        frames.push_back(info.frame);
        threads.push_back(KX_SOFT_BASE::CurrentThreadId());
        if (holdTokens) held.emplace_back(token, done);
        return 1;
    }
    int OnQTRenderSubWin(void*, int width, int height, TarvexPlay::ImageBuffer image, TarvexPlay::CompletionToken) override {
        lastImage = image;
        lastWidth = width;
        lastHeight = height;
        return 1;
    }
    void OnFileEnd(void*) override { ++fileEnds; }
    void OnFileRefFinished(void*, int) override { ++refResults; }
    void OnPlayPositionChanged(void* handle, unsigned int seconds) override {
        positionHandles.push_back(handle);
        positions.push_back(seconds);
        positionTimes.push_back(Clock::now());
    }
    void ClearPositions() {
        positionHandles.clear();
        positions.clear();
        positionTimes.clear();
    }
};

class PlayLoopsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        TarvexPlay::FillYuvTables();
        auto* manager = TarvexBase::CKXMessageLoopManager::GetInstance().get();
        m_main = TarvexBase::CreateMessageLoop(TarvexBase::MC_UI_THREAD);
        m_main->SetThreadId(KX_SOFT_BASE::CurrentThreadId());
        manager->RegisterMessageLoop(m_main, TarvexBase::ML_MAIN);
        m_play = TarvexBase::CreateLoopThread(TarvexBase::MC_WORKER);
        m_play->Start();
        manager->RegisterMessageLoop(m_play->GetLoop(), TarvexBase::ML_PLAY);
        m_listener = boost::make_shared<CFrameJournal>();
    }
    void TearDown() override {
        TarvexTest::ProcessEvents();  // tasks the objects posted on their way out
        auto* manager = TarvexBase::CKXMessageLoopManager::GetInstance().get();
        manager->RegisterMessageLoop({}, TarvexBase::ML_PLAY);
        manager->RegisterMessageLoop({}, TarvexBase::ML_MAIN);
        m_play->GetLoop()->GetControl()->Quit();
        EngineTest::TearDown();
    }

    // Runs `work` on ML_PLAY, as the play logic does, and waits for it while the UI loop runs.
    template <class Work>
    auto OnPlayLoop(Work work) -> decltype(work()) {
        using Result = decltype(work());
        auto result = boost::make_shared<Result>();
        auto done = boost::make_shared<std::atomic<bool>>(false);
        KX_POST_FUNCTION(TarvexBase::ML_PLAY, ([work, result, done]() mutable {
                             *result = work();
                             *done = true;
                         }));
        EXPECT_TRUE(PumpUntil([&] { return done->load(); }, 20000)) << "ML_PLAY did not run the work";
        return *result;
    }

    boost::shared_ptr<TarvexBase::CKXMessageLoop> m_main;
    boost::shared_ptr<TarvexBase::CKXThreadEx_Qt> m_play;
    boost::shared_ptr<CFrameJournal> m_listener;
};

}  // namespace TarvexTest
