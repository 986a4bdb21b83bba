#include "Toolkit/PlayProgressPanel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <map>

#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"

namespace {

using namespace KXQt;

constexpr int kHeaderHeight = 18;
constexpr int kRowTop = 20;
constexpr int kRowPitch = 15;
constexpr int kRowsOnView = 4;
constexpr std::time_t kDay = 24 * 3600;
constexpr std::time_t kMinimumSpan = 120;
// What the zoom radios 4-11 show.
constexpr std::time_t kPresets[8] = {kDay, 12 * 3600, 6 * 3600, 2 * 3600, 3600, 1800, 600, 120};

std::time_t LocalMidnight(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    local.tm_hour = local.tm_min = local.tm_sec = 0;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

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

class CTimelineWidget : public CPaintedWidget {
public:
    KXProgressSkin skin;
    KXProgressGeometry geometry;
    std::map<int, Row> rows;  // in key order
    int firstRow = 0;         // the first row on view
    int selected = -1;
    std::time_t viewFrom = 0, viewTo = 0;
    bool viewChosen = false;  // the user or the owner set the span: rows no longer move it

    CTimelineWidget() {
        for (int i = 0; i < 4; ++i) geometry.radios[i] = QString("30,%1,13,13").arg(20 + 15 * i).toStdWString();
        const int columns[2] = {120, 165};
        for (int i = 0; i < 8; ++i)
            geometry.radios[4 + i] = QString("%1,%2,13,13").arg(columns[i / 4]).arg(15 + 25 * (i % 4)).toStdWString();
        const std::time_t now = std::time(nullptr);
        viewFrom = LocalMidnight(now);
        viewTo = viewFrom + kDay;
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

    // Keeps the span between two minutes and a day, within the days the rows cover.
    void SetSpan(std::time_t from, std::time_t to) {
        std::time_t span = std::clamp<std::time_t>(to - from, kMinimumSpan, kDay);
        std::time_t earliest = 0, latest = 0;
        for (const auto& row : rows)
            for (const auto& s : row.second.segments) {
                earliest = earliest ? std::min(earliest, s.start) : s.start;
                latest = std::max(latest, s.end);
            }
        if (earliest) {
            const std::time_t low = LocalMidnight(earliest), high = LocalMidnight(latest) + kDay;
            from = std::clamp<std::time_t>(from, low, std::max(low, high - span));
        }
        viewFrom = from;
        viewTo = from + span;
        update();
    }
    void ZoomAround(std::time_t centre, std::time_t span) {
        span = std::clamp<std::time_t>(span, kMinimumSpan, kDay);
        const double at = viewTo > viewFrom ? double(centre - viewFrom) / double(viewTo - viewFrom) : 0.5;
        viewChosen = true;
        SetSpan(centre - static_cast<std::time_t>(at * span), centre - static_cast<std::time_t>(at * span) + span);
    }
    void ScrollRows(int by) {
        const int most = std::max(0, static_cast<int>(rows.size()) - kRowsOnView);
        firstRow = std::clamp(firstRow + by, 0, most);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override {
        if ((e->buttons() & Qt::LeftButton) && m_draggingZoom) FollowZoomBar(e->position().toPoint().x());
    }
    void mouseReleaseEvent(QMouseEvent*) override { m_draggingZoom = false; }
    void wheelEvent(QWheelEvent* e) override {
        const std::time_t centre = TimeAt(static_cast<int>(e->position().x()));
        const std::time_t span = viewTo - viewFrom;
        ZoomAround(centre, e->angleDelta().y() > 0 ? span / 2 : span * 2);
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
        viewChosen = true;
        const std::time_t span = viewTo - viewFrom;
        SetSpan(centre - span / 2, centre - span / 2 + span);
    }
    template <typename F>
    void Notify(F&& f) {
        NotifySink(static_cast<CKXPlayProgressPanel*>(owner), std::forward<F>(f));
    }

    bool m_draggingZoom = false;
};

void CTimelineWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Theme::Window());
    DrawImage(p, rect(), SkinImage(skin.background), QRect(), FillMode::Stretch);
    const int scaleWidth = geometry.scaleEnd - geometry.scaleStart;

    // The header: ticks at a step that leaves room for their labels.
    const QRect header(geometry.scaleStart, 0, std::max(0, scaleWidth), kHeaderHeight);
    DrawPiece(p, skin.header, header, Theme::Panel());
    static const std::time_t kSteps[] = {60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600};
    std::time_t step = kSteps[9];
    for (std::time_t s : kSteps)
        if (scaleWidth > 0 && static_cast<long long>(s) * scaleWidth / std::max<std::time_t>(1, viewTo - viewFrom) >= 48) {
            step = s;
            break;
        }
    QFont small = font();
    small.setPixelSize(10);
    p.setFont(small);
    const std::time_t midnight = LocalMidnight(viewFrom);
    for (std::time_t t = midnight + ((viewFrom - midnight + step - 1) / step) * step; t <= viewTo; t += step) {
        const int x = XOf(t);
        p.setPen(Theme::Border());
        p.drawLine(x, kHeaderHeight - 5, x, kRowTop + kRowsOnView * kRowPitch - 2);
        p.setPen(Theme::DimText());
        p.drawText(QRect(x - 30, 0, 60, kHeaderHeight - 4), Qt::AlignCenter, Clock(t, false));
    }

    // The rows on view: label, scale with the files' segments (the gaps stay empty), cursor.
    const std::vector<int> keys = Keys();
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
            p.fillRect(QRect(left, scale.top() + 2, std::max(1, right - left), scale.height() - 4),
                       s.kind == 1 ? Theme::Accent() : Theme::Pressed());
        }
        if (row.cursor >= viewFrom && row.cursor <= viewTo) {
            const int x = XOf(row.cursor);
            const QPixmap cursor = SkinImage(skin.cursor);
            if (cursor.isNull()) p.fillRect(QRect(x, scale.top(), 2, scale.height()), QColor(0xa4, 0xc7, 0x46));
            else DrawImage(p, QRect(x - cursor.width() / 2, scale.top(), cursor.width(), scale.height()), cursor,
                           QRect(0, 0, cursor.width(), std::min(cursor.height(), 10)), FillMode::Stretch);
        }
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
    if (e->button() != Qt::LeftButton) return;
    const QPoint at = e->position().toPoint();
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
            const int seconds = static_cast<int>(TimeAt(at.x()));
            Notify([&](IPlayProgressEvent* s, int id) { s->OnPlayProgressSeek(key, 0, seconds, id); });
            return;
        }
        const QRect radio = ParseRect(geometry.radios[i]);
        if (LabelRect(i).contains(at) || (radio.isValid() && radio.contains(at))) {
            selected = key;
            update();
            Notify([&](IPlayProgressEvent* s, int id) { s->OnPlayProgressCommand(key, id); });
            return;
        }
    }
    const std::time_t span = viewTo - viewFrom;
    if (ParseRect(geometry.stepBackward).contains(at)) {
        viewChosen = true;
        SetSpan(viewFrom - span / 2, viewTo - span / 2);
    } else if (ParseRect(geometry.stepForward).contains(at)) {
        viewChosen = true;
        SetSpan(viewFrom + span / 2, viewTo + span / 2);
    } else if (ParseRect(geometry.channelUp).contains(at)) {
        ScrollRows(-1);
    } else if (ParseRect(geometry.channelDown).contains(at)) {
        ScrollRows(1);
    } else if (ParseRect(geometry.zoomBar).contains(at)) {
        m_draggingZoom = true;
        FollowZoomBar(at.x());
    }
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

void CKXPlayProgressPanel::AddRow(int key, const std::wstring& label, const std::vector<KXProgressSegment>& segments) {
    auto* w = WidgetOf(this);
    if (!w) return;
    Row& row = w->rows[key];
    row.label = label;
    row.segments = segments;
    if (!w->viewChosen) {
        // Until someone chooses a span, the scale shows the day of the first file.
        std::time_t first = 0;
        for (const auto& r : w->rows)
            for (const auto& s : r.second.segments) first = first ? std::min(first, s.start) : s.start;
        if (first) {
            w->viewFrom = LocalMidnight(first);
            w->viewTo = w->viewFrom + kDay;
        }
    }
    if (w->selected < 0) w->selected = key;
    w->update();
}

int CKXPlayProgressPanel::RemoveRow(int key) {
    auto* w = WidgetOf(this);
    if (!w || !w->rows.erase(key)) return 0;
    if (w->selected == key) w->selected = -1;
    w->ScrollRows(0);
    return 1;
}

void CKXPlayProgressPanel::RemoveAllRows() {
    auto* w = WidgetOf(this);
    if (!w) return;
    w->rows.clear();
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
    if (key == -1) {
        for (auto& row : w->rows) row.second.cursor = seconds;
    } else {
        const auto it = w->rows.find(key);
        if (it == w->rows.end()) return;
        it->second.cursor = seconds;
    }
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
    w->selected = w->rows.count(key) ? key : -1;
    // Bring the selected row on view.
    const std::vector<int> keys = w->Keys();
    const auto it = std::find(keys.begin(), keys.end(), key);
    if (it != keys.end()) {
        const int index = static_cast<int>(it - keys.begin());
        if (index < w->firstRow) w->firstRow = index;
        if (index >= w->firstRow + kRowsOnView) w->firstRow = index - kRowsOnView + 1;
    }
    w->update();
}

int CKXPlayProgressPanel::GetSelectedRow() const {
    auto* w = WidgetOf(this);
    return w ? w->selected : -1;
}

void CKXPlayProgressPanel::SetVisibleSpan(std::time_t from, std::time_t to) {
    auto* w = WidgetOf(this);
    if (!w) return;
    w->viewChosen = true;
    w->SetSpan(from, to);
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
