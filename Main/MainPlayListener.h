#pragma once
// What the play objects and the play group report, on ML_MAIN, turned into what the user sees:
// frames drawn in their sub-window (or converted on the helper loop when the grid will not draw
// them now), the timeline's rows and cursors, the index's completion, and what happens when a file
// reaches its end or its beginning. Decides from the play windows' state only; keeps nothing but
// the time spans that came before their file was bound to a window.
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <cstdint>
#include <map>
#include <utility>

#include "PlayManager/PlayObjectListener.h"

class CPlayManagerUILogic;
class IFileListFace;

class CMainPlayListener : public TarvexPlay::IPlayObjectListener {
public:
    explicit CMainPlayListener(const boost::weak_ptr<CPlayManagerUILogic>& ui);

    int OnQTRenderSubWin(void* handle, int width, int height, TarvexPlay::ImageBuffer image,
                         TarvexPlay::CompletionToken done) override;
    int OnDDRenderSubWinEx(void* handle, unsigned char* frame, int width, int height, int ivs, TarvexPlay::CFrameInfo info,
                           TarvexPlay::RenderToken renderToken, TarvexPlay::CompletionToken done) override;
    void OnFileRefFinished(void* handle, int result) override;
    void OnFileEnd(void* handle) override;
    void OnPlayTimeInfoChanged(void* handle, unsigned int start, unsigned int end) override;
    void OnPlayPositionChanged(void* handle, unsigned int seconds) override;
    void OnRecordStopped(void* handle, int reason) override;

    // A span reported before its file was bound: handed over once, then forgotten.
    int TakePendingTimeInfo(void* handle, unsigned int* start, unsigned int* end);

private:
    // The list's next entry (the next day in group mode) into the window, said in a
    // notification; 0 when there is none.
    static int MoveOn(IFileListFace* list, std::uintptr_t entry, int groupMode, int window);

    boost::weak_ptr<CPlayManagerUILogic> m_ui;
    std::map<void*, std::pair<unsigned int, unsigned int>> m_pendingTimes;
};
