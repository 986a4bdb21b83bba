#pragma once
// The play progress panel (timeline): one row per key (a video window) with a label and the
// segments of wall-clock time its files cover, a cursor per row, and a time scale that zooms from
// a whole day down to a minute and pans. A click on a row's scale asks for a seek to that moment; a
// click on a row's label selects the row and passes its key on.
//
// Controls, placed by the geometry record: twelve radios (the first four select the four rows on
// view; the others zoom to 24 h, 12 h, 6 h, 2 h, 1 h, 30 min, 10 min and 2 min where they lie on
// the panel clear of the scale), channel up and down (scroll the rows), step buttons (scroll the
// scale by half its span), the current-time box (the selected row's cursor) and the zoom bar (the
// span on view within the day; drag it). The wheel over the scale zooms around the mouse, a drag
// on the scale's header or a free row pans it; Shift with the wheel, or the wheel over the
// labels, turns the rows (four are on view), as does the thin bar at the left edge.
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Window.h"

struct KXProgressGeometry {
    int scaleStart = 0, scaleEnd = 950;  // x of the time scale
    std::wstring radios[12];             // "x,y,width,height"
    std::wstring channelUp = L"960,30,20,30", channelDown = L"960,60,20,30";
    std::wstring stepBackward = L"163,30,15,30", stepForward = L"960,30,15,30";
    std::wstring currentTime = L"40,80,70,24";
    std::wstring zoomBar = L"178,86,755,13";
};

struct KXProgressSkin {
    std::wstring background;
    std::wstring radioUnchecked, radioChecked, recordMark, currentTimeBack;
    std::wstring channelUp, channelDown;
    std::wstring backwardDisabled, backwardEnabled, forwardDisabled, forwardEnabled;
    std::wstring header;
    std::wstring zoom[4];      // left, centre, right, slip
    std::wstring viewport[4];  // left, centre, right, slip
    std::wstring cursor, cutLeft, cutRight;
};

struct KXProgressSegment {
    int id = 0;
    std::time_t start = 0, end = 0;
    int kind = 1;  // 1: a file that was played
};

// What a file's activity looks like on its row: a level (0..255) per second from `start`, and the
// spans of its events in wall-clock seconds, which are drawn emphasised.
struct KXProgressActivity {
    std::time_t start = 0;
    std::vector<unsigned char> levels;
    std::vector<std::pair<std::time_t, std::time_t>> events;
};

// A tick of the scale's header and where its label is drawn.
struct KXProgressTick {
    std::time_t at = 0;
    int x = 0;
    std::wstring label;
    CKXRect labelRect;
};

class CKXPlayProgressPanel : public CKXWindow {
public:
    explicit CKXPlayProgressPanel(IPlayProgressEvent* sink);
    ~CKXPlayProgressPanel() override;

    void SetSkin(const KXProgressSkin& skin);
    void SetGeometry(const KXProgressGeometry& geometry);
    KXProgressGeometry GetGeometry() const;

    // Adds the row, or replaces the one with the same key; rows are shown in key order.
    void AddRow(int key, const std::wstring& label, const std::vector<KXProgressSegment>& segments);
    int RemoveRow(int key);
    void RemoveAllRows();
    int HasRow(int key) const;
    // The heat strip under a segment of a row. It stays while the row is replaced with that
    // segment in it, and goes with the segment or the row.
    void SetSegmentActivity(int key, int segmentId, const KXProgressActivity& activity);
    int HasSegmentActivity(int key, int segmentId) const;
    int GetRow(int key, std::wstring& label, std::vector<KXProgressSegment>& segments) const;

    // key -1: every row.
    void SetCursor(int key, std::time_t seconds);
    std::time_t GetCursor(int key) const;  // 0 when the row has none
    void SelectRow(int key);
    int GetSelectedRow() const;  // -1 for none

    // The span of wall-clock time on view; the scale shows at least a minute and at most a day.
    // A span chosen (here or by the user) stays while rows come and go.
    void SetVisibleSpan(std::time_t from, std::time_t to);
    // The scale fits every row's files with a small margin, and keeps fitting them as rows come
    // and go until a span is chosen. So it starts.
    void FitToRows();
    void GetVisibleSpan(std::time_t& from, std::time_t& to) const;
    // The moment at an x of the panel, and back; for the panel's owner and its tests.
    std::time_t TimeAt(int x) const;
    int XOf(std::time_t seconds) const;
    // The header's ticks, as they are drawn.
    std::vector<KXProgressTick> GetTicks() const;
    // A stretch of wall-clock time chosen by a drag with the right mouse button (or with Ctrl and
    // the left), shaded over every row; a click or Escape clears it. False when there is none.
    bool GetSelection(std::time_t& from, std::time_t& to) const;
    void SetSelection(std::time_t from, std::time_t to);  // from == to clears it
    // The rectangle of a row's scale on view; empty when the row is not on view.
    CKXRect RowRect(int key) const;

    IPlayProgressEvent* GetSink() const { return m_sink; }

private:
    IPlayProgressEvent* m_sink;
};
