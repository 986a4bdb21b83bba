// Sync play across a day's files: which file of each window is in the group as the group's clock
// goes on, and how a window's next file joins it on time.
#include <algorithm>

#include "App/Language.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Main/PlayWinManager_UILogic.h"
#include "Toolkit/VideoWindow.h"

using TarvexBase::ML_PLAY;

namespace {

// How many seconds of recording before its time a window's next file joins the group. The
// group's time reaches this loop about three times a second of real time, in whole seconds; the
// join itself is a seek on the file's decoding thread. A second of real time covers both at
// any speed, and at 1X two reports of the time.
double JoinLead(float speed) { return std::max(2.0, 1.0 * speed); }

}  // namespace

void CPlayManagerUILogic::FollowGroupTime(unsigned int time) {
    NotePosition(-1, time);
    if (!m_state.sync || !time) return;
    CKXVideoWindow* grid = VideoWindow();
    m_windowsOnTime = 0;
    for (PlayHandle h : m_tables.BoundHandles()) {
        const int window = m_tables.WindowOf(h);
        const PlayRecord* current = m_tables.CurrentRecord(window);
        bool holds = SpanHolds(*current, time);
        if (holds) {
            m_joinedAhead.erase(h);
        } else if (m_joinedAhead.count(h) && AboutToReach(*current, time, current->direction != 0)) {
            // It joined ahead and took its window (with its first picture, on the clock's own time,
            // or when the file before it ended): the whole second told here, told a moment
            // before, can still be short of it.
            ++m_windowsOnTime;
            continue;
        }
        if (!holds) {
            if (PlayHandle next = m_tables.WaitingHolding(window, time)) {
                TakeWaitingFile(window, h, next);
                holds = true;
            } else if (const PlayRecord* record = m_tables.UnopenedHolding(window, time)) {
                ShowWhenOpen(*record, 0);  // joins the group once open
                holds = true;
            }
        }
        if (holds) {
            PrepareNext(window, time);
            JoinAheadIfDue(window, time);
        }
        // A channel with no recording at the group's time says so, and joins when one begins.
        if (grid) grid->SetNotice(window, holds ? std::wstring() : TarvexApp::Translate(L"No recording at this time"));
        m_windowsOnTime += holds ? 1 : 0;
    }
    // Across a gap in every channel the clock goes on to the next recording.
    if (m_windowsOnTime > 0 || !m_state.playing) return;
    const unsigned int next = m_tables.NextRecordingFrom(time, m_state.forward);
    if (next && next != m_gapSeek) {
        m_gapSeek = next;
        DropJoinedAhead();
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupSeek, next);
    }
}

bool CPlayManagerUILogic::AboutToReach(const PlayRecord& record, unsigned int time, bool forward) const {
    if (record.fileStartTime < 0 || record.fileEndTime < 0) return false;
    // Where the clock reaches it: its start forward, its end backward.
    const double until = forward ? static_cast<double>(record.fileStartTime) - time
                                 : static_cast<double>(time) - record.fileEndTime;
    return until > 0 && until <= JoinLead(m_state.SpeedFactor());
}

void CPlayManagerUILogic::JoinAheadIfDue(int window, unsigned int time) {
    if (!m_state.sync || !m_state.playing) return;
    const PlayRecord* current = m_tables.CurrentRecord(window);
    if (!current) return;
    const bool forward = current->direction != 0;
    const PlayRecord* unopened = nullptr;
    const PlayHandle next = NextOpened(window, forward, false, &unopened);
    if (!next || m_joinedAhead.count(next)) return;
    const PlayRecord* record = m_tables.RecordOf(next);
    if (!forward && !record->indexReady) return;  // it could not play backward yet
    if (!AboutToReach(*record, time, forward)) return;
    m_joinedAhead.insert(next);
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupJoinAhead, next);
}

void CPlayManagerUILogic::DropJoinedAhead() {
    Handles handles;
    for (PlayHandle h : m_joinedAhead)
        if (m_tables.IsWaiting(h)) handles.push_back(h);
    m_joinedAhead.clear();
    if (!handles.empty())
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupLeaveAhead, ListOf(handles));
}

int CPlayManagerUILogic::WindowForPicture(PlayHandle handle, bool byGroupClock) {
    const int window = m_tables.WindowOf(handle);
    if (window >= 0 || !byGroupClock || !m_joinedAhead.count(handle) || !m_tables.IsWaiting(handle)) return window;
    // Its first picture: the group's clock has reached the file, which takes its window now (if
    // the file before it has not given the window up already, at its end).
    const int its = m_tables.RecordOf(handle)->context;
    const PlayHandle current = m_tables.HandleOf(its);
    if (!current) return -1;
    TakeWaitingFile(its, current, handle);
    return its;
}
