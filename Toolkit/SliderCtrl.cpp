#include "Toolkit/SliderCtrl.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <algorithm>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/IntRange.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"

namespace {

using namespace KXQt;

class CSliderWidget : public CPaintedWidget {
public:
    KXSliderSkin skin;
    CIntRange range;

    int ThumbWidth() const {
        const QRect thumb = ParseRect(skin.thumbRects[0]);
        return thumb.isValid() && !SkinImage(skin.image).isNull() ? thumb.width() : 12;
    }
    // The thumb's left edge for a position.
    int ThumbLeft(int pos) const {
        const int span = std::max(1, range.maximum - range.minimum);
        return static_cast<int>(static_cast<long long>(width() - ThumbWidth()) * (pos - range.minimum) / span);
    }
    int PositionAt(int x) const {
        const int travel = std::max(1, width() - ThumbWidth());
        const int offset = std::clamp(x - ThumbWidth() / 2, 0, travel);
        return range.minimum + static_cast<int>((static_cast<long long>(offset) * (range.maximum - range.minimum) + travel / 2) / travel);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPixmap image = SkinImage(skin.image);
        if (image.isNull()) {
            QStyleOptionSlider option;
            option.initFrom(this);
            option.orientation = Qt::Horizontal;
            option.minimum = range.minimum;
            option.maximum = range.maximum;
            option.sliderPosition = option.sliderValue = range.value;
            option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
            style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
            return;
        }
        const FillMode mode = ParseMode(skin.mode);
        const int thumbLeft = ThumbLeft(range.value);
        DrawImage(painter, rect(), image, ParseRect(skin.grooveRect), mode);
        DrawImage(painter, QRect(0, 0, thumbLeft + ThumbWidth() / 2, height()), image, ParseRect(skin.filledRect), mode);
        const int look = !isEnabled() ? 3 : Pressed() ? 2 : Hovered() ? 1 : 0;
        QRect thumb = ParseRect(skin.thumbRects[look]);
        if (!thumb.isValid()) thumb = ParseRect(skin.thumbRects[0]);
        const QRect at(thumbLeft, (height() - thumb.height()) / 2, thumb.width(), thumb.height());
        DrawImage(painter, at, image, thumb, FillMode::Stretch);
    }

    void mousePressEvent(QMouseEvent* e) override {
        CPaintedWidget::mousePressEvent(e);
        if (e->button() == Qt::LeftButton) MoveTo(PositionAt(e->position().toPoint().x()));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (Pressed()) MoveTo(PositionAt(e->position().toPoint().x()));
    }
    void wheelEvent(QWheelEvent* e) override { MoveTo(range.value + (e->angleDelta().y() > 0 ? 1 : -1)); }
    void keyPressEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Left || e->key() == Qt::Key_Down) MoveTo(range.value - 1);
        else if (e->key() == Qt::Key_Right || e->key() == Qt::Key_Up) MoveTo(range.value + 1);
        else QWidget::keyPressEvent(e);
    }

private:
    // What the user sets: the sink hears of each new position.
    void MoveTo(int pos) {
        if (!range.Set(pos)) return;
        update();
        NotifySink(static_cast<CKXSliderCtrl*>(owner), [this](auto* sink, int id) { sink->SLD_OnPosChanged(id, range.value); });
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CSliderWidget>;

}  // namespace

CKXSliderCtrl::CKXSliderCtrl(IKXSliderCtrlEvent* sink) : CKXWindow(KXQt::MakeImpl<CSliderWidget>()), m_sink(sink) {}
CKXSliderCtrl::~CKXSliderCtrl() = default;

void CKXSliderCtrl::SetSkin(const KXSliderSkin& skin) {
    if (CSliderWidget* widget = WidgetOf(this)) {
        widget->skin = skin;
        widget->update();
    }
}

void CKXSliderCtrl::SetRange(int minimum, int maximum) {
    CSliderWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->range.SetRange(minimum, maximum);
    widget->update();
}

int CKXSliderCtrl::GetRangeMin() const {
    CSliderWidget* widget = WidgetOf(this);
    return widget ? widget->range.minimum : 0;
}

int CKXSliderCtrl::GetRangeMax() const {
    CSliderWidget* widget = WidgetOf(this);
    return widget ? widget->range.maximum : 0;
}

void CKXSliderCtrl::SetPos(int position) {
    CSliderWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->range.Set(position);
    widget->update();
}

int CKXSliderCtrl::GetPos() const {
    CSliderWidget* widget = WidgetOf(this);
    return widget ? widget->range.value : 0;
}
