#include "Toolkit/NumSpiner.h"

#include <QKeyEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/IntRange.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"

namespace {

using namespace KXQt;

class CSpinerWidget : public CPaintedWidget {
public:
    KXSpinerSkin skin;
    CIntRange range;
    int step = 1;

    // The arrows' places in the control; without a skin, the right third split in two.
    QRect UpArrow() const {
        const QRect r = ParseRect(skin.upRect);
        return r.isValid() ? r : QRect(width() * 2 / 3, 0, width() - width() * 2 / 3, height() / 2);
    }
    QRect DownArrow() const {
        const QRect r = ParseRect(skin.downRect);
        return r.isValid() ? r : QRect(width() * 2 / 3, height() / 2, width() - width() * 2 / 3, height() - height() / 2);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPixmap image = SkinImage(skin.image);
        const int look = !isEnabled() ? 3 : Pressed() ? 2 : Hovered() ? 1 : 0;
        QRect frame = ParseRect(skin.frameRects[look]);
        if (!frame.isValid()) frame = ParseRect(skin.frameRects[0]);
        if (image.isNull() || !frame.isValid()) {
            // No skin: a plain box with two arrows.
            painter.fillRect(rect(), Theme::Panel());
            painter.setPen(Theme::Border());
            painter.drawRect(rect().adjusted(0, 0, -1, -1));
            for (const QRect& arrow : {UpArrow(), DownArrow()}) {
                painter.fillRect(arrow.adjusted(1, 1, -1, -1), Theme::Raised());
                painter.setPen(Theme::Text());
                painter.drawText(arrow, Qt::AlignCenter, arrow == UpArrow() ? QStringLiteral("+") : QStringLiteral("-"));
            }
        } else {
            DrawImage(painter, rect(), image, frame, ParseMode(skin.mode));
        }
        painter.setPen(ParseColor(skin.textColor, TextColor()));
        painter.drawText(QRect(6, 0, UpArrow().left() - 6, height()), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::number(range.value));
    }

    void Clicked(const QPoint& at) override {
        if (UpArrow().contains(at)) ChangeTo(range.value + step);
        else if (DownArrow().contains(at)) ChangeTo(range.value - step);
    }
    void wheelEvent(QWheelEvent* e) override { ChangeTo(range.value + (e->angleDelta().y() > 0 ? step : -step)); }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Up) ChangeTo(range.value + step);
        else if (e->key() == Qt::Key_Down) ChangeTo(range.value - step);
        else QWidget::keyPressEvent(e);
    }

private:
    void ChangeTo(int v) {
        if (!range.Set(v)) return;
        update();
        NotifySink(static_cast<CKXNumSpiner*>(owner), [this](auto* sink, int id) { sink->SPIN_OnValueChanged(id, range.value); });
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CSpinerWidget>;

}  // namespace

CKXNumSpiner::CKXNumSpiner(IKXNumSpinerEvent* sink) : CKXWindow(KXQt::MakeImpl<CSpinerWidget>()), m_sink(sink) {}
CKXNumSpiner::~CKXNumSpiner() = default;

void CKXNumSpiner::SetSkin(const KXSpinerSkin& skin) {
    if (CSpinerWidget* widget = WidgetOf(this)) {
        widget->skin = skin;
        widget->update();
    }
}

void CKXNumSpiner::SetRange(int minimum, int maximum) {
    CSpinerWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->range.SetRange(minimum, maximum);
    widget->update();
}

void CKXNumSpiner::SetStep(int step) {
    if (CSpinerWidget* widget = WidgetOf(this)) widget->step = std::max(1, step);
}

void CKXNumSpiner::SetValue(int value) {
    CSpinerWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->range.Set(value);
    widget->update();
}

int CKXNumSpiner::GetValue() const {
    CSpinerWidget* widget = WidgetOf(this);
    return widget ? widget->range.value : 0;
}
