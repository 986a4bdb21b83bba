#include "Toolkit/ProgressCtrl.h"

#include <QPainter>

#include <cmath>

#include "Toolkit/Qt/IntRange.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"

namespace {

using namespace KXQt;

class CProgressWidget : public CPaintedWidget {
public:
    CIntRange range{0, 100, 0};
    bool showPercent = true;

    double Fraction() const {
        const long long span = static_cast<long long>(range.maximum) - range.minimum;
        return span <= 0 ? 0.0 : static_cast<double>(range.value - range.minimum) / static_cast<double>(span);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QRect frame = rect().adjusted(0, 0, -1, -1);
        painter.setPen(Theme::Border());
        painter.setBrush(Theme::Panel());
        painter.drawRect(frame);
        // The fill stays inside the border; a share too small for a whole pixel draws nothing.
        const QRect inside = frame.adjusted(1, 1, 0, 0);
        const int filled = static_cast<int>(std::floor(Fraction() * inside.width()));
        if (filled > 0) painter.fillRect(QRect(inside.left(), inside.top(), filled, inside.height()), isEnabled() ? Theme::Accent() : Theme::Raised());
        if (!showPercent) return;
        painter.setPen(isEnabled() ? Theme::Text() : Theme::DimText());
        painter.drawText(rect(), Qt::AlignCenter, QString::number(static_cast<int>(std::floor(Fraction() * 100))) + QLatin1Char('%'));
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CProgressWidget>;

}  // namespace

CKXProgressCtrl::CKXProgressCtrl() : CKXWindow(KXQt::MakeImpl<CProgressWidget>()) {}
CKXProgressCtrl::~CKXProgressCtrl() = default;

void CKXProgressCtrl::SetRange(int minimum, int maximum) {
    CProgressWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->range.SetRange(minimum, maximum);
    widget->update();
}

int CKXProgressCtrl::GetRangeMin() const {
    CProgressWidget* widget = WidgetOf(this);
    return widget ? widget->range.minimum : 0;
}

int CKXProgressCtrl::GetRangeMax() const {
    CProgressWidget* widget = WidgetOf(this);
    return widget ? widget->range.maximum : 0;
}

void CKXProgressCtrl::SetPos(int position) {
    CProgressWidget* widget = WidgetOf(this);
    if (widget && widget->range.Set(position)) widget->update();
}

int CKXProgressCtrl::GetPos() const {
    CProgressWidget* widget = WidgetOf(this);
    return widget ? widget->range.value : 0;
}

double CKXProgressCtrl::GetFraction() const {
    CProgressWidget* widget = WidgetOf(this);
    return widget ? widget->Fraction() : 0.0;
}

void CKXProgressCtrl::SetShowPercent(int on) {
    CProgressWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->showPercent = on != 0;
    widget->update();
}
