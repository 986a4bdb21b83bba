#include "Main/MainPlayListener.h"

#include <boost/make_shared.hpp>

#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Main/MainFrame_HelpLogic.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Main/RecordNames.h"
#include "Main/UserMessages.h"
#include "Toolkit/VideoWindow.h"

using TarvexBase::ML_HELPER;
using TarvexBase::ML_PLAY;

CMainPlayListener::CMainPlayListener(const boost::weak_ptr<CPlayManagerUILogic>& ui) : m_ui(ui) {}

int CMainPlayListener::OnQTRenderSubWin(void* handle, int, int, TarvexPlay::ImageBuffer, TarvexPlay::CompletionToken done) {
    auto ui = m_ui.lock();
    if (!ui || !ui->Tables().IsBound(handle)) return 0;
    done.reset();  // the grid draws the engine's own frames only
    return 1;
}

int CMainPlayListener::OnDDRenderSubWinEx(void* handle, unsigned char* frame, int width, int height, int ivs,
                                          TarvexPlay::CFrameInfo info,
                                          TarvexPlay::RenderToken renderToken, TarvexPlay::CompletionToken done) {
    auto ui = m_ui.lock();
    if (!ui) return 0;
    const int window = frame ? ui->WindowForPicture(handle, info.byGroupClock) : -1;
    auto owner = ui->Owner();
    CKXVideoWindow* grid = owner ? owner->VideoWindow() : nullptr;
    if (window < 0 || !grid || !frame) return 0;
    // The read is announced on the render token: a stop of the file waits for it to end before the
    // engine may free the frame.
    if (!TarvexPlay::BeginFrameRead(renderToken)) return 0;
    ui->BeforePicture(window, handle);
    const int drawn = grid->DrawFrame(window, frame, width, height, ivs, &info.frame);
    TarvexPlay::EndFrameRead(renderToken);
    ui->NotePicture(window, handle, info.frame, info.wallClock);
    ui->NoteShownSize(window, handle);
    if (drawn) return 1;
    // The grid will not draw it now: the helper loop converts it, and the decoding thread waits
    // until the tokens come back and are let go here.
    auto help = owner->HelpLogic();
    if (!help) return 0;
    KX_POST_TASK(ML_HELPER, help.get(), &CMainFrameHelpLogic::Task_DecodeYUV2RGB32, frame, width, height,
                 grid->GetFrameTarget(), window, renderToken, done);
    return 1;
}

void CMainPlayListener::OnFileRefFinished(void* handle, int result) {
    auto ui = m_ui.lock();
    if (!ui) return;
    if (result) ui->SaveIndex(handle);
    if (!ui->Tables().IsWaiting(handle) || ui->JoinedAhead(handle)) return;
    // A waiting file was opened just before its window shows it, and waits paused where it will
    // be shown from (its start in the direction of play): it stays there.
    ui->Tables().RecordOf(handle)->paused = 1;
    KX_POST_TASK(ML_PLAY, ui->PlayLogic().get(), &CPlayManagerPlayLogic::Task_Pause,
                 boost::make_shared<std::vector<void*>>(1, handle), 1);
}

void CMainPlayListener::OnPlayTimeInfoChanged(void* handle, unsigned int start, unsigned int end) {
    if (end <= start) return;
    auto ui = m_ui.lock();
    if (!ui) return;
    PlayRecord* record = ui->Tables().RecordOf(handle);
    if (!record) {
        m_pendingTimes[handle] = {start, end};  // the open's reply has not bound it yet
        return;
    }
    record->fileStartTime = start;
    record->fileEndTime = end;
    ui->ShowSpan(*record);
    auto owner = ui->Owner();
    if (ITimeLineFace* timeline = owner ? owner->TimeLine() : nullptr) timeline->SelectRow(ui->FocusedWindow());
    ui->StartSyncWhenReady();  // a day may wait for exactly this span
}

void CMainPlayListener::OnPlayPositionChanged(void* handle, unsigned int seconds) {
    auto ui = m_ui.lock();
    if (!ui) return;
    auto owner = ui->Owner();
    ITimeLineFace* timeline = owner ? owner->TimeLine() : nullptr;
    if (!timeline) return;
    if (!handle) {
        if (ui->SyncFlag() != 1) return;
        ui->FollowGroupTime(seconds);
        timeline->MoveCursor(-1, seconds);  // the group's time
        return;
    }
    const int window = ui->Tables().WindowOf(handle);
    if (window < 0) return;
    ui->NotePosition(window, seconds);
    timeline->MoveCursor(window, seconds);
}

int CMainPlayListener::MoveOn(IFileListFace* list, std::uintptr_t entry, int groupMode, int window) {
    // The window changes camera by itself: the user is told which one it shows now.
    std::wstring opened;
    if (!list->OpenAdjacentEntry(entry, 1, groupMode, window, &opened)) return 0;
    ShowNotification(L"Now playing the next in the list:", L" " + opened);
    return 1;
}

void CMainPlayListener::OnRecordStopped(void* handle, int reason) {
    auto ui = m_ui.lock();
    if (!ui) return;
    const int window = ui->Tables().WindowOf(handle);
    auto owner = ui->Owner();
    if (CKXVideoWindow* grid = owner && window >= 0 ? owner->VideoWindow() : nullptr) grid->SetRecordState(window, 0);
    if (window >= 0) ui->ForgetClip(window);
    ShowNotification(reason == 1 ? L"The clip stopped: the disk is full. What it recorded is kept."
                                 : L"The clip stopped: it could not be written. What it recorded is kept.");
}

int CMainPlayListener::TakePendingTimeInfo(void* handle, unsigned int* start, unsigned int* end) {
    const auto pending = m_pendingTimes.find(handle);
    if (pending == m_pendingTimes.end()) return 0;
    if (start) *start = pending->second.first;
    if (end) *end = pending->second.second;
    m_pendingTimes.erase(pending);
    return 1;
}

void CMainPlayListener::OnFileEnd(void* handle) {
    auto ui = m_ui.lock();
    if (!ui) return;
    const int window = ui->Tables().WindowOf(handle);
    PlayRecord* record = window >= 0 ? ui->Tables().CurrentRecord(window) : nullptr;
    if (!record) return;
    auto owner = ui->Owner();
    IFileListFace* list = owner ? owner->FileList() : nullptr;
    const bool forward = record->direction != 0;
    const int kind = record->queryType;

    ui->StopRecord(window);
    record->atEnd = forward ? 1 : 0;
    ReportFileEnd(window, record->path);
    if (!ui->State().playing && ui->PauseSettled() == 1) {
        // The user stepped onto the first or the last frame.
        ShowMessageBox(L"It had step to the end or the begin of file!");
        return;
    }
    if (ui->RepeatFlag() == 1) {
        if (forward)
            kind == QUERY_SINGLE_FILE ? ui->SeekRelativePos(handle, 0.0f) : (void)ui->ChannelFileEndAndPlayNext(handle, 1);
        else if (kind != QUERY_SINGLE_FILE)
            ui->ChannelFileEndAndPlayPrev(handle, 1);
        return;
    }
    const HKXTREEITEM entry = list ? list->FindEntry(*record) : 0;
    if (!entry) return;
    const PlayRecord ended = *record;  // the calls below may move or drop the record
    if (kind == QUERY_WHOLE_DAY) {
        if (!forward) {
            ui->ChannelFileEndAndPlayPrev(handle, 0);
            return;
        }
        if (ui->ChannelFileEndAndPlayNext(handle, 0)) return;
        for (PlayRecord* r : ui->Tables().AllRecords())
            if (!r->atEnd) return;
        MoveOn(list, entry, 1, -1);  // every window is at its end: the next day
    } else if (kind == QUERY_CHANNEL_OF_DAY) {
        if (!forward) {
            ui->ChannelFileEndAndPlayPrev(handle, 0);
            return;
        }
        if (ui->ChannelFileEndAndPlayNext(handle, 0)) return;
        if (!MoveOn(list, entry, 0, ended.context)) ui->CloseFiles(ended.context);
    } else if (forward) {
        if (!MoveOn(list, entry, 0, ended.context)) ui->CloseFiles(ended.context);
    }
}
