#include "Main/PlayWinManager_UILogic.h"

#include <sys/stat.h>

#include <boost/make_shared.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cwctype>
#include <set>

#include "App/Language.h"
#include "App/Settings.h"
#include "Base/LoopIds.h"
#include "Base/PostTask.h"
#include "Base/StreamConvert.h"
#include "Main/ActivityKeeper.h"
#include "Main/MainPlayListener.h"
#include "Main/PlaySpeeds.h"
#include "Main/RecordNames.h"
#include "Main/UserMessages.h"
#include "Main/VideoProperties.h"
#include "Toolkit/VideoWindow.h"

using TarvexBase::ML_MAIN;
using TarvexBase::ML_PLAY;

namespace {

constexpr int kAllWindows = -1;

const wchar_t kOpeningMessage[] = L"This operation can't accomplish as the videos are opening now, please retry later!";

}  // namespace

CPlayManagerUILogic::CPlayManagerUILogic(const boost::weak_ptr<IPlayWindowsFace>& owner) : m_owner(owner) {}

CPlayManagerUILogic::~CPlayManagerUILogic() {
    TarvexBase::KillUITimer(&m_statsTimer);
    if (m_activity) m_activity->Stop();
    if (!m_playLogic) return;
    boost::shared_ptr<CPlayManagerPlayLogic> logic = std::move(m_playLogic);
    KX_POST_FUNCTION(ML_PLAY, ([logic]() mutable {
                         logic->Task_CloseAll();
                         logic.reset();  // here, on the play loop
                     }));
}

void CPlayManagerUILogic::Init() {
    const boost::weak_ptr<CPlayManagerUILogic> self = shared_from_this();
    m_playLogic = boost::make_shared<CPlayManagerPlayLogic>(self);
    m_listener = boost::make_shared<CMainPlayListener>(self);
    m_activity = boost::make_shared<CActivityKeeper>(
        [self](const std::wstring& path, const MOVRA::ActivityResult& result) {
            if (auto ui = self.lock()) ui->ActivityArrived(path, result);
        },
        [self](const std::wstring& path) {
            auto ui = self.lock();
            if (!ui) return false;
            for (const PlayRecord* r : ui->m_tables.AllRecords())
                if (r->path == path) return true;
            return false;
        });
}

void CPlayManagerUILogic::ReopenActivity() {
    if (m_activity) m_activity->Reopen();
}

void CPlayManagerUILogic::WantActivity(const std::vector<PlayRecord>& records) {
    if (!m_activity) return;
    std::vector<std::wstring> paths;
    ITimeLineFace* timeline = TimeLine();
    for (const PlayRecord& record : records) {
        if (const MOVRA::ActivityResult* known = m_activity->Find(record.path)) {
            if (timeline) timeline->ShowActivity(record.context, record.startKey, ActivityStripOf(*known));
        } else {
            paths.push_back(record.path);
        }
    }
    m_activity->Want(paths);
}

void CPlayManagerUILogic::ActivityArrived(const std::wstring& path, const MOVRA::ActivityResult& result) {
    ITimeLineFace* timeline = TimeLine();
    if (!timeline) return;
    const ITimeLineFace::CActivityStrip strip = ActivityStripOf(result);
    // Every row the file is on (one window's, or several when opened more than once).
    for (const PlayRecord* r : m_tables.AllRecords())
        if (r->path == path && r->fileStartTime >= 0 && r->fileEndTime > r->fileStartTime)
            timeline->ShowActivity(r->context, r->startKey, strip);
}

std::vector<CPlayManagerUILogic::CActivityStart> CPlayManagerUILogic::ActivityStartsOf(int window) {
    std::vector<CActivityStart> starts;
    if (!m_activity) return starts;
    for (const PlayRecord* r : m_tables.AllRecords()) {
        if (window >= 0 && r->context != window) continue;
        if (const MOVRA::ActivityResult* profile = m_activity->Find(r->path))
            for (double at : ActivityStarts(*profile)) starts.push_back({at, r->context, r->path});
    }
    return starts;
}

std::vector<CPendingSpan> CPlayManagerUILogic::ActivityPendingOf(int window) {
    std::vector<CPendingSpan> pending;
    if (!m_activity) return pending;
    for (const PlayRecord* r : m_tables.AllRecords()) {
        if (window >= 0 && r->context != window) continue;
        if (r->fileEndTime > r->fileStartTime && m_activity->Pending(r->path))
            pending.push_back({static_cast<double>(r->fileStartTime), static_cast<double>(r->fileEndTime)});
    }
    return pending;
}

PlayHandleList CPlayManagerUILogic::ListOf(const Handles& handles) { return boost::make_shared<Handles>(handles); }

std::vector<CWindowStats> CPlayManagerUILogic::Stats() {
    if (!m_statsTimer.id) {
        m_statsTimer.handler = &CPlayManagerUILogic::OnStatsTimer;
        m_statsTimer.context = this;  // killed in the destructor
        TarvexBase::StartUITimer(&m_statsTimer, 1000);
        SampleStats();
    }
    return m_stats.Figures();
}

void CPlayManagerUILogic::NoteShownSize(int window, PlayHandle handle) {
    CKXVideoWindow* grid = VideoWindow();
    PlayRecord* record = m_tables.RecordOf(handle);
    if (!grid || !record) return;
    // A digital zoom shows a part of the picture at the window's size: as large as it gets.
    const bool zoomed = grid->GetDigitalZoom() != 0;
    const CKXRect cell = grid->GetSubWindowRect(window);
    const int width = zoomed ? 1 << 14 : cell.Width(), height = zoomed ? 1 << 14 : cell.Height();
    if (width == record->shownWidth && height == record->shownHeight) return;
    record->shownWidth = width;
    record->shownHeight = height;
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SetShownSize, handle, width, height);
}

void CPlayManagerUILogic::OnStatsTimer(std::uintptr_t, void* context) { static_cast<CPlayManagerUILogic*>(context)->SampleStats(); }

void CPlayManagerUILogic::SampleStats() {
    auto shown = boost::make_shared<std::vector<std::pair<int, void*>>>();
    CKXVideoWindow* grid = VideoWindow();
    for (int window = 0, count = grid ? grid->GetWindowCount() : 0; window < count; ++window)
        if (PlayHandle handle = m_tables.HandleOf(window)) shown->emplace_back(window, handle);
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_QueryStats, shown);
}

void CPlayManagerUILogic::Task_QueryStats_Ret(CPlayManagerPlayLogic::StatsAnswers answers) {
    CKXVideoWindow* grid = VideoWindow();
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    std::vector<int> windows;
    for (const auto& [window, handle, stats] : *answers) {
        const PlayRecord* record = m_tables.CurrentRecord(window);
        if (!grid || m_tables.HandleOf(window) != handle || !record) continue;  // another file since
        CPlayStats::Sample sample;
        sample.handle = handle;
        sample.engine = stats;
        sample.drawnTotal = grid->GetFramesShown(window);
        sample.at = now;
        const bool playing = m_state.playing && !record->paused && !record->atEnd;
        sample.framesAsked = playing ? stats.frameRate * SpeedAt(m_state.speedPosition).factor : 0;
        m_stats.Add(window, sample);
        windows.push_back(window);
    }
    m_stats.KeepOnly(windows);
}

void CPlayManagerUILogic::ShowState() {
    auto owner = Owner();
    if (IPlayBarFace* bar = owner ? owner->PlayBar() : nullptr) bar->ShowPlayState(m_state);
}

IFileListFace* CPlayManagerUILogic::FileList() const {
    auto owner = Owner();
    return owner ? owner->FileList() : nullptr;
}

ITimeLineFace* CPlayManagerUILogic::TimeLine() const {
    auto owner = Owner();
    return owner ? owner->TimeLine() : nullptr;
}

CKXVideoWindow* CPlayManagerUILogic::VideoWindow() const {
    auto owner = Owner();
    return owner ? owner->VideoWindow() : nullptr;
}

CWindowPosition CPlayManagerUILogic::PositionOf(int window) const {
    const auto at = m_pictures.find(window);
    return at == m_pictures.end() ? CWindowPosition() : at->second;
}

void CPlayManagerUILogic::BeforePicture(int window, PlayHandle handle) {
    if (m_state.sync && m_state.speedPosition > kNormalSpeedPosition) m_beat.Hold(window, handle, m_windowsOnTime);
}

void CPlayManagerUILogic::NotePicture(int window, PlayHandle handle, std::int64_t frame, double wallClock) {
    if (m_beat.Holding()) {
        // The window shows it at the release: so it stands there only from then on.
        return m_beat.WhenShown([this, window, handle, frame, wallClock] { NotePicture(window, handle, frame, wallClock); });
    }
    CWindowPosition& p = m_pictures[window];
    const std::int64_t gap = std::llabs(frame - p.frame) - 1;
    if (p.handle == handle && p.frame >= 0 && gap > 0 && std::fabs(wallClock - p.wallClock) <= 1.5)
        p.dropped += static_cast<std::uint64_t>(gap);
    p.frame = frame;
    p.wallClock = wallClock;
    p.handle = handle;
}

void CPlayManagerUILogic::NotePosition(int window, unsigned int seconds) {
    m_positions[window] = seconds;
    if (window >= 0) PrepareNext(window, seconds);
}

unsigned int CPlayManagerUILogic::GroupTime() const {
    const auto at = m_positions.find(-1);
    return m_state.sync && at != m_positions.end() ? at->second : 0;
}

unsigned int CPlayManagerUILogic::TimeShown(int window) const {
    const CWindowPosition picture = PositionOf(window);
    if (picture.wallClock >= 1) return static_cast<unsigned int>(picture.wallClock);
    const auto position = m_positions.find(window);
    if (position != m_positions.end() && position->second) return position->second;
    // Before the first position has come (the file has just opened), the file's own start.
    const PlayRecord* record = m_tables.CurrentRecord(window);
    return record && record->fileStartTime > 0 ? static_cast<unsigned int>(record->fileStartTime) : 0;
}

void CPlayManagerUILogic::SetFocusWindow(int window) {
    const int old = m_state.focus;
    m_state.focus = window;
    if (ITimeLineFace* timeline = TimeLine()) timeline->SelectRow(window);
    if (const PlayRecord* record = m_tables.CurrentRecord(window)) m_state.forward = record->direction != 0;
    ShowState();
    ChangeAudio(window, old);
}

void CPlayManagerUILogic::SetLayoutWindows(int windows) {
    m_state.layout = windows;
    ShowState();
}

void CPlayManagerUILogic::MarkPlaying(const std::vector<PlayRecord>& records, int on) {
    if (IFileListFace* list = FileList()) list->MarkPlaying(records, on);
}

void CPlayManagerUILogic::PostOpenAudio(PlayHandle handle) {
    if (handle) KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_OpenAudio, handle);
}

void CPlayManagerUILogic::PostCloseAudio(PlayHandle handle) {
    if (handle) KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_CloseAudio, handle);
}

// --- Opening and closing ---

void CPlayManagerUILogic::StartPlayOneFile(const std::wstring& path, const PlayRecord& record, int) {
    const int window = record.context;
    if (m_tables.CurrentRecord(window)) CloseFiles(window);
    MarkPlaying({record}, 1);
    if (CKXVideoWindow* grid = VideoWindow()) grid->SetLoading(window, 1);
    ++m_pendingOpens;
    m_state.forward = true;  // a file opens playing forward
    ShowState();
    ShowSpan(record);  // from its name, until the engine has read it
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_PlayOneFile, path,
                 boost::static_pointer_cast<TarvexPlay::IPlayObjectListener>(m_listener),
                 boost::make_shared<PlayRecord>(record));
}

void CPlayManagerUILogic::ShowTitle(int window, const PlayRecord& record) {
    if (CKXVideoWindow* grid = VideoWindow()) {
        grid->SetWindowTitle(window, WindowTitleOf(record));
        grid->SetWindowToolTip(window, WindowToolTipOf(record));
    }
}

void CPlayManagerUILogic::CloseFiles(int window) {
    Handles handles = m_tables.BoundHandles(window);
    std::vector<int> windows;
    for (PlayHandle h : handles) windows.push_back(m_tables.WindowOf(h));
    const Handles waiting = m_tables.WaitingHandles(window);
    handles.insert(handles.end(), waiting.begin(), waiting.end());

    std::vector<PlayRecord> records;
    for (PlayHandle h : handles)
        if (const PlayRecord* r = m_tables.RecordOf(h)) records.push_back(*r);
    // A clip being recorded is finished before its file closes, and told as any other.
    for (int w : windows)
        if (m_clips.count(w)) StopRecord(w);
    if (CKXVideoWindow* grid = VideoWindow()) {
        for (int w : windows) {
            grid->SetWindowTitle(w, L"");
            grid->SetWindowToolTip(w, L"");
            grid->SetLoading(w, 0);
            grid->SetNotice(w, L"");
            grid->ShowReplay(w, 0);
            grid->SetRecordState(w, 0);
            grid->ClearWindow(w);
        }
    }
    for (int w : windows) {
        m_pictures.erase(w);
        m_positions.erase(w);
    }
    // The window's files not open go with it; a file being opened for it is closed once it is.
    std::vector<int> closing = windows;
    if (window >= 0) closing.push_back(window);
    for (const auto& [w, path] : m_preparing)
        if (window < 0 || w == window) closing.push_back(w);
    for (int w : closing) {
        const std::vector<PlayRecord> unopened = m_tables.Unopened(w);
        records.insert(records.end(), unopened.begin(), unopened.end());
        m_tables.ForgetUnopened(w);
        const auto preparing = m_preparing.find(w);
        if (preparing != m_preparing.end()) {
            m_abandoned.emplace(w, preparing->second);
            m_preparing.erase(preparing);
        }
        m_showWhenOpen.erase(w);
    }
    if (window < 0) m_tables.ForgetUnopened(-1);
    // The closed windows' rows go from the timeline.
    if (ITimeLineFace* timeline = TimeLine()) {
        if (window < 0) timeline->RemoveRow(-1);
        else
            for (int w : std::set<int>(closing.begin(), closing.end())) timeline->RemoveRow(w);
    }
    MarkPlaying(records, 0);
    for (PlayHandle h : handles) {
        m_tables.Remove(h);
        m_joinedAhead.erase(h);
    }
    if (m_tables.Empty()) ShowPlayBarIdle();
    if (handles.empty()) return;
    // A close may start while another is still answered: both are waited for.
    m_pendingCloses += static_cast<int>(handles.size());
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_CloseFiles, ListOf(handles));
}

void CPlayManagerUILogic::ShowPlayBarIdle() {
    // The play button shows "Play" and the step buttons their frame tooltips.
    m_state.playing = false;
    ShowState();
}

// --- Playback commands ---

void CPlayManagerUILogic::Pause(int pause, PlayHandle handle) {
    Handles handles;
    if (handle) {
        if (PlayRecord* r = m_tables.RecordOf(handle)) r->paused = pause;
        handles.push_back(handle);
    } else {
        handles = m_tables.BoundHandles();
        for (PlayHandle h : handles) m_tables.RecordOf(h)->paused = pause;
        m_state.playing = !pause;
        ShowState();
    }
    m_pauseSettled = 0;
    // One file of a window is paused or resumed by itself even in sync play: the group's pause is
    // the whole group's.
    if (m_state.sync && !handle)
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupPause, pause);
    else
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_Pause, ListOf(handles), pause);
}

void CPlayManagerUILogic::SetPlaySpeed(int position) {
    m_state.speedPosition = position < 0 || position >= kSpeedPositions ? kNormalSpeedPosition : position;
    ShowState();
    const float factor = m_state.SpeedFactor();
    const bool normal = IsNormalSpeed(factor);
    if (m_state.sync) {
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupPlaySpeed, factor);
    } else {
        const Handles handles = m_tables.BoundHandles();
        if (!normal)
            if (CKXVideoWindow* grid = VideoWindow())
                for (PlayHandle h : handles) grid->SetRecordState(m_tables.WindowOf(h), 0);  // the clip ends
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SetPlaySpeed, ListOf(handles), factor);
    }
    // Sound plays only at normal speed, from the focused window.
    const PlayHandle focused = m_tables.HandleOf(FocusedWindow());
    normal ? PostOpenAudio(focused) : PostCloseAudio(focused);
}

void CPlayManagerUILogic::SetPlayVolume(int volume) {
    m_state.volume = std::clamp(volume, 0, 100);
    ShowState();
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SetPlayVolume,
                 ListOf(m_tables.BoundHandles(FocusedWindow())), volume);
}

void CPlayManagerUILogic::SetMutePlay(int mute) {
    m_state.muted = mute != 0;
    ShowState();
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_MutePlay,
                 ListOf(m_tables.BoundHandles(FocusedWindow())), mute);
}

bool CPlayManagerUILogic::IndexReadyForReverse() {
    const Handles bound = m_tables.BoundHandles();
    bool wholeDay = !bound.empty();
    for (PlayHandle h : bound) wholeDay = wholeDay && m_tables.RecordOf(h)->queryType == QUERY_WHOLE_DAY;
    if (wholeDay) {
        for (PlayHandle h : bound)
            if (!m_tables.RecordOf(h)->indexReady) return false;
        return true;
    }
    const int focused = FocusedWindow();
    Handles mine = m_tables.BoundHandles(focused);
    const Handles waiting = m_tables.WaitingHandles(focused);
    mine.insert(mine.end(), waiting.begin(), waiting.end());
    for (PlayHandle h : mine)
        if (!m_tables.RecordOf(h)->indexReady) return false;
    return true;
}

int CPlayManagerUILogic::SetPlayDirection(int forward) {
    if (!forward && !IndexReadyForReverse()) {
        m_state.forward = true;  // the reverse button goes back, the label loses its "-"
        ShowState();
        ShowMessageBox(L"System is creating index!Can not play in reverse!");
        return 0;
    }
    m_state.forward = forward != 0;
    ShowState();
    const Handles handles = m_tables.BoundHandles();
    for (PlayHandle h : handles) m_tables.RecordOf(h)->direction = forward ? 1 : 0;
    if (m_state.sync) {
        DropJoinedAhead();  // their waits were for the other way
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupPlayDirection, forward);
    } else {
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SetPlayDirection, ListOf(handles), forward);
    }
    return 1;
}

int CPlayManagerUILogic::OneStepPlay(int forward) {
    if (m_state.sync) {
        ShowMessageBox(L"Can not step play while synchronous playing!");
        return 0;
    }
    if (m_state.SpeedFactor() >= 16) {
        ShowMessageBox(L"Can not step play while fast playing upon 16x speed!");
        return 0;
    }
    const Handles handles = m_tables.BoundHandles();
    if (!forward)
        for (PlayHandle h : handles) m_tables.RecordOf(h)->atEnd = 0;
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_OneStepPlay, ListOf(handles), forward);
    return 1;
}

void CPlayManagerUILogic::Seek(unsigned int time, int window) {
    PlayHandle handle = m_tables.HandleOf(window);
    PlayRecord* current = m_tables.CurrentRecord(window);
    if (!handle || !current) return;
    const bool playing = m_state.playing;
    if (m_state.sync) {
        DropJoinedAhead();
        // Every window of the group goes to the file that holds the time.
        for (PlayHandle h : m_tables.BoundHandles()) {
            const int w = m_tables.WindowOf(h);
            if (SpanHolds(*m_tables.CurrentRecord(w), time)) continue;
            if (PlayHandle next = m_tables.WaitingHolding(w, time)) TakeWaitingFile(w, h, next);
            else if (const PlayRecord* record = m_tables.UnopenedHolding(w, time)) ShowWhenOpen(*record, 0);
        }
    } else if (!SpanHolds(*current, time)) {
        // The waiting file of the window that holds the time takes the current file's place; one
        // not open yet does once it is.
        if (PlayHandle next = m_tables.WaitingHolding(window, time)) {
            TakeWaitingFile(window, handle, next);
            handle = next;
        } else if (const PlayRecord* record = m_tables.UnopenedHolding(window, time)) {
            ShowWhenOpen(*record, time);
            return;
        }
    }
    if (m_state.sync) {
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupSeek, time);
        m_pauseSettled = 0;
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupPause, playing ? 0 : 1);
    } else {
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_Seek, handle, time);
        if (window == FocusedWindow()) PostOpenAudio(handle);
    }
}

void CPlayManagerUILogic::SeekRelativePos(PlayHandle handle, float position, int window) {
    if (!handle) handle = m_tables.HandleOf(window);
    if (!handle) return;
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SeekRelativePos, handle, position);
}

void CPlayManagerUILogic::SnapPicture(int window, const std::wstring& path, int imageType) {
    if (PlayHandle handle = m_tables.HandleOf(window))
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SnapPicure, handle, path, imageType);
}

int CPlayManagerUILogic::StartRecord(int window, const std::wstring& path, int format) {
    const PlayRecord* current = m_tables.CurrentRecord(window);
    const PlayHandle handle = m_tables.HandleOf(window);
    if (!current || !handle) return 0;
    // Only the recorder's own files are cut into clips. The extension is compared with its dot,
    // whatever its case.
    std::wstring extension = ExtensionOf(current->path);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](wchar_t c) { return std::towlower(c); });
    if (extension != L".rvf") return 0;  // not a recording: nothing is cut, and no message
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_StartRecord, handle, path, format, window);
    m_clips[window] = path;
    return 1;
}

void CPlayManagerUILogic::StopRecord(int window) {
    PlayHandle handle = m_tables.HandleOf(window);
    if (!handle) return;
    // The clip goes with the stop: one started again before the answer comes is another's.
    std::wstring clip;
    if (const auto running = m_clips.find(window); running != m_clips.end()) {
        clip = running->second;
        m_clips.erase(running);
    }
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_StopRecord, handle, window, clip);
}

void CPlayManagerUILogic::PopVideoInfoDlg(int window) {
    if (window < 0) return;
    if (PlayHandle handle = m_tables.HandleOf(window))
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GetVideoInfo, handle);
}

void CPlayManagerUILogic::ChangeAudio(int newWindow, int oldWindow) {
    PostCloseAudio(m_tables.HandleOf(oldWindow));
    PostOpenAudio(m_tables.HandleOf(newWindow));
    ChooseSoundChannel(static_cast<unsigned long>(TarvexApp::Settings().SoundChannel));
}

void CPlayManagerUILogic::ChooseSoundChannel(unsigned long channel) {
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_ChooseSoundChannel,
                 ListOf(m_tables.BoundHandles()), channel);
}

void CPlayManagerUILogic::ResetRepeatButton() {
    // Unchecked, with the tooltip "Repeat One".
    m_state.repeat = false;
    ShowState();
}

int CPlayManagerUILogic::SetSynPlay(int on) {
    auto refuse = [&] {
        m_state.sync = false;
        ShowState();
        return 0;
    };
    const Handles handles = m_tables.BoundHandles();
    if (on) {
        if (handles.empty()) return refuse();
        for (PlayHandle h : handles)
            if (m_tables.RecordOf(h)->queryType != QUERY_WHOLE_DAY) return refuse();
        for (PlayRecord* r : m_tables.AllRecords()) {
            if (r->fileStartTime < 0 || r->fileEndTime < 0) {
                ShowMessageBox(L"It can't synchronizing play , because of file parsing uncompletely!");
                return refuse();
            }
        }
    }
    // Without the group they would play on their own clocks.
    DropJoinedAhead();
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupSyn, ListOf(handles), on,
                 boost::static_pointer_cast<TarvexPlay::IPlayObjectListener>(m_listener));
    if (!m_state.playing) Pause(1);
    m_state.sync = on != 0;
    m_gapSeek = 0;
    if (!on)
        if (CKXVideoWindow* grid = VideoWindow())
            for (PlayHandle h : handles) grid->SetNotice(m_tables.WindowOf(h), L"");
    ResetRepeatButton();
    return 1;
}

void CPlayManagerUILogic::StartSyncWhenReady() {
    // The sync button stayed on while a day opened: the day plays in sync once every span is known.
    if (m_syncCountdown != 0 || !m_state.sync) return;
    for (PlayRecord* r : m_tables.AllRecords())
        if (r->fileStartTime < 0 || r->fileEndTime < 0) return;
    // Once: the spans of the files opened later, as the day plays on, start nothing again.
    m_syncCountdown = -1;
    SetSynPlay(1);
}

void CPlayManagerUILogic::LeaveGroupMode() {
    // Current files first, then waiting ones; each walk stops at the first file of another kind.
    auto records = m_tables.AllRecords();
    const std::size_t currents = m_tables.BoundHandles().size();
    for (std::size_t i = 0; i < currents && records[i]->queryType == QUERY_WHOLE_DAY; ++i)
        records[i]->queryType = QUERY_CHANNEL_OF_DAY;
    for (std::size_t i = currents; i < records.size() && records[i]->queryType == QUERY_WHOLE_DAY; ++i)
        records[i]->queryType = QUERY_CHANNEL_OF_DAY;
    if (m_state.sync) SetSynPlay(0);
}

int CPlayManagerUILogic::SetRepeatPlay(int on) {
    if (on && m_state.sync) {
        ResetRepeatButton();
        return 0;
    }
    m_state.repeat = on != 0;
    ShowState();
    if (!on) return 1;
    // Files of a day already at their end start again.
    for (PlayHandle h : m_tables.BoundHandles()) {
        const PlayRecord* r = m_tables.RecordOf(h);
        if (r && r->queryType == QUERY_WHOLE_DAY && r->atEnd) m_listener->OnFileEnd(h);
    }
    return 1;
}

int CPlayManagerUILogic::ChannelFileEndAndPlayNext(PlayHandle handle, int repeat) {
    return ChannelFileEnd(handle, repeat, true);
}

int CPlayManagerUILogic::ChannelFileEndAndPlayPrev(PlayHandle handle, int repeat) {
    return ChannelFileEnd(handle, repeat, false);
}

int CPlayManagerUILogic::ChannelFileEnd(PlayHandle handle, int repeat, bool forward) {
    const int window = m_tables.WindowOf(handle);
    PlayRecord* ended = m_tables.CurrentRecord(window);
    if (window < 0 || !ended) return 0;
    const PlayRecord* unopened = nullptr;
    PlayHandle next = NextOpened(window, forward, repeat == 1, &unopened);
    if (!next && !unopened && repeat != 1) {
        ended->atEnd = 1;
        return 0;
    }
    // Where a file starts in the direction of play: its beginning forward, its end backward.
    const float from = forward ? 0.0f : 100.0f;
    if (unopened) {
        // Not open yet (a short file, a high speed): the window keeps its last picture until it is.
        ended->atEnd = 1;
        ShowWhenOpen(*unopened, 0);
        return 1;
    }
    if (!next) {
        ended->atEnd = 0;
        SeekRelativePos(handle, from);
        return 1;
    }
    PlayRecord* record = m_tables.RecordOf(next);
    record->atEnd = 0;
    record->direction = forward ? 1 : 0;
    ended->atEnd = 1;
    if (m_state.sync) {
        // The group's clock goes on: the next file joins it where it stands.
        TakeWaitingFile(window, handle, next);
        return 1;
    }
    if (window == FocusedWindow()) PostOpenAudio(next);
    m_tables.Swap(handle, next);
    ShowTitle(window, *m_tables.RecordOf(next));
    // The file takes the direction the one before it played in.
    if (!forward)
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SetPlayDirection, ListOf({next}), 0);
    Pause(0, next);
    SeekRelativePos(next, from);
    Retire(handle);
    return 1;
}

PlayHandle CPlayManagerUILogic::NextOpened(int window, bool forward, bool repeat, const PlayRecord** unopened) {
    *unopened = nullptr;
    const PlayRecord* current = m_tables.CurrentRecord(window);
    if (!current) return nullptr;
    PlayHandle next = m_tables.Adjacent(window, current->startKey, forward);
    const PlayRecord* record = m_tables.UnopenedAdjacent(window, current->startKey, forward);
    if (!next && !record && repeat) {
        // "Repeat One": the channel starts again from its first file (its last, backward).
        for (PlayRecord* r : m_tables.AllRecords())
            if (r->context == window) r->atEnd = 0;
        next = m_tables.First(window, forward);
        record = m_tables.UnopenedFirst(window, forward);
    }
    // The nearer of the two in the direction of play.
    if (next && record) {
        const std::int32_t openKey = m_tables.RecordOf(next)->startKey;
        const bool recordNearer = forward ? record->startKey < openKey : record->startKey > openKey;
        if (!recordNearer) record = nullptr;
        else next = nullptr;
    }
    *unopened = record;
    return next;
}

void CPlayManagerUILogic::Retire(PlayHandle handle) {
    const PlayRecord* record = m_tables.RecordOf(handle);
    if (!record || m_tables.IsBound(handle)) return;
    m_tables.AddUnopened(*record);
    m_tables.Remove(handle);
    m_joinedAhead.erase(handle);
    ++m_pendingCloses;
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_CloseFiles, ListOf({handle}));
}

void CPlayManagerUILogic::AddWaitingRecords(const std::vector<PlayRecord>& records) {
    std::map<int, std::vector<ITimeLineFace::CSpan>> spans;
    std::map<int, std::wstring> labels;
    for (const PlayRecord& record : records) {
        m_tables.AddUnopened(record);
        if (record.fileStartTime < 0 || record.fileEndTime <= record.fileStartTime) continue;
        spans[record.context].push_back({record.startKey, static_cast<unsigned int>(record.fileStartTime),
                                         static_cast<unsigned int>(record.fileEndTime)});
        labels[record.context] = record.queryType == QUERY_SINGLE_FILE ? FileNameOf(record.path) : ChannelText(record.channelCode);
    }
    MarkPlaying(records, 1);
    // Each window's row takes its files' spans in one go.
    if (ITimeLineFace* timeline = TimeLine())
        for (const auto& [window, list] : spans) timeline->UpdateRowSpans(window, labels[window], list);
    WantActivity(records);
}

void CPlayManagerUILogic::ShowSpan(const PlayRecord& record) {
    ITimeLineFace* timeline = TimeLine();
    if (!timeline || record.fileStartTime < 0 || record.fileEndTime <= record.fileStartTime) return;
    const std::wstring label =
        record.queryType == QUERY_SINGLE_FILE ? FileNameOf(record.path) : ChannelText(record.channelCode);
    timeline->UpdateRow(record.context, label, record.startKey, static_cast<unsigned int>(record.fileStartTime),
                        static_cast<unsigned int>(record.fileEndTime));
    WantActivity({record});
}

void CPlayManagerUILogic::PrepareFile(const PlayRecord& record) {
    const int window = record.context;
    if (m_preparing.count(window)) return;  // one at a time; the next follows its answer
    PlayRecord taken;
    if (!m_tables.TakeUnopened(window, record.path, &taken)) return;
    m_preparing[window] = taken.path;
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_PlayOneFile, taken.path,
                 boost::static_pointer_cast<TarvexPlay::IPlayObjectListener>(m_listener),
                 boost::make_shared<PlayRecord>(taken));
}

void CPlayManagerUILogic::ShowWhenOpen(const PlayRecord& record, unsigned int time) {
    m_showWhenOpen[record.context] = CShowWhenOpen{record.path, time};
    PrepareFile(record);
}

void CPlayManagerUILogic::PrepareNext(int window, unsigned int seconds) {
    const PlayRecord* current = m_tables.CurrentRecord(window);
    if (!current || current->fileStartTime < 0 || current->fileEndTime < 0 || m_preparing.count(window)) return;
    const bool forward = current->direction != 0;
    const long long left = forward ? static_cast<long long>(current->fileEndTime) - seconds
                                   : static_cast<long long>(seconds) - current->fileStartTime;
    // Far enough ahead that the next file is open (and its first picture decoded) in time, at
    // any speed.
    const double ahead = std::max(1.0, 1.0 * m_state.SpeedFactor());
    if (left > ahead) return;
    const PlayRecord* unopened = nullptr;
    NextOpened(window, forward, m_state.repeat, &unopened);
    if (unopened) PrepareFile(*unopened);
}

bool CPlayManagerUILogic::PreparedFileOpened(int result, PlayHandle handle, const PlayRecord& record) {
    const int window = record.context;
    const auto abandoned = std::find_if(m_abandoned.begin(), m_abandoned.end(), [&](const auto& a) {
        return a.first == window && a.second == record.path;
    });
    if (abandoned != m_abandoned.end()) {
        // Its window was closed meanwhile.
        m_abandoned.erase(abandoned);
        if (result == 1 && handle) {
            ++m_pendingCloses;
            KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_CloseFiles, ListOf({handle}));
        }
        return true;
    }
    const auto preparing = m_preparing.find(window);
    if (preparing == m_preparing.end() || preparing->second != record.path) return false;
    m_preparing.erase(preparing);
    const auto show = m_showWhenOpen.find(window);
    const bool wanted = show != m_showWhenOpen.end() && show->second.path == record.path;
    const unsigned int time = wanted ? show->second.time : 0;
    if (wanted) m_showWhenOpen.erase(show);
    const PlayHandle current = m_tables.HandleOf(window);
    if (result != 1 || !handle || !current) {
        // Unplayable, or its window has nothing any more: it is not kept.
        if (result == 1 && handle) {
            ++m_pendingCloses;
            KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_CloseFiles, ListOf({handle}));
        }
        return true;
    }
    m_tables.Add(handle, record);  // the window has its current file: this one waits
    PlayRecord* opened = m_tables.RecordOf(handle);
    const bool forward = m_tables.CurrentRecord(window)->direction != 0;
    opened->direction = forward ? 1 : 0;
    unsigned int start = 0, end = 0;
    if (m_listener->TakePendingTimeInfo(handle, &start, &end)) m_listener->OnPlayTimeInfoChanged(handle, start, end);
    // It waits where it will be shown from, paused.
    Pause(1, handle);
    if (!forward) KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SetPlayDirection, ListOf({handle}), 0);
    SeekRelativePos(handle, forward ? 0.0f : 100.0f);
    if (wanted) {
        TakeWaitingFile(window, current, handle);
        if (!m_state.sync) {
            if (time) KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_Seek, handle, time);
            if (window == FocusedWindow()) PostOpenAudio(handle);
        }
    } else if (const auto next = m_showWhenOpen.find(window); next != m_showWhenOpen.end()) {
        // Another file was asked for meanwhile: now its turn.
        PlayRecord record2;
        for (const PlayRecord& r : m_tables.Unopened(window))
            if (r.path == next->second.path) record2 = r;
        if (!record2.path.empty()) PrepareFile(record2);
    }
    return true;
}

void CPlayManagerUILogic::TakeWaitingFile(int window, PlayHandle current, PlayHandle next) {
    StopRecord(window);
    PostCloseAudio(current);
    // It plays the way the window does now, which may have turned since it was opened.
    const bool forward = m_tables.RecordOf(current)->direction != 0;
    PlayRecord* coming = m_tables.RecordOf(next);
    const bool turned = (coming->direction != 0) != forward;
    coming->direction = forward ? 1 : 0;
    if (m_state.sync) {
        // The group gives it its own direction as it joins.
        KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_GroupSwap, current, next);
    } else {
        if (turned)
            KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SetPlayDirection, ListOf({next}), forward ? 1 : 0);
        Pause(1, current);
        Pause(m_state.playing ? 0 : 1, next);
    }
    m_tables.Swap(current, next);
    m_tables.RecordOf(next)->atEnd = 0;
    if (CKXVideoWindow* grid = VideoWindow()) {
        ShowTitle(window, *m_tables.RecordOf(next));
        grid->SetNotice(window, L"");
    }
    if (m_state.sync && window == FocusedWindow()) PostOpenAudio(next);
    // What the window left is closed, and so is a file prepared for where it no longer goes.
    Retire(current);
    for (PlayHandle other : m_tables.WaitingHandles(window)) Retire(other);
}

void CPlayManagerUILogic::SaveIndex(PlayHandle handle) {
    PlayRecord* record = m_tables.RecordOf(handle);
    if (!record) return;
    record->indexReady = 1;
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_SaveRef, handle, record->path);
}

void CPlayManagerUILogic::ReRenderLastFrame(int window) {
    KX_POST_TASK(ML_PLAY, m_playLogic.get(), &CPlayManagerPlayLogic::Task_RenderLastFrame,
                 ListOf(m_tables.BoundHandles(window)));
}

void CPlayManagerUILogic::SrceenUnlockRender() { ReRenderLastFrame(kAllWindows); }

int CPlayManagerUILogic::SetVerticalSync(int on) {
    CKXVideoWindow* grid = VideoWindow();
    return grid ? grid->SetVerticalSync(on) : 0;
}

// --- Replies ---

void CPlayManagerUILogic::AfterOpens(std::function<void()> task) {
    if (!task) return;
    if (!IsBusy(false)) return task();
    m_afterOpens.push_back(std::move(task));
}

void CPlayManagerUILogic::Task_PlayOneFile_Ret(int result, void* handle, CPlayManagerPlayLogic::Record record) {
    if (record && PreparedFileOpened(result, handle, *record)) return;
    if (m_pendingOpens > 0) --m_pendingOpens;
    if (m_pendingOpens == 0 && !m_afterOpens.empty()) {
        // After this answer is taken in.
        for (auto& task : m_afterOpens) KX_POST_FUNCTION(ML_MAIN, task);
        m_afterOpens.clear();
    }
    if (!record) return;
    const int window = record->context;
    CKXVideoWindow* grid = VideoWindow();
    if (result != 1 || !handle) {
        MarkPlaying({*record}, 0);
        if (grid) grid->SetLoading(window, 0);
        return;
    }
    if (m_tables.Add(handle, *record)) {
        if (grid) {
            grid->SetLoading(window, 0);
            ShowTitle(window, *record);
        }
    } else {
        // A further file of the window's channel: it waits, parked in its middle once indexed.
        SeekRelativePos(handle, 50.0f);
    }
    unsigned int start = 0, end = 0;
    if (m_listener->TakePendingTimeInfo(handle, &start, &end)) m_listener->OnPlayTimeInfoChanged(handle, start, end);
    if (m_syncCountdown > 0) --m_syncCountdown;
    if (m_pendingOpens == 0) Pause(0);  // every file is open: all play, and the play bar shows it
    StartSyncWhenReady();
    if (m_tables.WindowOf(handle) == FocusedWindow() && m_tables.IsBound(handle)) {
        PostOpenAudio(handle);
        ChooseSoundChannel(static_cast<unsigned long>(TarvexApp::Settings().SoundChannel));
    }
}

void CPlayManagerUILogic::Task_CloseFiles_Ret(void*, int) {
    if (m_pendingCloses > 0) --m_pendingCloses;
    if (m_pendingCloses > 0 || m_pendingOpens > 0) return;
    auto owner = Owner();
    if (owner && owner->IsClosing()) owner->NotifyCloseReady();
}

void CPlayManagerUILogic::Task_Pause_Ret(int, int) { m_pauseSettled = 1; }

void CPlayManagerUILogic::Task_SetPlayDirection_FailedRet(PlayHandleList handles) {
    for (PlayHandle h : handles ? *handles : Handles())
        if (PlayRecord* r = m_tables.RecordOf(h)) r->direction = 1;
    m_state.forward = true;
    ShowState();
    ShowMessageBox(L"Failed to play backward!");
}

namespace {
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.rfind(L'/');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}
}  // namespace

void CPlayManagerUILogic::Task_SnapPicture_Ret(int result, std::wstring path) {
    if (result)
        ShowFolderNotification(L"Snapshot saved:", L" " + FileNameOf(path), FolderOf(path));
    else
        ShowNotification(L"The snapshot could not be written:", L" " + FileNameOf(path));
}

void CPlayManagerUILogic::Task_StartRecord_Ret(int result, int window) {
    if (result != RECORD_STARTED) m_clips.erase(window);
    if (result == RECORD_FAILED) ShowMessageBox(L"Record Failed!");
    if (result == RECORD_REFUSED_STATE) ShowMessageBox(L"It can not record as playing under abnormal playing state!");
    if (CKXVideoWindow* grid = VideoWindow()) grid->SetRecordState(window, result == RECORD_STARTED ? 1 : 0);
}

void CPlayManagerUILogic::Task_StopRecord_Ret(int result, int window, std::wstring clip) {
    if (result && !clip.empty()) ShowFolderNotification(L"Clip saved:", L" " + FileNameOf(clip), FolderOf(clip));
    if (CKXVideoWindow* grid = VideoWindow()) grid->SetRecordState(window, 0);
}

void CPlayManagerUILogic::Task_GetVideoInfo_Ret(void* handle, CVideoInfoTexts texts) {
    const PlayRecord* record = m_tables.RecordOf(handle);
    if (!record || !m_tables.IsBound(handle)) return;
    struct stat st;
    if (::stat(KX_SOFT_BASE::WideToNative(record->path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return;
    texts.size = FileSizeText(static_cast<std::uint64_t>(st.st_size));
    texts.path = record->path;
    if (texts.frames.empty()) texts.frames = texts.keyframes = TarvexApp::Translate(L"Still being indexed");
    ShowVideoInfo(texts);
}
