#pragma once
// The faces of the panels that the main frame's and the play windows' logic call: each panel
// implements its face, and the logic reaches it through the owner chain (main window -> main page
// -> panels; play-window grid -> main page -> play bar, timeline, file list). The logic never sees
// a panel's controls, and a panel can be replaced by anything that keeps its face.
#include <boost/shared_ptr.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Files/FileRecords.h"
#include "Main/PlayState.h"
#include "Toolkit/EventSinks.h"

class CKXVideoWindow;

class CPlayManagerUILogic;
class CMainFrameHelpLogic;
class CPlayCommands;

// The file list (a tree of devices, days, channels and ungrouped files).
class IFileListFace {
public:
    virtual ~IFileListFace() = default;
    // The tree grows by the catalogue's lists, groups first.
    virtual void SetGroupList(const std::vector<_GROUP_FILE_INFO>& groups) = 0;
    virtual void SetSingleList(const std::vector<_SINGLE_FILE_INFO>& singles) = 0;
    // The entries of these records show (or stop showing) that they play.
    virtual void MarkPlaying(const std::vector<_QUERY_FILE_INFO>& records, int on) = 0;
    // The entry a play record came from: the channel (type 1), the day (type 2) or the ungrouped
    // file (type 0); 0 when it is not listed.
    virtual HKXTREEITEM FindEntry(const _QUERY_FILE_INFO& record) = 0;
    // Opens the entry before or after `entry` as a double-click would, into `window` (-1: the
    // grid's selected one); in group mode the day before or after. 1 when one was opened; then
    // `opened`, if given, names it ("FRONTDOOR · 4", "FRONTDOOR · 2024-03-16", a file's title).
    virtual int OpenAdjacentEntry(HKXTREEITEM entry, int forward, int groupMode, int window,
                                  std::wstring* opened = nullptr) = 0;
    // Opens a listed day (channel -1: the day's checked channels over the grid) or one channel
    // of it into the selected window, as a double-click on its entry. 0 when it is not listed.
    virtual int OpenListed(const std::wstring& device, std::int32_t day, std::int32_t channelCode) = 0;
    // The last start-up build is answered and nothing was played from it.
    virtual void LastBuildAnswered() = 0;
    // Checks every entry (before the reload deletes them all).
    virtual void CheckAll() = 0;
};

// The play bar's controls, by id.
enum PlayBarId {
    kRepeatButton = 2156,
    kSyncButton = 2157,
    kReverseButton = 2158,
    kPlayButton = 2159,  // checked: playing
    kStopButton = 2160,
    kPreviousButton = 2161,
    kNextButton = 2162,
    kMuteButton = 2163,  // checked: sound on
    kSpeedSlider = 2164,
    kVolumeSlider = 2165,
    kPreviousActivityButton = 2170,
    kNextActivityButton = 2171,
};

// The play bar shows the play state (its boxes, speed and volume follow it without raising
// their events); its clicks are commands.
using IPlayBarFace = IPlayStateView;

class ITimeLineFace {
public:
    virtual ~ITimeLineFace() = default;
    // The row of `window` holds the span of one file (segment `segmentId`) under `label`.
    virtual void UpdateRow(int window, const std::wstring& label, int segmentId, unsigned int start, unsigned int end) = 0;
    // The same for many files of the window at once (a day's thousands of files in one go).
    struct CSpan {
        int segmentId;
        unsigned int start, end;
    };
    virtual void UpdateRowSpans(int window, const std::wstring& label, const std::vector<CSpan>& spans) = 0;
    // The cursor of a window's row (-1: every row) at a wall-clock second.
    virtual void MoveCursor(int window, unsigned int seconds) = 0;
    // The window's row comes on view (the rows scroll) and is marked.
    virtual void SelectRow(int window) = 0;
    // A closed window's row goes (-1: every row).
    virtual void RemoveRow(int window) = 0;
    // Something is being opened: the scale fits all that is open, and what comes of this opening,
    // until the user zooms or pans.
    virtual void FitToOpening() = 0;
    // The heat strip under a file's span in a window's row: a level (0..255) per second from
    // `start` and the file's events, wall-clock seconds.
    struct CActivityStrip {
        long long start = 0;
        std::vector<unsigned char> levels;
        std::vector<std::pair<long long, long long>> events;
    };
    virtual void ShowActivity(int window, int segmentId, const CActivityStrip& strip) {}
    // The stretch of wall-clock seconds the user selected on the scale; false when none.
    virtual bool GetSelection(long long* from, long long* to) const { return false; }
    virtual void ClearSelection() {}
};

class ITabBarFace {
public:
    virtual ~ITabBarFace() = default;
    virtual void SetSelectAll(int checked) = 0;
    // Tab 0 is the play windows' page.
    virtual int IsTabSelected(int tab) const = 0;
    // Deletes the checked entries from the list and the catalogue, as its delete button does.
    virtual void DeleteChecked() = 0;
};

class ILayoutBarFace {
public:
    virtual ~ILayoutBarFace() = default;
    // Switches the grid to the first layout with at least `windows` sub-windows.
    virtual void SelectLayoutFor(int windows) = 0;
};

// The play-window grid panel, and through its main page the panels around it.
class IPlayWindowsFace {
public:
    virtual ~IPlayWindowsFace() = default;
    virtual CKXVideoWindow* VideoWindow() = 0;
    virtual boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() = 0;
    // What the panels' clicks and the keys call.
    virtual CPlayCommands* Commands() = 0;
    virtual IPlayBarFace* PlayBar() = 0;
    virtual ITimeLineFace* TimeLine() = 0;
    virtual IFileListFace* FileList() = 0;
    virtual ILayoutBarFace* LayoutBar() = 0;
    // Converts the frames the grid will not draw at once, on the helper loop.
    virtual boost::shared_ptr<CMainFrameHelpLogic> HelpLogic() = 0;
    // The main window's close in progress: told when the last close has been answered.
    virtual int IsClosing() const = 0;
    virtual void NotifyCloseReady() = 0;
    virtual int IsScreenLocked() const = 0;
    // The evidence dialog for a stretch (wall clock, local seconds).
    virtual void OfferEvidenceExport(double from, double to) {}
};

// The main window, as the main frame's logic sees it.
class IMainWindowFace {
public:
    virtual ~IMainWindowFace() = default;
    // A catalogue build was answered: how many start-up builds still wait for their reply.
    virtual int BuildAnswered() = 0;
    virtual int IsWindowVisible() const = 0;
    virtual void ShowWindow() = 0;
    // Posts the reload offer to the main window (its message 2003).
    virtual void PostReloadOffer() = 0;
    // A path dropped on the window (the reload drops the recent folders again).
    virtual void DropPath(const std::wstring& path) = 0;
    virtual IFileListFace* FileList() = 0;
    virtual ITabBarFace* TabBar() = 0;
    virtual IPlayWindowsFace* PlayWindows() = 0;
    virtual boost::shared_ptr<CPlayManagerUILogic> PlayUILogic() = 0;
};

