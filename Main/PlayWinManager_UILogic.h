#pragma once
// The UI loop's half of the play windows: which file plays in which sub-window, each window's
// play state, the rules that refuse an operation (with a message), and every command turned into
// a task for the play loop's half, whose replies come back here. The only place where play
// handles meet window numbers. UI thread only.
#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Base/UITimer.h"
#include "Main/PanelFaces.h"
#include "Main/PictureBeat.h"
#include "Main/PlayState.h"
#include "Main/PlayStats.h"
#include "Main/PlayWinManager_PlayLogic.h"
#include "Main/PlayWinManager_Tables.h"
#include "Main/VideoProperties.h"

class CActivityKeeper;
struct CPendingSpan;
namespace MOVRA {
struct ActivityResult;
}
class CMainPlayListener;

class CPlayManagerUILogic : public boost::enable_shared_from_this<CPlayManagerUILogic> {
public:
    explicit CPlayManagerUILogic(const boost::weak_ptr<IPlayWindowsFace>& owner);
    // The play loop's half is handed to the play loop, which closes what is still open and lets
    // it go there: no engine is ever waited for on the UI thread.
    ~CPlayManagerUILogic();
    CPlayManagerUILogic(const CPlayManagerUILogic&) = delete;
    CPlayManagerUILogic& operator=(const CPlayManagerUILogic&) = delete;

    // Makes the play loop's half and the listener (after this object is held by a shared pointer).
    void Init();

    // --- Opening and closing ---
    void StartPlayOneFile(const std::wstring& path, const PlayRecord& record, int unused = 0);
    // A further file of a window's channel: listed and kept as a record, opened in the engine only
    // when the window is about to show it (its span, from its name, is on the timeline at once).
    void AddWaitingRecords(const std::vector<PlayRecord>& records);
    // The timeline's row of the record's window shows its span under the channel's label.
    void ShowSpan(const PlayRecord& record);
    void CloseFiles(int window);

    // --- Playback commands ---
    // Those that a rule can refuse return 0 then, with the refusal shown to the user.
    void Pause(int pause, PlayHandle handle = nullptr);
    // A position of the speed table, 0 (1/64X) to 12 (64X).
    void SetPlaySpeed(int position);
    void SetPlayVolume(int volume);
    void SetMutePlay(int mute);
    int SetPlayDirection(int forward);
    int OneStepPlay(int forward);
    void Seek(unsigned int time, int window);
    void SeekRelativePos(PlayHandle handle, float position, int window = -1);
    void SnapPicture(int window, const std::wstring& path, int imageType);
    // 0 when nothing will be recorded (no current file, or not a recording of ours): the record
    // button goes back then. Once the clip is stopped (by the user, the file's end, the window's
    // close) the user is told its name, with its folder to open.
    int StartRecord(int window, const std::wstring& path, int format);
    void StopRecord(int window);
    // A clip that stopped by itself has been reported already: its stop says nothing more.
    void ForgetClip(int window) { m_clips.erase(window); }
    void PopVideoInfoDlg(int window);
    void ChangeAudio(int newWindow, int oldWindow);
    void ChooseSoundChannel(unsigned long channel);
    int SetSynPlay(int on);
    void StartSyncWhenReady();
    void LeaveGroupMode();
    int SetRepeatPlay(int on);
    int ChannelFileEndAndPlayNext(PlayHandle handle, int repeat);
    int ChannelFileEndAndPlayPrev(PlayHandle handle, int repeat);
    void SaveIndex(PlayHandle handle);
    void ReRenderLastFrame(int window);
    void SrceenUnlockRender();
    int SetVerticalSync(int on);
    // The grid's selected window changed (by a click, or a command): sound and the play bar follow.
    void SetFocusWindow(int window);
    // The grid shows this many windows now.
    void SetLayoutWindows(int windows);
    // The play bar shows the state anew (after every change, and after a refused click).
    void ShowState();

    // --- Replies from the play loop ---
    void Task_PlayOneFile_Ret(int result, void* handle, CPlayManagerPlayLogic::Record record);
    void Task_CloseFiles_Ret(void* handle, int result);
    void Task_Pause_Ret(int result, int pause);
    void Task_SetPlayDirection_FailedRet(PlayHandleList handles);
    // The snapshot is written (or not): the user is told, with its folder to open.
    void Task_SnapPicture_Ret(int result, std::wstring path);
    void Task_StartRecord_Ret(int result, int window);
    void Task_StopRecord_Ret(int result, int window, std::wstring clip);
    void Task_GetVideoInfo_Ret(void* handle, CVideoInfoTexts texts);
    void Task_QueryStats_Ret(CPlayManagerPlayLogic::StatsAnswers answers);

    // --- Statistics ---
    // Each window's figures over the last second. The first call starts the sampling, once a
    // second from then on: until then (and for a second after) there are none.
    std::vector<CWindowStats> Stats();
    // The engine decodes a picture shown much smaller than its size at lower cost: it is told the
    // window's size when that changes.
    void NoteShownSize(int window, PlayHandle handle);

    // --- State the panels, the main frame and the listener read ---
    CPlayWindowTables& Tables() { return m_tables; }
    const CPlayWindowTables& Tables() const { return m_tables; }
    const CPlayState& State() const { return m_state; }
    boost::shared_ptr<IPlayWindowsFace> Owner() const { return m_owner.lock(); }
    const boost::shared_ptr<CMainPlayListener>& Listener() const { return m_listener; }
    const boost::shared_ptr<CPlayManagerPlayLogic>& PlayLogic() const { return m_playLogic; }
    int RepeatFlag() const { return m_state.repeat ? 1 : 0; }
    int SyncFlag() const { return m_state.sync ? 1 : 0; }
    // A whole day is opening: synchronous play starts once this many files have answered (-1: it
    // does not wait for any).
    void SetSyncCountdown(int files) { m_syncCountdown = files; }
    int PendingOpens() const { return m_pendingOpens; }
    // Next files being opened ahead of their windows' need: their records are in no table meanwhile.
    std::size_t FilesPreparing() const { return m_preparing.size(); }
    // The busy rule: files still opening (and, with closingToo, still closing) hold back what
    // would conflict with them.
    bool IsBusy(bool closingToo) const { return m_pendingOpens > 0 || (closingToo && m_pendingCloses > 0); }
    // Runs `task` now when no open is under way, else once the last has been answered.
    void AfterOpens(std::function<void()> task);
    int PendingCloses() const { return m_pendingCloses; }
    int PauseSettled() const { return m_pauseSettled; }
    int FocusedWindow() const { return m_state.focus; }
    // The picture a window shows (the listener notes each one drawn), and its wall-clock second
    // as the play loop last reported it.
    CWindowPosition PositionOf(int window) const;
    void NotePicture(int window, PlayHandle handle, std::int64_t frame, double wallClock);
    // Before a picture is drawn: in sync faster than recorded, the pictures of one beat of the
    // group show together.
    void BeforePicture(int window, PlayHandle handle);
    void NotePosition(int window, unsigned int seconds);  // window -1: the group's, in sync
    // The group's clock in sync play: each window shows the file of its channel that holds the
    // time, or says that it has no recording then; a gap in every channel is passed over.
    void FollowGroupTime(unsigned int time);
    // The window a file's picture is drawn in: its own, or -1 when it is in none. A window's next
    // file that joined the group ahead takes its window with its first picture the group's clock
    // shows (on its beat, like the other windows'); one it showed before, from a seek or on its
    // own clock, belongs to no window.
    int WindowForPicture(PlayHandle handle, bool byGroupClock);
    bool JoinedAhead(PlayHandle handle) const { return m_joinedAhead.count(handle) != 0; }
    unsigned int GroupTime() const;
    // The wall-clock second a window shows: its picture's, else the last reported position, else
    // its file's start; 0 when nothing is known.
    unsigned int TimeShown(int window) const;

    // --- Activity ---
    // The activity profiles of the timeline's files, worked out in the background (made in Init).
    const boost::shared_ptr<CActivityKeeper>& Activity() const { return m_activity; }
    // Something new is being opened: the profiling under way makes room for its files.
    void ReopenActivity();
    // The wall-clock starts of the events in a window's files (-1: every window's), as far as
    // their profiles are known, with the file each is in.
    struct CActivityStart {
        double at;
        int window;
        std::wstring path;
    };
    std::vector<CActivityStart> ActivityStartsOf(int window);
    // The spans of a window's files (-1: every window's) whose profiles are still to come.
    std::vector<CPendingSpan> ActivityPendingOf(int window);

private:
    // The files of these records are profiled; those already known show their strips at once.
    void WantActivity(const std::vector<PlayRecord>& records);
    void ActivityArrived(const std::wstring& path, const MOVRA::ActivityResult& result);
    using Handles = std::vector<PlayHandle>;
    static PlayHandleList ListOf(const Handles& handles);
    IFileListFace* FileList() const;
    ITimeLineFace* TimeLine() const;
    CKXVideoWindow* VideoWindow() const;
    void MarkPlaying(const std::vector<PlayRecord>& records, int on);
    void PostOpenAudio(PlayHandle handle);
    void PostCloseAudio(PlayHandle handle);
    // Reverse play needs the index: of every file in sync play, else of the focused window's.
    bool IndexReadyForReverse();
    void ResetRepeatButton();
    // The window's title strip names the record's device and channel, the file in its tooltip.
    void ShowTitle(int window, const PlayRecord& record);
    void ShowPlayBarIdle();
    // Sequence play in either direction: the next waiting file of the channel takes the window.
    int ChannelFileEnd(PlayHandle handle, int repeat, bool forward);
    // A waiting file of the window becomes its current one: in sync play it joins the group in
    // the other's place, else it plays or pauses as the play bar says. The file it leaves is
    // closed in the engine and waits as a record again.
    void TakeWaitingFile(int window, PlayHandle current, PlayHandle next);
    void Retire(PlayHandle handle);
    // Opens a waiting record of a window in the engine; once open it waits, paused, unless the
    // window is to show it (then from `time`, or from its start in the direction of play).
    void PrepareFile(const PlayRecord& record);
    void ShowWhenOpen(const PlayRecord& record, unsigned int time);
    // Near the end of the window's file (in the direction of play) its next one is opened.
    void PrepareNext(int window, unsigned int seconds);
    // In sync play, a little before the group's clock reaches a window's next file (open already),
    // the file joins the group and waits there for its time; play turned elsewhere meanwhile
    // (another direction, a seek, sync off) sends such files back to waiting, paused.
    void JoinAheadIfDue(int window, unsigned int time);
    // The group's clock at `time`, going the way `forward` says, is about to reach the file: within
    // the lead a next file joins with.
    bool AboutToReach(const PlayRecord& record, unsigned int time, bool forward) const;
    void DropJoinedAhead();
    // The answer to an open that prepared a waiting file; false when the answer is another's.
    bool PreparedFileOpened(int result, PlayHandle handle, const PlayRecord& record);
    // The next file of a window's channel in the direction of play: opened already, or still a
    // record (then `unopened` is set); with repeat the channel wraps around.
    PlayHandle NextOpened(int window, bool forward, bool repeat, const PlayRecord** unopened);

    boost::weak_ptr<IPlayWindowsFace> m_owner;
    boost::shared_ptr<CMainPlayListener> m_listener;
    boost::shared_ptr<CPlayManagerPlayLogic> m_playLogic;
    CPlayWindowTables m_tables;
    CPlayState m_state;
    boost::shared_ptr<CActivityKeeper> m_activity;
    std::map<int, CWindowPosition> m_pictures;
    std::map<int, unsigned int> m_positions;
    unsigned int m_gapSeek = 0;  // where the clock was sent across the last gap
    // Opens of waiting files under way (window -> path): the program's own, they hold nothing
    // back. An answer for a window closed meanwhile is closed at once.
    std::map<int, std::wstring> m_preparing;
    // Files that joined the group ahead (JoinAheadIfDue), waiting or in their window already,
    // until the group's time reaches them.
    std::set<PlayHandle> m_joinedAhead;
    int m_windowsOnTime = 0;  // windows with a recording at the group's time, when last told
    static void OnStatsTimer(std::uintptr_t id, void* context);
    void SampleStats();
    CPlayStats m_stats;
    CKXTimer m_statsTimer;
    CPictureBeat m_beat{[this] { return VideoWindow(); }};
    std::multimap<int, std::wstring> m_abandoned;
    // What a window shows once its waiting file is open: the file's path and the time (0: its
    // start in the direction of play).
    struct CShowWhenOpen {
        std::wstring path;
        unsigned int time = 0;
    };
    std::map<int, CShowWhenOpen> m_showWhenOpen;
    std::vector<std::function<void()>> m_afterOpens;
    std::map<int, std::wstring> m_clips;  // window -> the clip being recorded there
    int m_syncCountdown = -1;
    int m_pendingOpens = 0;
    int m_pendingCloses = 0;
    int m_pauseSettled = 1;
};
