#pragma once
// The video-window grid: sub-windows arranged by a layout, each showing the frames it is given,
// with a title, a loading state, and close, snapshot, property and record buttons. Mode 0 is the
// main grid; mode 1 the preview of the custom-layout dialog, whose rows and columns can be set and
// whose cells can be merged by dragging from one to another (right-click splits them again).
//
// Sub-windows are numbered 0..count-1 in reading order of the layout and keep their number when
// the user drags one onto another in drag mode: only their places change.
//
// Frames are planar Y, V, U (4:2:0, tightly packed). `DrawFrame` converts on the UI thread and
// returns before the caller releases its buffer. It returns 0 when it will not draw now (a large
// frame, or a conversion of that sub-window still under way elsewhere); then `ConvertFrame` on any
// other thread and `PresentFrame` on the UI thread do the same job. A thread that converts holds
// the grid's `CKXVideoFrameTarget`, which stays safe to use after the grid is gone.
#include <cstdint>
#include <memory>
#include <string>

#include "Toolkit/Window.h"

class IKXVideoWindowEvent;
struct KXFrameMailbox;

// What another thread holds to convert frames for a grid. It outlives the grid safely: once the
// grid is gone every conversion returns 0.
class CKXVideoFrameTarget {
public:
    explicit CKXVideoFrameTarget(std::shared_ptr<KXFrameMailbox> mailbox) : m_mailbox(std::move(mailbox)) {}
    // Any thread: converts the frame for the sub-window; nonzero when converted. A failure lets
    // the sub-window's next frames be drawn on the UI thread again.
    int ConvertFrame(int window, const std::uint8_t* yvu, int width, int height) const;

private:
    std::shared_ptr<KXFrameMailbox> m_mailbox;
};

struct KXVideoWindowSkin {
    std::wstring noVideoImage;        // what an empty sub-window shows
    std::wstring borderWidth = L"2";  // around each sub-window
    std::wstring focusBorderWidth = L"2";
    // Border, background, recording mark, (unused), focus border, title text: "RRGGBB".
    std::wstring colors[6] = {L"5c6576", L"353b48", L"fa0000", L"586f1b", L"00fa00", L"38b6ff"};
    std::wstring closeImages[3], snapImages[3], propertyImages[3];  // normal, hover, pressed
    std::wstring recordImages[2];                                   // checked, unchecked
    std::wstring buttonSize = L"20,20";
    std::wstring loadingText = L"Loading...";
    std::wstring replayText = L"Replay";
    // Said in the middle of the main grid's selected sub-window while every sub-window is empty:
    // how to begin. Empty: nothing.
    std::wstring emptyGridText;
};

class CKXVideoWindow : public CKXWindow {
public:
    // maxRows, maxColumns: the largest arrangement the grid takes (at most 8 each).
    CKXVideoWindow(int mode, IKXVideoWindowEvent* sink, int maxRows, int maxColumns);
    ~CKXVideoWindow() override;

    // "rows/columns/count/..." of a built-in layout (0-9); an unknown type gives type 1's.
    static std::wstring GetDefaultLayout(int type);
    static constexpr int kCustomLayout = 10;

    void SetSkin(const KXVideoWindowSkin& skin);
    int GetMode() const;

    // A built-in type, or kCustomLayout with its description. 0 for an unknown type or a
    // description that does not parse; the arrangement is then unchanged. Frames stay with their
    // sub-windows where the count allows.
    int SetLayout(int type, const std::wstring& description = std::wstring());
    int GetLayoutType() const;
    std::wstring GetLayoutDescription() const;
    int GetWindowCount() const;
    // Preview: a uniform grid of rows x columns (1 to the maximum); raises OnLayoutChanged.
    int SetRows(int rows);
    int SetColumns(int columns);
    int GetRows() const;
    int GetColumns() const;

    int GetFocusWindow() const;
    void SetFocusWindow(int window);  // no event
    CKXRect GetSubWindowRect(int window) const;

    void SetWindowTitle(int window, const std::wstring& title);
    std::wstring GetWindowTitle(int window) const;
    // The title as the strip shows it: shortened in the middle when it does not fit (empty when
    // the sub-window is too small for a strip).
    std::wstring GetShownTitle(int window) const;
    // Shown while the mouse rests on the title strip; empty: none.
    void SetWindowToolTip(int window, const std::wstring& text);
    std::wstring GetWindowToolTip(int window) const;
    // A line said across the middle of the sub-window, over its picture; empty: none.
    void SetNotice(int window, const std::wstring& text);
    std::wstring GetNotice(int window) const;
    void SetLoading(int window, int on);
    int IsLoading(int window) const;
    // The "Replay" button over a sub-window whose file has ended; a click raises OnBnClickedVideoReplay.
    void ShowReplay(int window, int on);
    void SetRecordState(int window, int checked);
    int GetRecordState(int window) const;
    // Drops the sub-window's frame, and any converted elsewhere that waits to be presented: it
    // shows the empty picture again.
    void ClearWindow(int window);

    int DrawFrame(int window, const std::uint8_t* yvu, int width, int height, int ivs, const void* info);
    // Converts the frame for the sub-window; nonzero when converted. Another thread converts
    // through the frame target, never through the window, which belongs to the UI thread.
    int ConvertFrame(int window, const std::uint8_t* yvu, int width, int height);
    const std::shared_ptr<CKXVideoFrameTarget>& GetFrameTarget() const { return m_frameTarget; }
    // UI thread: shows what ConvertFrame made; nonzero when there was a frame.
    int PresentFrame(int window);
    int HasFrame(int window) const;
    // While held, frames drawn or presented wait and the sub-windows keep what they show; the
    // release shows every waiting frame at once, so frames meant for one moment change together.
    void HoldFrames(int on);
    // A frame of the sub-window waits for the release.
    int HasHeldFrame(int window) const;
    // How many frames the sub-window has been given to show since it was made (for measuring).
    unsigned int GetFramesShown(int window) const;

    // 4, 3 / 16, 9 / 0, 0 (fill the sub-window).
    void SetProportion(int x, int y);
    // On: frames reach the screen with its refresh, at most one repaint per refresh.
    int SetVerticalSync(int on);
    int GetVerticalSync() const;
    void SetDigitalZoom(int on);
    int GetDigitalZoom() const;
    void SetDragMode(int on);
    int GetDragMode() const;
    // One sub-window fills the grid (-1: back to the arrangement).
    void ZoomWindow(int window);
    int GetZoomedWindow() const;
    // The user draws a rectangle over the sub-window's picture: a drag shows its outline, the
    // release raises OnRegionChosen with it in fractions of the whole frame (the part a digital
    // zoom shows and the picture's place in the sub-window taken into account). Escape or a
    // right-click ends it with none. `hint` is said over the picture meanwhile; the outline stays
    // until EndRegion.
    void BeginRegion(int window, const std::wstring& hint);
    void EndRegion();
    int GetRegionWindow() const;  // -1: none
    // The outline drawn, in the grid's coordinates (empty while none).
    CKXRect GetRegionOutline() const;
    // Every sub-window repaints; those without a frame ask for one (OnPaintFailed).
    void RefreshAll();
    // 1 while the main grid says how to begin (in its selected sub-window): the skin gives the
    // text and no sub-window shows anything (no title, no loading, no frame, no notice).
    int IsEmptyGridTextShown() const;

    IKXVideoWindowEvent* GetSink() const { return m_sink; }

private:
    IKXVideoWindowEvent* m_sink;
    // What ConvertFrame hands to PresentFrame across threads; shares the native side's mailbox.
    std::shared_ptr<CKXVideoFrameTarget> m_frameTarget;
};
