#pragma once
// The logic of the main frame and the play windows as the program runs it: ML_MAIN on this
// thread's toolkit loop (offscreen), ML_HELPER and ML_PLAY on workers, the real catalogue, engine
// and video window; the panels around them are doubles of their faces that write down what the
// logic asks of them.
#include <boost/enable_shared_from_this.hpp>
#include <boost/make_shared.hpp>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../Engine/EngineTestSupport.h"
#include "../Toolkit/ToolkitTestSupport.h"
#include "Base/LoopIds.h"
#include "Base/LoopThread.h"
#include "Base/MessageLoop.h"
#include "Base/MessageLoopManager.h"
#include "Base/PostTask.h"
#include "Base/StreamConvert.h"
#include "Base/SystemFunctions.h"
#include "Main/MainFrame_UILogic.h"
#include "Main/MainPlayListener.h"
#include "Main/PanelFaces.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/UserMessages.h"
#include "OpeningHold.h"
#include "PanelDoubles.h"
#include "PlayManager/YuvTables.h"
#include "Toolkit/Dialog.h"
#include "Toolkit/VideoWindow.h"

namespace TarvexTest {

constexpr std::int32_t kDay = 1710460800;  // 2024-03-15 00:00:00 UTC, the generated recordings' day

// Generated recordings: `channels` channels of `files` files of `seconds` each.
inline MOVRA::SynthOptions Channels(int channels, int files, double seconds = 1) {
    MOVRA::SynthOptions o;
    o.channels = channels;
    o.files = files;
    o.seconds = seconds;
    return o;
}

// The three loops, a program folder of the test's own (for index files) and the panels.
class MainLogicTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        m_home = m_dir + "/home/";
        std::filesystem::create_directories(m_home + "Index");
        setenv("TARVEX_HOME", m_home.c_str(), 1);
        TarvexPlay::FillYuvTables();
        auto* manager = TarvexBase::CKXMessageLoopManager::GetInstance().get();
        m_main = TarvexBase::CreateMessageLoop(TarvexBase::MC_UI_THREAD);
        m_main->SetThreadId(KX_SOFT_BASE::CurrentThreadId());
        manager->RegisterMessageLoop(m_main, TarvexBase::ML_MAIN);
        for (int id : {TarvexBase::ML_HELPER, TarvexBase::ML_PLAY}) {
            m_workers.push_back(TarvexBase::CreateLoopThread(TarvexBase::MC_WORKER));
            m_workers.back()->Start();
            manager->RegisterMessageLoop(m_workers.back()->GetLoop(), id);
        }
        m_panels = boost::make_shared<CPanels>();
        m_panels->Create();
    }
    void TearDown() override {
        if (m_panels) m_panels->Destroy();
        // What the logic handed to the play loop on its way out (closing the files) runs first,
        // and what the helper loop still has.
        for (int id : {TarvexBase::ML_PLAY, TarvexBase::ML_HELPER, TarvexBase::ML_PLAY}) {
            auto drained = boost::make_shared<std::atomic<bool>>(false);
            KX_POST_FUNCTION(id, ([drained] { *drained = true; }));
            PumpUntil([&] { return drained->load(); }, 30000);
        }
        PumpFor(50);  // the engines' last reports
        if (m_panels) m_panels->DestroyWindows();
        m_panels.reset();
        ProcessEvents();
        auto* manager = TarvexBase::CKXMessageLoopManager::GetInstance().get();
        for (int id : {TarvexBase::ML_HELPER, TarvexBase::ML_PLAY, TarvexBase::ML_MAIN}) manager->RegisterMessageLoop({}, id);
        for (auto& worker : m_workers) worker->GetLoop()->GetControl()->Quit();
        EngineTest::TearDown();
    }

    // Recordings of the synth, with their paths.
    std::vector<std::string> Recordings(MOVRA::SynthOptions o) {
        if (o.start == 0) o.start = kStart;
        std::vector<std::string> written;
        std::string error;
        std::filesystem::create_directories(m_dir + "/export");
        EXPECT_TRUE(MOVRA::WriteSynthRecordings(m_dir + "/export", o, &written, &error)) << error;
        std::sort(written.begin(), written.end());
        return written;
    }
    static std::wstring Wide(const std::string& s) { return KX_SOFT_BASE::NativeToWide(s); }

    void Drop(const std::string& path) { m_panels->DropPath(Wide(path)); }
    // Waits until no open is pending and `window` plays `path`.
    bool WaitPlaying(int window, const std::string& path, int limitMs = 20000) {
        return PumpUntil(
            [&] {
                const PlayRecord* r = m_panels->play->Tables().CurrentRecord(window);
                return m_panels->play->PendingOpens() == 0 && r && r->path == Wide(path);
            },
            limitMs);
    }
    PlayRecord* Current(int window) { return m_panels->play->Tables().CurrentRecord(window); }
    // The window's current file is `path` (and it has one).
    bool Plays(int window, const std::string& path) {
        const PlayRecord* r = Current(window);
        return r && r->path == Wide(path);
    }
    // Asks the helper loop for a day's files, as a double-click on the day does.
    void AskForDay(int type, std::int32_t day, const std::wstring& device, int context = -1) {
        KX_POST_TASK(TarvexBase::ML_HELPER, m_panels->frame->HelpLogic().get(), &CMainFrameHelpLogic::Task_GetFilePath,
                     type, day, device, boost::make_shared<std::map<std::int32_t, void*>>(),
                     boost::static_pointer_cast<IFileManagerQuery>(m_panels->frame), context);
    }
    // Runs `work` on ML_PLAY and waits for its result while the UI loop runs.
    template <class Work>
    auto OnPlayLoop(Work work) -> decltype(work()) {
        auto result = boost::make_shared<decltype(work())>();
        auto done = boost::make_shared<std::atomic<bool>>(false);
        KX_POST_FUNCTION(TarvexBase::ML_PLAY, ([work, result, done]() mutable {
                             *result = work();
                             *done = true;
                         }));
        EXPECT_TRUE(PumpUntil([&] { return done->load(); }, 20000));
        return *result;
    }

    std::string m_home;
    boost::shared_ptr<TarvexBase::CKXMessageLoop> m_main;
    std::vector<boost::shared_ptr<TarvexBase::CKXThreadEx_Qt>> m_workers;
    boost::shared_ptr<CPanels> m_panels;
};

}  // namespace TarvexTest
