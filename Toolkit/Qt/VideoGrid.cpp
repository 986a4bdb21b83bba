#include "Toolkit/Qt/VideoGrid.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QToolTip>

#include <algorithm>
#include <utility>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"

namespace KXQt {

namespace {

// Frames larger than this are converted off the UI thread.
constexpr long long kDirectDrawLimit = 1280LL * 720;

enum ColorSlot { kBorderColor, kBackColor, kRecordColor, kSpareColor, kFocusColor, kTitleColor };

QSize ParseSize(const std::wstring& text, const QSize& fallback) {
    const QRect r = ParseRect(L"0,0," + text);
    return r.isValid() && !r.isEmpty() ? r.size() : fallback;
}

}  // namespace

CVideoGridWidget::CVideoGridWidget(int mode, int maxRows, int maxCols, std::shared_ptr<KXFrameMailbox> mailbox)
    : mode(mode),
      maxRows(std::clamp(maxRows, 1, 8)),
      maxCols(std::clamp(maxCols, 1, 8)),
      windows(KXFrameMailbox::kSlots),
      placeOf(KXFrameMailbox::kSlots),
      m_mailbox(std::move(mailbox)),
      m_converters(KXFrameMailbox::kSlots) {
    for (int i = 0; i < KXFrameMailbox::kSlots; ++i) placeOf[i] = i;
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ApplySkin(KXVideoWindowSkin());
    if (mode == 1) ApplyLayout(CKXVideoWindow::kCustomLayout, CKXGridLayout::Uniform(2, 2));
    m_refresh.setTimerType(Qt::PreciseTimer);
    connect(&m_refresh, &QTimer::timeout, this, [this] {
        if (m_dirty.isEmpty()) return;
        update(m_dirty);
        m_dirty = QRegion();
    });
}

CVideoGridWidget::~CVideoGridWidget() { m_mailbox->open = false; }

void CVideoGridWidget::ApplySkin(const KXVideoWindowSkin& skin) {
    m_skin = skin;
    const QColor fallback[6] = {Theme::Pressed(), Theme::Raised(), QColor(0xfa, 0, 0), QColor(0x58, 0x6f, 0x1b),
                                QColor(0, 0xfa, 0), Theme::Accent()};
    for (int i = 0; i < 6; ++i) m_colors[i] = ParseColor(skin.colors[i], fallback[i]);
    m_border = std::clamp(ToQString(skin.borderWidth).toInt(), 0, 8);
    m_focusBorder = std::clamp(ToQString(skin.focusBorderWidth).toInt(), 0, 8);
    m_buttonSize = ParseSize(skin.buttonSize, QSize(20, 20));
    UpdateTargets();
    update();
}

void CVideoGridWidget::ApplyLayout(int type, const CKXGridLayout& next) {
    layoutType = type;
    layout = next;
    for (int i = 0; i < KXFrameMailbox::kSlots; ++i) placeOf[i] = i;
    zoomed = -1;
    if (focus >= layout.Count()) focus = 0;
    // Sub-windows beyond the new count are emptied; the others keep what they show.
    for (int i = layout.Count(); i < KXFrameMailbox::kSlots; ++i) {
        windows[i] = SubWindow();
        m_mailbox->entries[i].Clear();
    }
    UpdateTargets();
    update();
}

QRect CVideoGridWidget::CellRect(int window) const {
    if (!Valid(window)) return QRect();
    if (zoomed >= 0) return window == zoomed ? rect() : QRect();
    const KXGridCell& cell = layout.Cell(placeOf[window] < layout.Count() ? placeOf[window] : window);
    // Whole pixels shared out evenly: the cells cover the grid without gaps or overlaps.
    auto edge = [](int index, int parts, int length) { return static_cast<int>(static_cast<long long>(index) * length / parts); };
    const int left = edge(cell.col, layout.Cols(), width()), right = edge(cell.col + cell.cols, layout.Cols(), width());
    const int top = edge(cell.row, layout.Rows(), height()), bottom = edge(cell.row + cell.rows, layout.Rows(), height());
    return QRect(left, top, right - left, bottom - top);
}

QRect CVideoGridWidget::PictureRect(int window) const {
    const QRect content = CellRect(window).adjusted(m_focusBorder, m_focusBorder, -m_focusBorder, -m_focusBorder);
    if (content.isEmpty() || proportionX <= 0 || proportionY <= 0) return content;
    QSize fitted(content.width(), content.width() * proportionY / proportionX);
    if (fitted.height() > content.height()) fitted = QSize(content.height() * proportionX / proportionY, content.height());
    QRect picture(QPoint(0, 0), fitted);
    picture.moveCenter(content.center());
    return picture;
}

int CVideoGridWidget::WindowAt(const QPoint& at) const {
    for (int w = 0; w < layout.Count(); ++w)
        if (CellRect(w).contains(at)) return w;
    return -1;
}

void CVideoGridWidget::UpdateTargets() {
    for (int w = 0; w < KXFrameMailbox::kSlots; ++w) {
        const QSize target = Valid(w) ? PictureRect(w).size() : QSize();
        std::lock_guard<std::mutex> lock(m_mailbox->entries[w].lock);
        m_mailbox->entries[w].target = target;
        m_mailbox->entries[w].crop = windows[w].crop;
    }
}

int CVideoGridWidget::Draw(int window, const std::uint8_t* yvu, int width, int height) {
    if (!Valid(window)) return 1;  // nowhere to draw: the frame is done with
    SubWindow& sub = windows[window];
    {
        KXFrameMailbox::Slot& slot = m_mailbox->entries[window];
        std::lock_guard<std::mutex> lock(slot.lock);
        if (slot.pending || static_cast<long long>(width) * height > kDirectDrawLimit) {
            slot.pending = true;
            return 0;
        }
    }
    const QSize target = PictureRect(window).size();
    if (target.isEmpty() || !isVisible()) return 1;
    if (!m_converters[window]) m_converters[window] = std::make_unique<CFrameConverter>();
    QImage frame = m_converters[window]->Convert(yvu, width, height, target, sub.crop);
    if (frame.isNull()) return 1;
    SetFrame(window, std::move(frame));
    return 1;
}

int CVideoGridWidget::Present(int window) {
    if (!Valid(window)) return 0;
    QImage frame;
    {
        KXFrameMailbox::Slot& slot = m_mailbox->entries[window];
        std::lock_guard<std::mutex> lock(slot.lock);
        slot.pending = false;
        if (!slot.fresh) return 0;
        frame = std::move(slot.converted);
        slot.converted = QImage();
        slot.fresh = false;
    }
    SetFrame(window, std::move(frame));
    return 1;
}

void CVideoGridWidget::Clear(int window) {
    SubWindow& sub = windows[window];
    sub.frame = QImage();
    sub.held = QImage();
    sub.replay = false;
    sub.askedForFrame = false;
    m_mailbox->entries[window].Clear();
}

void CVideoGridWidget::SetFrame(int window, QImage frame) {
    SubWindow& sub = windows[window];
    if (holding) {
        sub.held = std::move(frame);  // a newer one for the same moment replaces it
        return;
    }
    sub.frame = std::move(frame);
    ++sub.framesShown;
    sub.askedForFrame = false;
    Repaint(window);
}

void CVideoGridWidget::Hold(bool on) {
    if (holding == on) return;
    holding = on;
    if (on) return;
    for (int w = 0; w < static_cast<int>(windows.size()); ++w)
        if (!windows[w].held.isNull()) SetFrame(w, std::exchange(windows[w].held, QImage()));
}

bool CVideoGridWidget::EmptyGridTextShown() const {
    if (mode != 0 || m_skin.emptyGridText.empty()) return false;
    for (int w = 0; w < layout.Count(); ++w)
        if (windows[w].InUse() || !windows[w].notice.empty()) return false;
    return true;
}

void CVideoGridWidget::Repaint(int window) {
    const QRect area = CellRect(window);
    if (area.isEmpty()) return;
    // The text spans sub-windows: it comes and goes with the whole grid.
    if (!m_skin.emptyGridText.empty() && EmptyGridTextShown() != m_emptyTextPainted) return update();
    if (!verticalSync) return update(area);
    m_dirty += area;
    if (!m_refresh.isActive()) {
        const qreal hz = screen() ? screen()->refreshRate() : 60;
        m_refresh.start(static_cast<int>(1000 / std::max<qreal>(hz, 24)));
    }
}

void CVideoGridWidget::RefreshAll() {
    for (auto& sub : windows) sub.askedForFrame = false;
    update();
}

template <typename F>
void CVideoGridWidget::Notify(F&& f) {
    NotifySink(Owner(), std::forward<F>(f));
}

void CVideoGridWidget::AskForFrame(int window) {
    // Asked once until a frame comes, and from the loop: a sink must not draw inside a paint.
    SubWindow& sub = windows[window];
    if (sub.askedForFrame) return;
    sub.askedForFrame = true;
    QMetaObject::invokeMethod(this, [this, window] {
        if (Valid(window)) Notify([window](IKXVideoWindowEvent* s, int id) { s->OnPaintFailed(window, id); });
    }, Qt::QueuedConnection);
}

void CVideoGridWidget::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    p.fillRect(e->rect(), m_colors[kBorderColor]);
    for (int w = 0; w < layout.Count(); ++w)
        if (CellRect(w).intersects(e->rect())) PaintSubWindow(p, w);
    m_emptyTextPainted = EmptyGridTextShown();
    if (!m_dragging || !Valid(m_pressWindow)) return;
    // What the drag will do: the rectangle to zoom into, or the sub-window to exchange with.
    p.setPen(QPen(m_colors[kFocusColor], 1, Qt::DashLine));
    p.setBrush(QColor(255, 255, 255, 30));
    if (digitalZoom && !dragMode && mode == 0) {
        p.drawRect(QRect(m_pressAt, m_dragAt).normalized().intersected(PictureRect(m_pressWindow)));
    } else if (const int target = WindowAt(m_dragAt); target >= 0 && (dragMode || mode == 1)) {
        p.drawRect(CellRect(target).adjusted(2, 2, -3, -3));
    }
}

void CVideoGridWidget::PaintEmptyGridText(QPainter& p, const QRect& content) {
    // A box in the middle of the selected sub-window, where a dropped recording plays; inside it,
    // so that the borders between sub-windows stay whole.
    const QString text = ToQString(m_skin.emptyGridText);
    const int width = std::max(0, std::min(content.width() - 40, 460));
    const QRect bound = p.fontMetrics().boundingRect(QRect(0, 0, width, 10000), Qt::AlignCenter | Qt::TextWordWrap, text);
    QRect box(0, 0, std::min(content.width(), bound.width() + 32), std::min(content.height(), bound.height() + 20));
    box.moveCenter(content.center());
    p.fillRect(box, QColor(0, 0, 0, 190));
    p.setPen(Theme::Text());
    p.drawText(box.adjusted(16, 10, -16, -10), Qt::AlignCenter | Qt::TextWordWrap, text);
}

void CVideoGridWidget::PaintSubWindow(QPainter& p, int window) {
    const SubWindow& sub = windows[window];
    const QRect cell = CellRect(window);
    const QRect content = cell.adjusted(m_focusBorder, m_focusBorder, -m_focusBorder, -m_focusBorder);
    p.fillRect(content, m_colors[kBackColor]);
    const QRect picture = PictureRect(window);

    if (!sub.frame.isNull()) {
        if (sub.frame.size() == picture.size()) {
            p.drawImage(picture.topLeft(), sub.frame);
        } else {
            // Resized since the frame came: show it scaled and ask for one of the right size.
            p.drawImage(picture, sub.frame);
            AskForFrame(window);
        }
    } else {
        const QPixmap empty = SkinImage(m_skin.noVideoImage);
        if (!empty.isNull()) {
            QSize size = empty.size();
            if (size.width() > content.width() || size.height() > content.height())
                size.scale(content.size(), Qt::KeepAspectRatio);
            QRect at(QPoint(0, 0), size);
            at.moveCenter(content.center());
            p.drawPixmap(at, empty);
        }
        if (sub.loading) {
            p.setPen(m_colors[kTitleColor]);
            p.drawText(content, Qt::AlignCenter, ToQString(m_skin.loadingText));
        } else if (sub.InUse()) {
            AskForFrame(window);
        }
    }

    if (window == focus && EmptyGridTextShown()) PaintEmptyGridText(p, content);

    if (!sub.notice.empty()) {
        // A band across the middle, readable over any picture.
        const QString text = ToQString(sub.notice);
        const int height = p.fontMetrics().height() + 8;
        const QRect band(content.left(), content.center().y() - height / 2, content.width(), height);
        p.fillRect(band, QColor(0, 0, 0, 170));
        p.setPen(m_colors[kTitleColor]);
        p.drawText(band, Qt::AlignCenter | Qt::TextSingleLine,
                   p.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, band.width() - 8)));
    }

    // Borders: the focused sub-window in the focus colour.
    const bool focused = window == focus;
    const int border = focused ? m_focusBorder : m_border;
    if (border > 0) {
        p.setPen(QPen(focused ? m_colors[kFocusColor] : m_colors[kBorderColor], border, Qt::SolidLine, Qt::SquareCap,
                      Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(cell).adjusted(border / 2.0, border / 2.0, -border / 2.0, -border / 2.0));
    }

    if (const QRect strip = TitleStrip(window); !strip.isEmpty()) {
        p.fillRect(strip, QColor(0, 0, 0, 110));
        if (sub.recording) {
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(m_colors[kRecordColor]);
            p.drawEllipse(QPointF(strip.left() + 9, strip.center().y() + 0.5), 4, 4);
            p.setRenderHint(QPainter::Antialiasing, false);
        }
        p.setPen(m_colors[kTitleColor]);
        const QRect title = TitleRect(window);
        p.drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, ShownTitle(window));
        for (Button b : {Button::Record, Button::Property, Button::Snap, Button::Close}) {
            if (!ButtonShown(window, b)) continue;
            const QRect at = ButtonRect(window, b);
            const bool hover = window == m_hoverWindow && b == m_hoverButton;
            const bool down = hover && window == m_pressWindow && b == m_pressButton;
            const std::wstring* images = b == Button::Close ? m_skin.closeImages
                                         : b == Button::Snap ? m_skin.snapImages
                                                             : m_skin.propertyImages;
            QPixmap face = b == Button::Record ? SkinImage(m_skin.recordImages[sub.recording ? 0 : 1])
                                               : FirstImage({images[down ? 2 : hover ? 1 : 0], images[0]});
            if (!face.isNull()) {
                p.drawPixmap(at, face);
            } else {
                p.fillRect(at, hover ? Theme::Pressed() : Theme::Raised());
                p.setPen(Theme::Text());
                p.drawText(at, Qt::AlignCenter, b == Button::Close ? "x" : b == Button::Snap ? "S" : b == Button::Property ? "i" : "R");
            }
        }
    }
    if (sub.replay) {
        const QRect at = ButtonRect(window, Button::Replay);
        p.setPen(QPen(m_colors[kTitleColor], 1));
        p.setBrush(QColor(0, 0, 0, 160));
        p.drawRoundedRect(at, 4, 4);
        p.drawText(at, Qt::AlignCenter, ToQString(m_skin.replayText));
    }
    if (window == regionWindow) PaintRegion(p, window);
}

QRect CVideoGridWidget::TitleStrip(int window) const {
    if (!Valid(window) || !windows[window].InUse()) return QRect();
    const QRect cell = CellRect(window);
    if (cell.height() <= m_buttonSize.height() + 8) return QRect();
    const QRect content = cell.adjusted(m_focusBorder, m_focusBorder, -m_focusBorder, -m_focusBorder);
    return QRect(content.left(), content.top(), content.width(), m_buttonSize.height() + 4);
}

QRect CVideoGridWidget::TitleRect(int window) const {
    const QRect strip = TitleStrip(window);
    if (strip.isEmpty()) return QRect();
    const int textLeft = TitleLeft(window);
    int textRight = strip.right() - 4;
    for (Button b : {Button::Close, Button::Snap, Button::Property, Button::Record})
        if (ButtonShown(window, b)) textRight = ButtonRect(window, b).left() - 4;
    return QRect(textLeft, strip.top(), std::max(0, textRight - textLeft), strip.height());
}

int CVideoGridWidget::TitleLeft(int window) const {
    return TitleStrip(window).left() + (windows[window].recording ? 18 : 6);
}

bool CVideoGridWidget::ButtonShown(int window, Button button) const {
    const QRect strip = TitleStrip(window);
    if (strip.isEmpty()) return false;
    // In a small sub-window the title comes first: it keeps room for the device's start and the
    // channel ("FRO… · 12"), and the buttons that would take that room are left out, the record
    // button first, then the property and snapshot buttons; the close button stays while it fits.
    const int wanted = std::min(fontMetrics().horizontalAdvance(ToQString(windows[window].title)),
                                fontMetrics().horizontalAdvance(QStringLiteral("FRON\u2026 \u00B7 36")));
    const int titleLeft = TitleLeft(window);
    const int left = ButtonRect(window, button).left();
    if (left < titleLeft) return false;
    return button == Button::Close || left - 4 - titleLeft >= wanted;
}

QString CVideoGridWidget::ShownTitle(int window) const {
    const QRect title = TitleRect(window);
    if (title.isEmpty()) return QString();
    return fontMetrics().elidedText(ToQString(windows[window].title), Qt::ElideMiddle, title.width());
}

bool CVideoGridWidget::event(QEvent* e) {
    if (e->type() != QEvent::ToolTip) return QWidget::event(e);
    // Over a title strip, outside its buttons: the sub-window's full description.
    const QPoint at = static_cast<QHelpEvent*>(e)->pos();
    const int window = WindowAt(at);
    if (Valid(window) && TitleStrip(window).contains(at) && ButtonAt(window, at) == Button::None &&
        !windows[window].toolTip.empty()) {
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), ToQString(windows[window].toolTip), this,
                           TitleStrip(window));
    } else {
        QToolTip::hideText();
        e->ignore();
    }
    return true;
}

QRect CVideoGridWidget::ButtonRect(int window, Button button) const {
    const QRect content = CellRect(window).adjusted(m_focusBorder, m_focusBorder, -m_focusBorder, -m_focusBorder);
    if (button == Button::Replay) {
        QRect at(0, 0, std::max(80, fontMetrics().horizontalAdvance(ToQString(m_skin.replayText)) + 24), 28);
        at.moveCenter(content.center());
        return at;
    }
    // From the right: close, snapshot, property, record.
    const int slot = button == Button::Close ? 1 : button == Button::Snap ? 2 : button == Button::Property ? 3 : 4;
    return QRect(content.right() + 1 - slot * (m_buttonSize.width() + 2), content.top() + 2, m_buttonSize.width(),
                 m_buttonSize.height());
}

CVideoGridWidget::Button CVideoGridWidget::ButtonAt(int window, const QPoint& at) const {
    if (!Valid(window)) return Button::None;
    const SubWindow& sub = windows[window];
    if (sub.replay && ButtonRect(window, Button::Replay).contains(at)) return Button::Replay;
    if (!sub.InUse()) return Button::None;
    for (Button b : {Button::Close, Button::Snap, Button::Property, Button::Record})
        if (ButtonShown(window, b) && ButtonRect(window, b).contains(at)) return b;
    return Button::None;
}

void CVideoGridWidget::Clicked(int window, Button button) {
    switch (button) {
        case Button::Close: Notify([&](IKXVideoWindowEvent* s, int id) { s->OnBnClickedVideoClose(window, id); }); break;
        case Button::Snap: Notify([&](IKXVideoWindowEvent* s, int id) { s->OnBnClickedVideoSnap(window, id); }); break;
        case Button::Property: Notify([&](IKXVideoWindowEvent* s, int id) { s->OnBnClickedVideoProperty(window, id); }); break;
        case Button::Record: {
            windows[window].recording = !windows[window].recording;
            Repaint(window);
            const int checked = windows[window].recording ? 1 : 0;
            Notify([&](IKXVideoWindowEvent* s, int id) { s->OnBnClickedVideoRecord(window, checked, id); });
            break;
        }
        case Button::Replay: Notify([&](IKXVideoWindowEvent* s, int id) { s->OnBnClickedVideoReplay(window, id); }); break;
        case Button::None: break;
    }
}

void CVideoGridWidget::resizeEvent(QResizeEvent*) { UpdateTargets(); }

void CVideoGridWidget::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (RegionPress(e)) return;
    const int window = WindowAt(at);
    if (window < 0) return;
    if (e->button() == Qt::RightButton) {
        if (mode == 1 && layout.Split(placeOf[window])) {
            ApplyLayout(layoutType, layout);
            Notify([](IKXVideoWindowEvent* s, int id) { s->OnLayoutChanged(id); });
        } else if (digitalZoom && windows[window].crop.isValid()) {
            windows[window].crop = QRectF();  // back to the whole picture
            UpdateTargets();
            windows[window].frame = QImage();
            AskForFrame(window);
            Repaint(window);
        } else if (mode == 0 && Valid(window)) {
            Notify([&](IKXVideoWindowEvent* s, int id) { s->OnVideoContextMenu(window, at.x(), at.y(), id); });
        }
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    m_pressWindow = window;
    m_pressButton = ButtonAt(window, at);
    m_pressAt = m_dragAt = at;
    m_dragging = false;
    if (window != focus && m_pressButton == Button::None) {
        const int old = focus;
        focus = window;
        Repaint(old);
        Repaint(window);
        Notify([&](IKXVideoWindowEvent* s, int id) { s->OnFocusWndChanged(window, old, id); });
    }
    if (Valid(window)) Notify([&](IKXVideoWindowEvent* s, int id) { s->VideoWidow_OnLButtonDown(window, at.x(), at.y(), id); });
}

void CVideoGridWidget::mouseMoveEvent(QMouseEvent* e) {
    if (RegionMove(e)) return;
    const QPoint at = e->position().toPoint();
    if (m_pressWindow >= 0 && (e->buttons() & Qt::LeftButton)) {
        m_dragAt = at;
        m_dragging = m_dragging || (at - m_pressAt).manhattanLength() > 4;
        if (m_dragging) update();
        return;
    }
    const int window = WindowAt(at);
    const Button button = ButtonAt(window, at);
    if (window != m_hoverWindow || button != m_hoverButton) {
        const int old = m_hoverWindow;
        m_hoverWindow = window;
        m_hoverButton = button;
        if (old >= 0) Repaint(old);
        if (window >= 0) Repaint(window);
    }
}

void CVideoGridWidget::leaveEvent(QEvent*) {
    const int old = m_hoverWindow;
    m_hoverWindow = -1;
    m_hoverButton = Button::None;
    if (old >= 0) Repaint(old);
}

void CVideoGridWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (RegionRelease(e)) return;
    if (e->button() != Qt::LeftButton || m_pressWindow < 0) return;
    const QPoint at = e->position().toPoint();
    const int from = m_pressWindow, to = WindowAt(at);
    const Button pressed = m_pressButton;
    const bool dragged = m_dragging;
    m_pressWindow = -1;
    m_pressButton = Button::None;
    m_dragging = false;
    update();
    if (!Valid(from)) return;
    Notify([&](IKXVideoWindowEvent* s, int id) { s->VideoWidow_OnLButtonUp(to, at.x(), at.y(), id); });
    if (!Owner()) return;

    if (pressed != Button::None) {
        if (to == from && ButtonAt(to, at) == pressed) Clicked(from, pressed);
        return;
    }
    if (!dragged) return;
    if (mode == 1) {
        // The preview: dragging across cells joins them into one window.
        if (to >= 0 && to != from && layout.Merge(placeOf[from], placeOf[to])) {
            ApplyLayout(layoutType, layout);
            Notify([](IKXVideoWindowEvent* s, int id) { s->OnLayoutChanged(id); });
        }
        return;
    }
    if (dragMode && to >= 0 && to != from && zoomed < 0) {
        std::swap(placeOf[from], placeOf[to]);
        UpdateTargets();
        for (int w : {from, to}) {
            windows[w].askedForFrame = false;
            if (!windows[w].frame.isNull() && windows[w].frame.size() != PictureRect(w).size()) AskForFrame(w);
        }
        update();
        Notify([&](IKXVideoWindowEvent* s, int id) { s->OnSubWndExchanged(from, to, id); });
        return;
    }
    if (digitalZoom && to == from) {
        // The rectangle dragged over the picture becomes what the sub-window shows.
        const QRect picture = PictureRect(from);
        const QRect chosen = QRect(m_pressAt, at).normalized().intersected(picture);
        if (chosen.width() < 8 || chosen.height() < 8) return;
        SubWindow& sub = windows[from];
        const QRectF base = sub.crop.isValid() ? sub.crop : QRectF(0, 0, 1, 1);
        sub.crop = QRectF(base.left() + base.width() * (chosen.left() - picture.left()) / picture.width(),
                          base.top() + base.height() * (chosen.top() - picture.top()) / picture.height(),
                          base.width() * chosen.width() / picture.width(), base.height() * chosen.height() / picture.height());
        UpdateTargets();
        if (!sub.frame.isNull()) {
            // Until the next frame: the part of this one, enlarged.
            const QRect part((chosen.left() - picture.left()) * sub.frame.width() / picture.width(),
                             (chosen.top() - picture.top()) * sub.frame.height() / picture.height(),
                             chosen.width() * sub.frame.width() / picture.width(),
                             chosen.height() * sub.frame.height() / picture.height());
            sub.frame = sub.frame.copy(part).scaled(picture.size());
        }
        AskForFrame(from);
        Repaint(from);
    }
}

void CVideoGridWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || mode == 1) return;
    const int window = WindowAt(e->position().toPoint());
    if (window < 0 || ButtonAt(window, e->position().toPoint()) != Button::None) return;
    zoomed = zoomed == window ? -1 : window;
    UpdateTargets();
    for (auto& sub : windows) sub.askedForFrame = false;
    update();
    const int on = zoomed >= 0 ? 1 : 0;
    Notify([&](IKXVideoWindowEvent* s, int id) { s->OnSubWinZoom(window, on, id); });
}

}  // namespace KXQt
