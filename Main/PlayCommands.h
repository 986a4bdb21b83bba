#pragma once
// Every user action on playback, executed in one place: the play bar's buttons, the keys, the grid's
// title-strip buttons, the tool bar and the remote control all call these. The rule that refuses
// an action while files are opening or closing is applied here once, each action names which of
// the two it obeys, and a refusal is shown to the user (as the action's own control would) and
// returned to the caller with the text the user saw. UI thread only.
#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Base/UITimer.h"
#include "Main/PanelFaces.h"

class CEvidenceRun;
class CMotionSearch;
struct CMotionEvent;

class CMainFrameHelpLogic;
class CMainFrameUILogic;
class CPlayManagerUILogic;

// What the commands need of the main window.
class IPlayCommandHost {
public:
    virtual ~IPlayCommandHost() = default;
    virtual boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() = 0;
    virtual IPlayWindowsFace* PlayWindows() = 0;
    virtual IFileListFace* FileList() = 0;
    // The owner of the catalogue (the list's recordings), whose loop alone reads it.
    virtual boost::shared_ptr<CMainFrameHelpLogic> HelpLogic() = 0;
    // The play windows' page is the one shown (the playback keys act only there).
    virtual int IsPlayPageShown() = 0;
    virtual int IsFullScreen() const = 0;
    virtual void SetFullScreen(int on) = 0;
    virtual void DropPath(const std::wstring& path) = 0;
    // The window's own close, as its close button asks for it.
    virtual void CloseWindow() = 0;
};

struct CCommandResult {
    int ok = 1;
    std::wstring error;  // what the user was shown when it was refused, translated
    std::wstring file;   // the snapshot or clip a command writes
    static CCommandResult Refused(const std::wstring& text) { return CCommandResult{0, text, std::wstring()}; }
};

class CPlayCommands {
public:
    explicit CPlayCommands(IPlayCommandHost* host);
    ~CPlayCommands();

    CCommandResult SetPlaying(bool play);
    CCommandResult TogglePlay();
    CCommandResult Stop();
    // A frame back or forward; playback pauses first unless the step is refused anyway.
    CCommandResult Step(bool forward);
    // The play bar's previous and next buttons: a frame while paused, the list's entry before or
    // after the selected window's while playing.
    CCommandResult PreviousOrNext(bool forward);
    CCommandResult SetSpeed(int position);
    CCommandResult ChangeSpeed(int steps);
    CCommandResult SetReverse(bool on);
    CCommandResult SetSync(bool on);
    CCommandResult SetRepeat(bool on);
    CCommandResult SetMute(bool on);
    CCommandResult SetVolume(int volume);
    // A wall-clock second in a window (-1: the selected one); in sync every window goes there.
    CCommandResult Seek(unsigned int seconds, int window = -1);
    CCommandResult SeekBy(int seconds);
    // The start of the next (or previous) activity in the selected window's files, or in sync in
    // every window's (the group goes there); with none that way a notification says so.
    CCommandResult JumpToActivity(bool forward);
    // The picture on screen of a window (-1: the selected one), into the snapshot folder.
    CCommandResult Snapshot(int window);
    CCommandResult Record(int window, bool on);
    // One of the layout bar's layouts, by its window count.
    CCommandResult SetLayout(int windows);
    CCommandResult Focus(int window);
    CCommandResult FullScreen(bool on);
    CCommandResult CloseWindow(int window);
    // A folder or recording, as if dropped on the window.
    CCommandResult OpenPath(const std::wstring& path);
    // A listed day spread over the grid, or one channel of it into the selected window, as a
    // double-click on its entry.
    CCommandResult OpenDay(const std::wstring& device, std::int32_t dayKey);
    CCommandResult OpenChannel(const std::wstring& device, std::int32_t dayKey, std::int32_t channelCode);
    CCommandResult Quit();

    // Evidence of a stretch of wall-clock time (local seconds) from every window's channel into a
    // new folder, off the UI thread; the pictures are taken at the selected window's picture on
    // screen when it lies in the stretch, else at the stretch's start. Refused at once (and `done` not called) when nothing is open,
    // the stretch is empty or the folder holds something; else `done` comes once, with the folder
    // or the text of the failure shown to the user (a notification with "Open folder" on success).
    using EvidenceDone = std::function<void(const CCommandResult& result)>;
    CCommandResult ExportEvidence(double from, double to, const std::wstring& folder, const std::wstring& note,
                                  EvidenceDone done, std::function<void(double)> progress = nullptr);
    // The evidence dialog, prefilled with the stretch.
    CCommandResult OfferEvidenceExport(double from, double to);
    // A running export stops; its folder is removed again.
    void CancelEvidence();
    bool IsExportingEvidence() const;
    // Where evidence goes unless the user says otherwise: a new folder under the clip folder named
    // after the time of the export.
    static std::wstring DefaultEvidenceFolder(std::int64_t now);

    // Change inside a rectangle of a window's picture (fractions of the picture) in the
    // recordings of that window's channel: those the window holds, or (kListedDays) the channel's
    // recordings of every day the list shows for its device; from/to (wall clock) keep the events
    // that touch that stretch, both 0 every event. Refused when nothing plays in the window or the
    // rectangle is not inside the picture, and while another search runs.
    enum class SearchScope { kWindow, kListedDays };
    using SearchDone = std::function<void(bool cancelled, const std::vector<CMotionEvent>& events)>;
    CCommandResult SearchMotion(int window, double x, double y, double w, double h, double from, double to,
                                SearchDone done, std::function<void(double)> progress = nullptr,
                                SearchScope scope = SearchScope::kWindow);
    void CancelSearch();
    // A wall-clock second of a recording in a window: a seek when the window holds the recording,
    // else its day's channel is opened there first, as a double-click on it in the list does, and
    // the window goes to that second once it holds the recording.
    CCommandResult ShowRecordingAt(int window, const std::string& path, double seconds);

    static constexpr const wchar_t* kOpening =
        L"This operation can't accomplish as the videos are opening now, please retry later!";
    static constexpr const wchar_t* kBusy = L"Application is busy now,wait and retry again!";

private:
    // The busy rule: files still opening (and, for closing, still closing) refuse the action,
    // shown as a notification or a message box as the action's control does.
    enum class Busy { kNone, kOpening, kOpeningOrClosing };
    enum class Show { kNotification, kMessageBox };
    bool Refuse(Busy rule, Show how, const wchar_t* text, CCommandResult* result);
    CCommandResult RefusedWith(const std::wstring& english, Show how);
    int WindowOr(int window) const;  // -1: the selected window
    // A result refused with the text shown to the user while `done` ran, if it refused.
    template <class F> CCommandResult Ruled(F done);

    IPlayCommandHost* m_host;
    std::unique_ptr<CEvidenceRun> m_evidence;
    std::unique_ptr<CMotionSearch> m_search;
    std::string m_thumbnails;  // this program's folder of search thumbnails
    // A result of another day, waiting for its window to hold its recording.
    struct PendingShow {
        CKXTimer timer;
        int window = 0;
        std::string path;
        double seconds = 0;
        int checks = 0;
    };
    std::unique_ptr<PendingShow> m_pendingShow;
    void CheckPendingShow();
};
