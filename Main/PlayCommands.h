#pragma once
// Every user action on playback, executed in one place: the play bar's buttons, the keys, the grid's
// title-strip buttons, the tool bar and the remote control all call these. The rule that refuses
// an action while files are opening or closing is applied here once, each action names which of
// the two it obeys, and a refusal is shown to the user (as the action's own control would) and
// returned to the caller with the text the user saw. UI thread only.
#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <string>

#include "Main/PanelFaces.h"

class CMainFrameUILogic;
class CPlayManagerUILogic;

// What the commands need of the main window.
class IPlayCommandHost {
public:
    virtual ~IPlayCommandHost() = default;
    virtual boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() = 0;
    virtual IPlayWindowsFace* PlayWindows() = 0;
    virtual IFileListFace* FileList() = 0;
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
    explicit CPlayCommands(IPlayCommandHost* host) : m_host(host) {}

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
};
