#pragma once
// How a skinned dialog's frame is drawn and where its parts are: the edges cut from the frame
// image, the client area inside them, the caption where a drag moves the window and the borders
// where a drag resizes it. A dialog with only a frame image gets the toolkit's own caption (title
// and close box); a dialog without either keeps the desktop's frame.
#include <QMargins>
#include <QRect>
#include <QString>

#include "Toolkit/SkinRecords.h"

class QPainter;

namespace KXQt {

class CDialogFrame {
public:
    enum class Kind { Desktop, FrameImage, Skin };

    void SetSkin(const KXDialogSkin& skin);
    void SetFrameImage(const std::wstring& image);
    Kind GetKind() const { return m_kind; }

    // The frame's thickness on each side (the caption included on top).
    QMargins Insets() const;
    // Where a press starts a move, in window coordinates of a window of this size.
    QRect CaptionArea(const QSize& window) const;
    // The toolkit caption's close box (FrameImage only).
    QRect CloseBox(const QSize& window) const;
    // Which edges a press at `at` resizes (none for a fixed frame).
    Qt::Edges ResizeEdges(const QPoint& at, const QSize& window) const;

    void Paint(QPainter& painter, const QRect& window, const QRect& client, const QString& title, bool active) const;

private:
    void PaintEdges(QPainter& painter, const QRect& window) const;

    Kind m_kind = Kind::Desktop;
    KXDialogSkin m_skin;
};

}  // namespace KXQt
