#include "Toolkit/PlayProgressPanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/TimeScale.h"

namespace {

using namespace KXQt;
using KXTimeScale::LocalMidnight;

constexpr int kHeaderHeight = 18;
constexpr int kRowTop = 20;
constexpr int kRowPitch = 15;
constexpr int kRowsOnView = 4;
constexpr int kRowBarWidth = 5;  // the rows' scroll bar at the panel's left edge
constexpr std::time_t kDay = KXTimeScale::kLongest;
// What the zoom radios 4-11 show.
constexpr std::time_t kPresets[8] = {kDay, 12 * 3600, 6 * 3600, 2 * 3600, 3600, 1800, 600, 120};

QString Clock(std::time_t t, bool seconds) {
    std::tm local{};
    localtime_r(&t, &local);
    return seconds ? QString::asprintf("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec)
                   : QString::asprintf("%02d:%02d", local.tm_hour, local.tm_min);
}

struct Row {
    std::wstring label;
    std::vector<KXProgressSegment> segments;
    std::time_t cursor = 0;
};

// The colour of an activity level: nothing for none, then from a dim amber to a bright red.
QColor HeatColour(int level) {
    return QColor::fromHsv(45 - 45 * level / 255, 230, 120 + 135 * level / 255);
}

class CTimelineWidget : public CPaintedWidget {
public:
    std::map<std::pair<int, int>, KXProgressActivity> activity;  // by row key and segment id
    std::time_t selectFrom = 0, selectTo = 0;  // the selected stretch; equal: none
    KXProgressSkin skin;
    KXProgressGeometry geometry;
    std::map<int, Row> rows;  // in key order
    int firstRow = 0;         // the first row on view
    int selected = -1;
    int wanted = -1;  // the row last asked to be selected, which may come later
    std::time_t viewFrom = 0, viewTo = 0;
    // The scale fits the rows as they come, until the user (or the owner) chooses a span; the
    // owner asks for it again when something new is opened.
    bool following = true;

    CTimelineWidget() {
        for (int i = 0; i < 4; ++i) geometry.radios[i] = QString("30,%1,13,13").arg(20 + 15 * i).toStdWString();
        const int columns[2] = {120, 165};
        for (int i = 0; i < 8; ++i)
            geometry.radios[4 + i] = QString("%1,%2,13,13").arg(columns[i / 4]).arg(15 + 25 * (i % 4)).toStdWString();
        const std::time_t now = std::time(nullptr);
        viewFrom = LocalMidnight(now);
        viewTo = viewFrom + kDay;
        setMouseTracking(true);
    }

    std::vector<int> Keys() const {
        std::vector<int> keys;
        for (const auto& row : rows) keys.push_back(row.first);
        return keys;
    }
    int VisibleIndex(int key) const {
        const std::vector<int> keys = Keys();
        const auto it = std::find(keys.begin(), keys.end(), key);
        if (it == keys.end()) return -1;
        const int index = static_cast<int>(it - keys.begin()) - firstRow;
        return index >= 0 && index < kRowsOnView ? index : -1;
    }
    QRect ScaleRow(int visibleIndex) const {
        return QRect(geometry.scaleStart, kRowTop + visibleIndex * kRowPitch, std::max(0, geometry.scaleEnd - geometry.scaleStart), kRowPitch - 2);
    }
    // The header and the rows' scales together: where a drag pans and the wheel zooms.
    QRect ScaleArea() const {
        return QRect(geometry.scaleStart, 0, std::max(0, geometry.scaleEnd - geometry.scaleStart), kRowTop + kRowsOnView * kRowPitch);
    }
    QRect RowBar() const { return QRect(0, kRowTop, kRowBarWidth, kRowsOnView * kRowPitch - 2); }
    // A zoom radio is on offer where it lies on the panel clear of the scale.
    QRect ZoomRadio(int preset) const {
        const QRect at = ParseRect(geometry.radios[kRowsOnView + preset]);
        return at.isValid() && rect().contains(at) && at.right() < geometry.scaleStart ? at : QRect();
    }
    QRect LabelRect(int visibleIndex) const {
        const QRect radio = ParseRect(geometry.radios[visibleIndex]);
        const int left = radio.isValid() ? radio.right() + 4 : 4;
        QRect label(left, kRowTop + visibleIndex * kRowPitch, std::max(0, geometry.scaleStart - 18 - left), kRowPitch - 2);
        // The label stops short of a zoom radio beside it.
        for (int i = 0; i < 8; ++i) {
            const QRect zoom = ZoomRadio(i);
            if (zoom.isValid() && zoom.top() <= label.bottom() && zoom.bottom() >= label.top() && zoom.left() > left)
                label.setRight(std::min(label.right(), zoom.left() - 4));
        }
        return label;
    }
    std::time_t TimeAt(int x) const {
        const int width = std::max(1, geometry.scaleEnd - geometry.scaleStart);
        const int offset = std::clamp(x - geometry.scaleStart, 0, width);
        return viewFrom + static_cast<std::time_t>((static_cast<long long>(viewTo - viewFrom) * offset + width / 2) / width);
    }
    int XOf(std::time_t t) const {
        const int width = geometry.scaleEnd - geometry.scaleStart;
        if (viewTo <= viewFrom) return geometry.scaleStart;
        return geometry.scaleStart + static_cast<int>(static_cast<long long>(t - viewFrom) * width / (viewTo - viewFrom));
    }

    // The first and last second of every row's files; false when there are none.
    bool RowsSpan(std::time_t& earliest, std::time_t& latest) const {
        bool any = false;
        for (const auto& row : rows)
            for (const auto& s : row.second.segments) {
                earliest = any ? std::min(earliest, s.start) : s.start;
                latest = any ? std::max(latest, s.end) : s.end;
                any = true;
            }
        return any;
    }
    // Keeps the span between a minute and a day, within the days the rows cover.
    void SetSpan(std::time_t from, std::time_t to) {
        std::time_t earliest = 0, latest = 0, low = 0, high = 0;
        if (RowsSpan(earliest, latest)) {
            low = LocalMidnight(earliest);
            high = LocalMidnight(latest) + kDay;
        }
        const KXTimeScale::CSpan span = KXTimeScale::Within({from, to}, low, high);
        viewFrom = span.from;
        viewTo = span.to;
        update();
    }
    void FitRows() {
        std::time_t earliest = 0, latest = 0;
        if (!RowsSpan(earliest, latest)) return;
        const KXTimeScale::CSpan fit = KXTimeScale::Fit(earliest, latest);
        SetSpan(fit.from, fit.to);
    }
    void ZoomAround(std::time_t centre, std::time_t length) {
        following = false;
        const KXTimeScale::CSpan span = KXTimeScale::ZoomAround({viewFrom, viewTo}, centre, length);
        SetSpan(span.from, span.to);
    }
    // Moves the scale by a number of pixels' worth of time (positive: later).
    void Pan(int pixels) {
        const int width = std::max(1, geometry.scaleEnd - geometry.scaleStart);
        Shift(static_cast<std::time_t>(static_cast<long long>(viewTo - viewFrom) * pixels / width));
    }
    void Shift(std::time_t by) {
        following = false;
        SetSpan(viewFrom + by, viewTo + by);
    }
    // The selected row's cursor that was on view and plays (or is sent) off it turns the scale a
    // page, so that a zoomed-in scale keeps up with playback in either direction.
    void KeepCursorOnView(std::time_t before, std::time_t now) {
        if (m_panFrom >= 0 || before < viewFrom || before > viewTo || (now >= viewFrom && now <= viewTo)) return;
        const std::time_t length = viewTo - viewFrom;
        const std::time_t from = now > viewTo ? now - length / 10 : now - length + length / 10;
        SetSpan(from, from + length);
    }
    // The row of a key comes on view, scrolling as little as can be.
    void BringOnView(int key) {
        const std::vector<int> keys = Keys();
        const auto it = std::find(keys.begin(), keys.end(), key);
        if (it == keys.end()) return;
        const int index = static_cast<int>(it - keys.begin());
        if (index < firstRow) firstRow = index;
        if (index >= firstRow + kRowsOnView) firstRow = index - kRowsOnView + 1;
        update();
    }
    void ScrollRows(int by) {
        const int most = std::max(0, static_cast<int>(rows.size()) - kRowsOnView);
        firstRow = std::clamp(firstRow + by, 0, most);
        update();
    }
    struct CTick {
        std::time_t at;
        int x;
        QString label;
        QRect labelRect;
    };
    std::vector<CTick> Ticks() const {
        QFont small = font();
        small.setPixelSize(10);
        const QFontMetrics metrics(small);
        const int withSeconds = metrics.horizontalAdvance("00:00:00"), plain = metrics.horizontalAdvance("00:00");
        const KXTimeScale::CSpan view{viewFrom, viewTo};
        const std::time_t step =
            KXTimeScale::TickStep(view, std::max(0, geometry.scaleEnd - geometry.scaleStart), withSeconds, plain);
        std::vector<CTick> ticks;
        for (std::time_t t : KXTimeScale::Ticks(view, step)) {
            const QString label = Clock(t, step < 60);
            const int width = metrics.horizontalAdvance(label);
            const int x = XOf(t);
            ticks.push_back({t, x, label, QRect(x - width / 2, 0, width, kHeaderHeight - 4)});
        }
        return ticks;
    }

    // The strip under a segment: each column of pixels takes the highest level of the seconds it
    // covers (so that a short event is not lost at a day's zoom), events on top of it.
    void DrawHeat(QPainter& p, const QRect& band, const KXProgressSegment& s, const KXProgressActivity& a) const {
        const int width = std::max(1, geometry.scaleEnd - geometry.scaleStart);
        const double perPixel = static_cast<double>(viewTo - viewFrom) / width;
        const int left = std::max(band.left(), XOf(s.start)), right = std::min(band.right(), XOf(s.end));
        const long long count = static_cast<long long>(a.levels.size());
        for (int x = left; x <= right && count > 0; ++x) {
            const double from = viewFrom + (x - geometry.scaleStart) * perPixel - a.start;
            const long long first = std::max(0LL, static_cast<long long>(std::floor(from)));
            const long long last = std::min(count, std::max(first + 1, static_cast<long long>(std::ceil(from + perPixel))));
            int level = 0;
            for (long long i = first; i < last; ++i) level = std::max<int>(level, a.levels[static_cast<std::size_t>(i)]);
            if (level > 0) p.fillRect(QRect(x, band.top(), 1, band.height()), HeatColour(level));
        }
        for (const auto& [from, to] : a.events) {
            if (to < viewFrom || from > viewTo) continue;
            const int l = std::max(band.left(), XOf(from)), r = std::min(band.right(), XOf(to));
            p.fillRect(QRect(l, band.top() - 2, std::max(2, r - l), band.height() + 2), QColor(0xff, 0x30, 0x30));
        }
    }
    bool HasSelection() const { return selectTo > selectFrom; }
    void Select(std::time_t from, std::time_t to) {
        if (to < from) std::swap(from, to);
        if (from == selectFrom && to == selectTo) return;
        selectFrom = from;
        selectTo = to;
        update();
        Notify([&](IPlayProgressEvent* s, int id) { s->OnPlayProgressSelection(from, to, id); });
    }

protected:
    void paintEvent(QPaintEvent*) override;
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Escape && HasSelection()) {
            Select(0, 0);
            e->accept();
            return;
        }
        CPaintedWidget::keyPressEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override {
        const QPoint at = e->position().toPoint();
        if (m_selectAt >= 0) {
            // A stretch is chosen once the mouse has moved a few pixels; a click stays a click.
            if (std::abs(at.x() - m_selectAt) >= 3) m_selectMoved = true;
            if (m_selectMoved) Select(TimeAt(m_selectAt), TimeAt(at.x()));
            return;
        }
        if ((e->buttons() & Qt::LeftButton) && m_draggingZoom) FollowZoomBar(at.x());
        if ((e->buttons() & Qt::LeftButton) && m_panFrom >= 0) {
            // The moment taken stays under the mouse: dragging right shows earlier times.
            Pan(m_panFrom - at.x());
            m_panFrom = at.x();
        }
        const bool grab = m_panFrom >= 0 || (ScaleArea().contains(at) && RowUnder(at) < 0);
        setCursor(grab ? (m_panFrom >= 0 ? Qt::ClosedHandCursor : Qt::OpenHandCursor) : Qt::ArrowCursor);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (m_selectAt >= 0) {
            const QPoint at = e->position().toPoint();
            const bool click = !m_selectMoved, right = m_selectRight;
            m_selectAt = -1;
            m_selectMoved = false;
            if (!click) return;
            // A right click on the stretch offers what can be done with it; elsewhere (or with
            // Ctrl and the left button) a click clears it.
            const std::time_t t = TimeAt(at.x());
            if (right && HasSelection() && t >= selectFrom && t <= selectTo)
                Notify([&](IPlayProgressEvent* s, int id) { s->OnPlayProgressSelectionMenu(at.x(), at.y(), id); });
            else
                Select(0, 0);
            return;
        }
        m_draggingZoom = false;
        m_panFrom = -1;
    }
    void wheelEvent(QWheelEvent* e) override;

private:
    // The key of the row whose scale is at a point; -1 for none.
    int RowUnder(const QPoint& at) const {
        const std::vector<int> keys = Keys();
        for (int i = 0; i < kRowsOnView && firstRow + i < static_cast<int>(keys.size()); ++i)
            if (ScaleRow(i).contains(at)) return keys[firstRow + i];
        return -1;
    }
private:
    void DrawPiece(QPainter& p, const std::wstring& image, const QRect& at, const QColor& fallback) {
        const QPixmap pixmap = SkinImage(image);
        if (pixmap.isNull()) p.fillRect(at, fallback);
        else DrawImage(p, at, pixmap, QRect(), FillMode::Stretch);
    }
    void DrawBar(QPainter& p, const std::wstring (&images)[4], const QRect& at, const QColor& fallback) {
        const QPixmap left = SkinImage(images[0]), right = SkinImage(images[2]);
        const int lw = left.isNull() ? 0 : std::min(left.width(), at.width() / 2);
        const int rw = right.isNull() ? 0 : std::min(right.width(), at.width() / 2);
        DrawPiece(p, images[1], at.adjusted(lw, 0, -rw, 0), fallback);
        if (lw) DrawImage(p, QRect(at.left(), at.top(), lw, at.height()), left, QRect(), FillMode::Stretch);
        if (rw) DrawImage(p, QRect(at.right() + 1 - rw, at.top(), rw, at.height()), right, QRect(), FillMode::Stretch);
    }
    QRect ViewportRect() const {
        const QRect bar = ParseRect(geometry.zoomBar);
        if (!bar.isValid()) return QRect();
        const std::time_t day = LocalMidnight(viewFrom);
        const int left = bar.left() + static_cast<int>(static_cast<long long>(viewFrom - day) * bar.width() / kDay);
        const int width = std::max(6, static_cast<int>(static_cast<long long>(viewTo - viewFrom) * bar.width() / kDay));
        return QRect(left, bar.top(), width, bar.height());
    }
    void FollowZoomBar(int x) {
        const QRect bar = ParseRect(geometry.zoomBar);
        if (!bar.isValid() || bar.width() <= 0) return;
        const std::time_t day = LocalMidnight(viewFrom);
        const std::time_t centre = day + static_cast<std::time_t>(static_cast<long long>(std::clamp(x - bar.left(), 0, bar.width())) * kDay / bar.width());
        following = false;
        const std::time_t span = viewTo - viewFrom;
        SetSpan(centre - span / 2, centre - span / 2 + span);
    }
    template <typename F>
    void Notify(F&& f) {
        NotifySink(static_cast<CKXPlayProgressPanel*>(owner), std::forward<F>(f));
    }

    bool m_draggingZoom = false;
    int m_panFrom = -1;  // the x a drag on the scale last moved it to; -1: no drag
    int m_rowWheel = 0;  // the wheel's turn over the rows not yet a whole notch
    int m_selectAt = -1;  // the x a selecting drag began at; -1: none
    bool m_selectMoved = false, m_selectRight = false;
};

void CTimelineWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Theme::Window());
    DrawImage(p, rect(), SkinImage(skin.background), QRect(), FillMode::Stretch);
    const int scaleWidth = geometry.scaleEnd - geometry.scaleStart;

    // The header: ticks at a step that leaves room for their labels.
    const QRect header(geometry.scaleStart, 0, std::max(0, scaleWidth), kHeaderHeight);
    DrawPiece(p, skin.header, header, Theme::Panel());
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    for (const CTick& tick : Ticks()) {
        p.setPen(Theme::Border());
        p.drawLine(tick.x, kHeaderHeight - 5, tick.x, kRowTop + kRowsOnView * kRowPitch - 2);
        p.setPen(Theme::DimText());
        p.drawText(tick.labelRect, Qt::AlignCenter, tick.label);
    }

    // More rows than fit: a scroll bar at the left edge shows which are on view.
    const std::vector<int> keys = Keys();
    if (static_cast<int>(keys.size()) > kRowsOnView) {
        const QRect bar = RowBar();
        p.fillRect(bar, Theme::Panel());
        const int total = static_cast<int>(keys.size());
        p.fillRect(QRect(bar.left(), bar.top() + bar.height() * firstRow / total, bar.width(),
                         std::max(4, bar.height() * kRowsOnView / total)),
                   Theme::Accent());
    }

    // The rows on view: label, scale with the files' segments (the gaps stay empty), cursor.
    for (int i = 0; i < kRowsOnView && firstRow + i < static_cast<int>(keys.size()); ++i) {
        const int key = keys[firstRow + i];
        const Row& row = rows.at(key);
        const QRect scale = ScaleRow(i), label = LabelRect(i);
        if (key == selected) p.fillRect(label.adjusted(-2, 0, 2, 0), Theme::Raised());
        p.setPen(key == selected ? Theme::Accent() : Theme::Text());
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter,
                   p.fontMetrics().elidedText(ToQString(row.label), Qt::ElideRight, label.width()));
        p.fillRect(scale, Theme::Panel());
        for (const KXProgressSegment& s : row.segments) {
            if (s.end < viewFrom || s.start > viewTo) continue;
            const int left = std::max(scale.left(), XOf(s.start)), right = std::min(scale.right(), XOf(s.end));
            const auto heat = activity.find({key, s.id});
            if (heat == activity.end()) {
                p.fillRect(QRect(left, scale.top() + 2, std::max(1, right - left), scale.height() - 4),
                           s.kind == 1 ? Theme::Accent() : Theme::Pressed());
                continue;
            }
            // With a profile, the span gives its lower rows to the heat strip.
            const int band = 4;
            p.fillRect(QRect(left, scale.top() + 1, std::max(1, right - left), scale.height() - band - 2),
                       s.kind == 1 ? Theme::Accent() : Theme::Pressed());
            const QRect strip(scale.left(), scale.bottom() - band + 1, scale.width(), band);
            p.fillRect(QRect(left, strip.top(), std::max(1, right - left), band), Theme::Window());
            DrawHeat(p, strip, s, heat->second);
        }
        if (row.cursor >= viewFrom && row.cursor <= viewTo) {
            const int x = XOf(row.cursor);
            const QPixmap cursor = SkinImage(skin.cursor);
            if (cursor.isNull()) p.fillRect(QRect(x, scale.top(), 2, scale.height()), QColor(0xa4, 0xc7, 0x46));
            else DrawImage(p, QRect(x - cursor.width() / 2, scale.top(), cursor.width(), scale.height()), cursor,
                           QRect(0, 0, cursor.width(), std::min(cursor.height(), 10)), FillMode::Stretch);
        }
    }

    // The selected stretch, shaded over the header and every row.
    if (HasSelection() && selectTo >= viewFrom && selectFrom <= viewTo) {
        const QRect area = ScaleArea();
        const int left = std::max(area.left(), XOf(selectFrom)), right = std::min(area.right(), XOf(selectTo));
        const QRect shade(left, area.top(), std::max(1, right - left), area.height());
        p.fillRect(shade, QColor(0xff, 0xff, 0xff, 60));
        p.setPen(QColor(0xff, 0xff, 0xff, 160));
        p.drawLine(shade.topLeft(), shade.bottomLeft());
        p.drawLine(shade.topRight(), shade.bottomRight());
    }

    // Radios: rows on view, then the zoom presets.
    for (int i = 0; i < 12; ++i) {
        const QRect at = i < kRowsOnView ? ParseRect(geometry.radios[i]) : ZoomRadio(i - kRowsOnView);
        if (!at.isValid() || !rect().contains(at)) continue;
        bool on = false;
        if (i < kRowsOnView) {
            if (firstRow + i >= static_cast<int>(keys.size())) continue;
            on = keys[firstRow + i] == selected;
        } else {
            on = viewTo - viewFrom == kPresets[i - kRowsOnView];
        }
        if (i >= kRowsOnView) {
            // A zoom radio says what it shows.
            static const char* const kNames[8] = {"24h", "12h", "6h", "2h", "1h", "30m", "10m", "2m"};
            p.setFont(small);
            p.setPen(Theme::DimText());
            p.drawText(QRect(at.right() + 3, at.top() - 1, 26, at.height() + 2), Qt::AlignLeft | Qt::AlignVCenter,
                       kNames[i - kRowsOnView]);
        }
        const QPixmap mark = SkinImage(on ? skin.radioChecked : skin.radioUnchecked);
        if (!mark.isNull()) {
            DrawImage(p, at, mark, QRect(), FillMode::Stretch);
        } else {
            p.setPen(Theme::Text());
            p.setBrush(on ? Theme::Accent() : Qt::NoBrush);
            p.drawEllipse(at.adjusted(1, 1, -1, -1));
        }
    }

    const bool zoomedIn = viewTo - viewFrom < kDay;
    DrawPiece(p, zoomedIn ? skin.backwardEnabled : skin.backwardDisabled, ParseRect(geometry.stepBackward), Theme::Raised());
    DrawPiece(p, zoomedIn ? skin.forwardEnabled : skin.forwardDisabled, ParseRect(geometry.stepForward), Theme::Raised());
    DrawPiece(p, skin.channelUp, ParseRect(geometry.channelUp), Theme::Raised());
    DrawPiece(p, skin.channelDown, ParseRect(geometry.channelDown), Theme::Raised());

    const QRect clock = ParseRect(geometry.currentTime);
    if (clock.isValid()) {
        DrawPiece(p, skin.currentTimeBack, clock, Theme::Panel());
        const auto it = rows.find(selected);
        p.setFont(font());
        p.setPen(Theme::Text());
        p.drawText(clock, Qt::AlignCenter, it != rows.end() && it->second.cursor ? Clock(it->second.cursor, true) : "--:--:--");
    }

    const QRect bar = ParseRect(geometry.zoomBar);
    if (bar.isValid() && bar.width() > 0) {
        DrawBar(p, skin.zoom, bar, Theme::Raised());
        const QRect viewport = ViewportRect();
        DrawBar(p, skin.viewport, viewport, QColor(0x38, 0xb6, 0xff, 90));
        const QPixmap slip = SkinImage(skin.viewport[3]);
        if (!slip.isNull()) {
            QRect at(QPoint(0, 0), QSize(slip.width(), bar.height()));
            at.moveCenter(viewport.center());
            DrawImage(p, at, slip, QRect(), FillMode::Stretch);
        }
    }
}

void CTimelineWidget::mousePressEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    const bool selecting = e->button() == Qt::RightButton ||
                           (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier));
    if (selecting && ScaleArea().contains(at)) {
        setFocus(Qt::MouseFocusReason);  // for Escape
        m_selectAt = at.x();
        m_selectMoved = false;
        m_selectRight = e->button() == Qt::RightButton;
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    for (int i = 0; i < 8; ++i) {
        if (!ZoomRadio(i).contains(at)) continue;
        const auto it = rows.find(selected);
        const std::time_t centre = it != rows.end() && it->second.cursor ? it->second.cursor : (viewFrom + viewTo) / 2;
        ZoomAround(centre, kPresets[i]);
        return;
    }
    const std::vector<int> keys = Keys();
    for (int i = 0; i < kRowsOnView && firstRow + i < static_cast<int>(keys.size()); ++i) {
        const int key = keys[firstRow + i];
        if (ScaleRow(i).contains(at)) {
            Select(0, 0);
            const int seconds = static_cast<int>(TimeAt(at.x()));
            Notify([&](IPlayProgressEvent* s, int id) { s->OnPlayProgressSeek(key, 0, seconds, id); });
            return;
        }
        const QRect radio = ParseRect(geometry.radios[i]);
        if (LabelRect(i).contains(at) || (radio.isValid() && radio.contains(at))) {
            selected = wanted = key;
            update();
            Notify([&](IPlayProgressEvent* s, int id) { s->OnPlayProgressCommand(key, id); });
            return;
        }
    }
    const std::time_t span = viewTo - viewFrom;
    if (ParseRect(geometry.stepBackward).contains(at)) {
        following = false;
        SetSpan(viewFrom - span / 2, viewTo - span / 2);
    } else if (ParseRect(geometry.stepForward).contains(at)) {
        following = false;
        SetSpan(viewFrom + span / 2, viewTo + span / 2);
    } else if (ScaleArea().contains(at)) {
        // The scale's background (its header, a free row) is taken and dragged; a row seeks.
        m_panFrom = at.x();
        setCursor(Qt::ClosedHandCursor);
    } else if (static_cast<int>(keys.size()) > kRowsOnView && RowBar().contains(at)) {
        // The rows' scroll bar: a click above or below what is on view turns a page of rows.
        const int thumb = RowBar().top() + RowBar().height() * firstRow / static_cast<int>(keys.size());
        ScrollRows(at.y() < thumb ? -kRowsOnView : kRowsOnView);
    } else if (ParseRect(geometry.channelUp).contains(at)) {
        ScrollRows(-1);
    } else if (ParseRect(geometry.channelDown).contains(at)) {
        ScrollRows(1);
    } else if (ParseRect(geometry.zoomBar).contains(at)) {
        m_draggingZoom = true;
        FollowZoomBar(at.x());
    }
}

void CTimelineWidget::wheelEvent(QWheelEvent* e) {
    const QPoint at = e->position().toPoint();
    const QPoint delta = e->angleDelta();
    const bool overLabels = at.x() < geometry.scaleStart && at.y() >= kRowTop && at.y() < kRowTop + kRowsOnView * kRowPitch;
    if ((e->modifiers() & Qt::ShiftModifier) || overLabels) {
        // The rows turn, a row a notch; a fine wheel's eighths of a notch add up to one.
        m_rowWheel += delta.y() ? delta.y() : delta.x();
        const int notches = m_rowWheel / 120;
        m_rowWheel -= notches * 120;
        if (notches) ScrollRows(-notches);
    } else if (delta.x() != 0 && std::abs(delta.x()) > std::abs(delta.y())) {
        // A sideways wheel (or Alt with the wheel) moves the scale, a tenth of it a notch.
        Shift(static_cast<std::time_t>(-static_cast<long long>(delta.x()) * (viewTo - viewFrom) / 1200));
    } else if (delta.y() != 0 && ScaleArea().contains(at)) {
        // A notch halves or doubles the span; the moment under the mouse stays under it.
        const double length = static_cast<double>(viewTo - viewFrom) * std::pow(0.5, delta.y() / 120.0);
        ZoomAround(TimeAt(at.x()), static_cast<std::time_t>(std::llround(length)));
    }
    e->accept();
}

const auto WidgetOf = &KXQt::WidgetAs<CTimelineWidget>;

}  // namespace

CKXPlayProgressPanel::CKXPlayProgressPanel(IPlayProgressEvent* sink) : CKXWindow(KXQt::MakeImpl<CTimelineWidget>()), m_sink(sink) {}
CKXPlayProgressPanel::~CKXPlayProgressPanel() = default;

void CKXPlayProgressPanel::SetSkin(const KXProgressSkin& skin) {
    if (auto* w = WidgetOf(this)) {
        w->skin = skin;
        w->update();
    }
}

void CKXPlayProgressPanel::SetGeometry(const KXProgressGeometry& geometry) {
    if (auto* w = WidgetOf(this)) {
        w->geometry = geometry;
        w->update();
    }
}

KXProgressGeometry CKXPlayProgressPanel::GetGeometry() const {
    auto* w = WidgetOf(this);
    return w ? w->geometry : KXProgressGeometry();
}

namespace {
// A row's heat strips whose segments are not among `segments` (all of them for none) go.
void DropActivity(CTimelineWidget* w, int key, const std::vector<KXProgressSegment>* segments) {
    for (auto it = w->activity.lower_bound({key, INT_MIN}); it != w->activity.end() && it->first.first == key;) {
        const int id = it->first.second;
        const bool kept = segments && std::any_of(segments->begin(), segments->end(),
                                                  [id](const KXProgressSegment& s) { return s.id == id; });
        it = kept ? std::next(it) : w->activity.erase(it);
    }
}
}  // namespace

void CKXPlayProgressPanel::SetSegmentActivity(int key, int segmentId, const KXProgressActivity& activity) {
    auto* w = WidgetOf(this);
    if (!w) return;
    w->activity[{key, segmentId}] = activity;
    w->update();
}

int CKXPlayProgressPanel::HasSegmentActivity(int key, int segmentId) const {
    auto* w = WidgetOf(this);
    return w && w->activity.count({key, segmentId}) ? 1 : 0;
}

bool CKXPlayProgressPanel::GetSelection(std::time_t& from, std::time_t& to) const {
    auto* w = WidgetOf(this);
    from = w ? w->selectFrom : 0;
    to = w ? w->selectTo : 0;
    return w && w->HasSelection();
}

void CKXPlayProgressPanel::SetSelection(std::time_t from, std::time_t to) {
    if (auto* w = WidgetOf(this)) w->Select(from, to);
}

void CKXPlayProgressPanel::AddRow(int key, const std::wstring& label, const std::vector<KXProgressSegment>& segments) {
    auto* w = WidgetOf(this);
    if (!w) return;
    DropActivity(w, key, &segments);
    Row& row = w->rows[key];
    row.label = label;
    row.segments = segments;
    if (w->following) w->FitRows();
    if (key == w->wanted) {
        // The selected window's row has come: it is marked and shown.
        w->selected = key;
        w->BringOnView(key);
    }
    if (w->selected < 0) w->selected = key;
    w->update();
}

int CKXPlayProgressPanel::RemoveRow(int key) {
    auto* w = WidgetOf(this);
    if (!w || !w->rows.erase(key)) return 0;
    DropActivity(w, key, nullptr);
    if (w->selected == key) w->selected = -1;
    if (w->following) w->FitRows();
    w->ScrollRows(0);
    return 1;
}

void CKXPlayProgressPanel::RemoveAllRows() {
    auto* w = WidgetOf(this);
    if (!w) return;
    w->rows.clear();
    w->activity.clear();
    w->selected = -1;
    w->firstRow = 0;
    w->update();
}

int CKXPlayProgressPanel::HasRow(int key) const {
    auto* w = WidgetOf(this);
    return w && w->rows.count(key) ? 1 : 0;
}

int CKXPlayProgressPanel::GetRow(int key, std::wstring& label, std::vector<KXProgressSegment>& segments) const {
    auto* w = WidgetOf(this);
    if (!w) return 0;
    const auto it = w->rows.find(key);
    if (it == w->rows.end()) return 0;
    label = it->second.label;
    segments = it->second.segments;
    return 1;
}

void CKXPlayProgressPanel::SetCursor(int key, std::time_t seconds) {
    auto* w = WidgetOf(this);
    if (!w) return;
    const auto selected = w->rows.find(w->selected);
    const std::time_t before = selected != w->rows.end() ? selected->second.cursor : 0;
    if (key == -1) {
        for (auto& row : w->rows) row.second.cursor = seconds;
    } else {
        const auto it = w->rows.find(key);
        if (it == w->rows.end()) return;
        it->second.cursor = seconds;
    }
    if (key == -1 || key == w->selected) w->KeepCursorOnView(before, seconds);
    w->update();
}

std::time_t CKXPlayProgressPanel::GetCursor(int key) const {
    auto* w = WidgetOf(this);
    if (!w) return 0;
    const auto it = w->rows.find(key);
    return it == w->rows.end() ? 0 : it->second.cursor;
}

void CKXPlayProgressPanel::SelectRow(int key) {
    auto* w = WidgetOf(this);
    if (!w) return;
    w->wanted = key;
    w->selected = w->rows.count(key) ? key : -1;
    w->BringOnView(key);
    w->update();
}

int CKXPlayProgressPanel::GetSelectedRow() const {
    auto* w = WidgetOf(this);
    return w ? w->selected : -1;
}

void CKXPlayProgressPanel::SetVisibleSpan(std::time_t from, std::time_t to) {
    auto* w = WidgetOf(this);
    if (!w) return;
    w->following = false;
    w->SetSpan(from, to);
}

void CKXPlayProgressPanel::FitToRows() {
    auto* w = WidgetOf(this);
    if (!w) return;
    w->following = true;
    w->FitRows();
}

std::vector<KXProgressTick> CKXPlayProgressPanel::GetTicks() const {
    std::vector<KXProgressTick> ticks;
    if (auto* w = WidgetOf(this))
        for (const auto& tick : w->Ticks())
            ticks.push_back({tick.at, tick.x, tick.label.toStdWString(),
                             CKXRect::FromSize(tick.labelRect.x(), tick.labelRect.y(), tick.labelRect.width(),
                                               tick.labelRect.height())});
    return ticks;
}

void CKXPlayProgressPanel::GetVisibleSpan(std::time_t& from, std::time_t& to) const {
    auto* w = WidgetOf(this);
    from = w ? w->viewFrom : 0;
    to = w ? w->viewTo : 0;
}

std::time_t CKXPlayProgressPanel::TimeAt(int x) const {
    auto* w = WidgetOf(this);
    return w ? w->TimeAt(x) : 0;
}

int CKXPlayProgressPanel::XOf(std::time_t seconds) const {
    auto* w = WidgetOf(this);
    return w ? w->XOf(seconds) : 0;
}

CKXRect CKXPlayProgressPanel::RowRect(int key) const {
    auto* w = WidgetOf(this);
    const int index = w ? w->VisibleIndex(key) : -1;
    if (index < 0) return CKXRect();
    const QRect r = w->ScaleRow(index);
    return CKXRect::FromSize(r.x(), r.y(), r.width(), r.height());
}
