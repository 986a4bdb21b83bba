#include "Toolkit/RadioBox.h"

#include <QPainter>
#include <QStyleOptionButton>

#include <algorithm>
#include <array>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"

namespace {

using namespace KXQt;

// The image slots, in the order callers give them.
enum Slot { kCheckedNormal, kCheckedHover, kCheckedPressed, kNormal, kHover, kPressed, kCheckedDisabled, kDisabled };

class CRadioWidget : public CPaintedWidget {
public:
    std::array<std::wstring, 8> images;
    bool checked = false;
    bool highlight = false;

    QPixmap Face() const {
        const auto& i = images;
        if (checked) {
            if (!isEnabled()) return FirstImage({i[kCheckedDisabled], i[kCheckedNormal]});
            if (Pressed() && Hovered()) return FirstImage({i[kCheckedPressed], i[kCheckedHover], i[kCheckedNormal]});
            if (Hovered()) return FirstImage({i[kCheckedHover], i[kCheckedNormal]});
            return FirstImage({i[kCheckedNormal]});
        }
        if (!isEnabled()) return FirstImage({i[kDisabled], i[kNormal]});
        if (Pressed() && Hovered()) return FirstImage({i[kPressed], i[kHover], i[kNormal]});
        if (Hovered()) return FirstImage({i[kHover], i[kNormal]});
        return FirstImage({i[kNormal]});
    }

    // Where the text goes: beside the desktop's box or the skin's mark, or over the whole face
    // less the margins kept free (a tab's close box).
    QRect TextArea(const QPixmap& face) const {
        if (face.isNull()) {
            const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this) +
                               style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
            return rect().adjusted(indent, 0, 0, 0);
        }
        if (face.width() * 2 >= width()) return rect().adjusted(marginLeft, 0, -marginRight, 0);
        return rect().adjusted(face.width() + 6, 0, 0, 0);
    }
    bool TextFits() override { return TextFitsBox(this, m_text, TextArea(Face())); }

    int marginLeft = 0, marginRight = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPixmap face = Face();
        const QRect textArea = TextArea(face);
        if (face.isNull()) {
            // No skin: the desktop's check box with the text beside it.
            QStyleOptionButton option;
            option.initFrom(this);
            option.text = m_text;
            option.state |= checked ? QStyle::State_On : QStyle::State_Off;
            if (Pressed() && Hovered()) option.state |= QStyle::State_Sunken;
            style()->drawControl(QStyle::CE_CheckBox, &option, &painter, this);
        } else if (face.width() * 2 >= width()) {
            // A face: the whole box, the text over it.
            DrawImage(painter, rect(), face, QRect(), FillMode::Stretch);
            PaintText(painter, textArea, Qt::AlignCenter);
        } else {
            // A mark: at the left, the text beside it.
            QRect mark(QPoint(0, (height() - face.height()) / 2), face.size());
            painter.drawPixmap(mark.topLeft(), face);
            PaintText(painter, textArea, Qt::AlignLeft | Qt::AlignVCenter);
        }
        if (highlight) {
            painter.setPen(QPen(Theme::Accent(), 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect().adjusted(1, 1, -1, -1));
        }
    }

    void PaintText(QPainter& painter, const QRect& area, int flags) {
        if (m_text.isEmpty()) return;
        painter.setPen(isEnabled() ? TextColor() : Theme::DimText());
        painter.drawText(area, flags | Qt::TextSingleLine, m_text);
    }

    void Clicked(const QPoint& at) override {
        auto* box = static_cast<CKXRadioBox*>(owner);
        if (!box) return;
        checked = !checked;
        update();
        const int id = box->GetDlgCtrlID();
        const int state = checked ? 1 : 0;
        CDispatchScope scope;
        IKXRadioBoxEvent* sink = box->GetSink();
        if (!sink) return;
        sink->RB_OnClicked(id, state, at.x(), at.y());
        if (owner) sink->RB_OnStateChanged(id, state, 1);
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CRadioWidget>;

}  // namespace

CKXRadioBox::CKXRadioBox(IKXRadioBoxEvent* sink) : CKXWindow(KXQt::MakeImpl<CRadioWidget>()), m_sink(sink) {}
CKXRadioBox::~CKXRadioBox() = default;

void CKXRadioBox::SetTextMargins(int left, int right) {
    CRadioWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->marginLeft = std::max(0, left);
    widget->marginRight = std::max(0, right);
    widget->update();
}

void CKXRadioBox::SetImages(const std::vector<std::wstring>& images) {
    CRadioWidget* widget = WidgetOf(this);
    if (!widget) return;
    for (std::size_t i = 0; i < widget->images.size(); ++i) widget->images[i] = i < images.size() ? images[i] : L"";
    widget->update();
}

void CKXRadioBox::SetCheck(int checked, int notify) {
    CRadioWidget* widget = WidgetOf(this);
    if (!widget) return;
    const bool changed = widget->checked != (checked != 0);
    widget->checked = checked != 0;
    widget->update();
    if (changed && notify && m_sink) {
        KXQt::CDispatchScope scope;
        m_sink->RB_OnStateChanged(GetDlgCtrlID(), widget->checked ? 1 : 0, 0);
    }
}

int CKXRadioBox::GetCheck() const {
    CRadioWidget* widget = WidgetOf(this);
    return widget && widget->checked ? 1 : 0;
}

void CKXRadioBox::SetHighlight(int on) {
    CRadioWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->highlight = on != 0;
    widget->update();
}

int CKXRadioBox::GetHighlight() const {
    CRadioWidget* widget = WidgetOf(this);
    return widget && widget->highlight ? 1 : 0;
}
