#pragma once
// The native side of the video-window grid: one widget that lays out and paints every sub-window
// (a grid of 36 repaints only the sub-windows that changed) and turns mouse input into the grid's
// notifications.
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

#include "Toolkit/GridLayout.h"
#include "Toolkit/VideoWindow.h"
#include "Toolkit/Qt/FrameConverter.h"
#include "Toolkit/Qt/FrameMailbox.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace KXQt {

class CVideoGridWidget : public QWidget, public CWidgetLink {
public:
    CVideoGridWidget(int mode, int maxRows, int maxCols, std::shared_ptr<KXFrameMailbox> mailbox);
    ~CVideoGridWidget() override;
    QWidget* Widget() override { return this; }
    std::shared_ptr<KXFrameMailbox> Mailbox() const { return m_mailbox; }

    enum class Button { None, Close, Snap, Property, Record, Replay };

    struct SubWindow {
        std::wstring title;
        std::wstring toolTip;  // over the title strip: what the short title leaves out
        std::wstring notice;  // said over the picture (a window that waits for its recording)
        bool loading = false;
        bool replay = false;
        bool recording = false;
        QImage frame;               // as converted for the sub-window's size
        QImage held;                // drawn while the grid holds its frames, shown at the release
        QRectF crop;                // digital zoom: the part of the frame shown
        bool askedForFrame = false;  // OnPaintFailed raised since the last frame
        unsigned int framesShown = 0;  // every frame drawn or presented, for measuring
        bool InUse() const { return !title.empty() || loading || !frame.isNull(); }
    };

    // State the toolkit window reads and sets.
    int mode;
    int maxRows, maxCols;
    int layoutType = 1;
    CKXGridLayout layout = CKXGridLayout::Builtin(1);
    std::vector<SubWindow> windows;
    std::vector<int> placeOf;  // window -> the layout cell it stands in (drag mode exchanges them)
    int focus = 0;
    int zoomed = -1;
    bool digitalZoom = false;
    bool dragMode = false;
    bool verticalSync = false;
    bool holding = false;
    int proportionX = 0, proportionY = 0;
    // A rectangle being drawn over one sub-window's picture (-1: none), its outline.
    int regionWindow = -1;
    QRect regionOutline;
    bool regionChosen = false;  // released: the outline stays, the mouse no longer draws
    std::wstring regionHint;

    void ApplySkin(const KXVideoWindowSkin& skin);
    void ApplyLayout(int type, const CKXGridLayout& next);
    QRect CellRect(int window) const;
    QRect PictureRect(int window) const;  // where the frame goes, in the proportion
    int WindowAt(const QPoint& at) const;
    // The strip along the top of a sub-window that holds its title and buttons (empty when the
    // sub-window shows none), and the title as it fits there: shortened in the middle, so that
    // both the device at its start and the channel or time at its end stay readable.
    QRect TitleStrip(int window) const;
    QRect TitleRect(int window) const;
    QString ShownTitle(int window) const;
    bool Valid(int window) const { return window >= 0 && window < layout.Count(); }
    // The main grid's text on how to begin is up: it has one and no sub-window shows anything.
    bool EmptyGridTextShown() const;

    int Draw(int window, const std::uint8_t* yvu, int width, int height);
    int Present(int window);
    // Empties the sub-window: its frame and anything converted elsewhere for it.
    void Clear(int window);
    void SetFrame(int window, QImage frame);
    void Hold(bool on);
    void Repaint(int window);
    void RefreshAll();
    void UpdateTargets();
    void BeginRegion(int window, const std::wstring& hint);
    void EndRegion();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent*) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    CKXVideoWindow* Owner() const { return static_cast<CKXVideoWindow*>(owner); }
    template <typename F>
    void Notify(F&& f);
    void PaintSubWindow(QPainter& p, int window);
    void PaintEmptyGridText(QPainter& p, const QRect& content);
    QRect ButtonRect(int window, Button button) const;
    bool ButtonShown(int window, Button button) const;
    int TitleLeft(int window) const;
    Button ButtonAt(int window, const QPoint& at) const;
    void Clicked(int window, Button button);
    void AskForFrame(int window);
    void PaintRegion(QPainter& p, int window);
    // The mouse while a rectangle is drawn: true when the event was the drawing's.
    bool RegionPress(QMouseEvent* e);
    bool RegionMove(QMouseEvent* e);
    bool RegionRelease(QMouseEvent* e);
    void RegionEnded(bool chosen);

    std::shared_ptr<KXFrameMailbox> m_mailbox;
    std::vector<std::unique_ptr<CFrameConverter>> m_converters;  // the UI thread's, per sub-window
    KXVideoWindowSkin m_skin;
    QColor m_colors[6];
    int m_border = 2, m_focusBorder = 2;
    QSize m_buttonSize{20, 20};
    QRegion m_dirty;
    bool m_emptyTextPainted = false;  // as the last paint left it: a change repaints the whole grid
    QTimer m_refresh;  // with vertical synchronisation: one repaint per screen refresh

    // What the mouse is doing.
    int m_pressWindow = -1;
    Button m_pressButton = Button::None;
    int m_hoverWindow = -1;
    Button m_hoverButton = Button::None;
    QPoint m_pressAt, m_dragAt;
    bool m_dragging = false;
};

}  // namespace KXQt
