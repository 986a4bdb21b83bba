#include "Toolkit/Button.h"

#include <QPainter>
#include <QStyleOptionButton>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/DialogCommands.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"

namespace {

using namespace KXQt;

class CButtonWidget : public CPaintedWidget {
public:
    std::wstring normal, hover, pressed, disabled;
    bool linkStyle = false;

    // Room for the text: the face less a few pixels each side, where its edge is drawn.
    bool TextFits() override { return TextFitsBox(this, m_text, rect().adjusted(linkStyle ? 0 : 4, 0, linkStyle ? 0 : -4, 0)); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QPixmap image;
        if (!isEnabled())
            image = FirstImage({disabled, normal});
        else if (Pressed() && Hovered())
            image = FirstImage({pressed, hover, normal});
        else if (Hovered())
            image = FirstImage({hover, normal});
        else
            image = FirstImage({normal});

        if (image.isNull() && !linkStyle) {
            // No skin: the desktop's own button, never an invisible one.
            QStyleOptionButton option;
            option.initFrom(this);
            option.text = m_text;
            if (Pressed() && Hovered()) option.state |= QStyle::State_Sunken;
            else option.state |= QStyle::State_Raised;
            style()->drawControl(QStyle::CE_PushButton, &option, &painter, this);
            return;
        }
        DrawImage(painter, rect(), image, QRect(), FillMode::Stretch);
        if (m_text.isEmpty()) return;
        QFont f = font();
        f.setUnderline(linkStyle);
        painter.setFont(f);
        painter.setPen(isEnabled() ? TextColor() : Theme::DimText());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
    }

    void Clicked(const QPoint&) override {
        auto* button = static_cast<CKXButton*>(owner);
        if (!button) return;
        const int id = button->GetDlgCtrlID();
        CDispatchScope scope;
        if (IKXButtonEvent* sink = button->GetSink()) sink->BTN_OnClicked(id);
        if (owner) RunDialogCommand(this, id);
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CButtonWidget>;

}  // namespace

CKXButton::CKXButton(IKXButtonEvent* sink) : CKXWindow(KXQt::MakeImpl<CButtonWidget>()), m_sink(sink) {}
CKXButton::~CKXButton() = default;

void CKXButton::SetImages(const std::wstring& normal, const std::wstring& hover, const std::wstring& pressed,
                          const std::wstring& disabled) {
    CButtonWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->normal = normal;
    widget->hover = hover;
    widget->pressed = pressed;
    widget->disabled = disabled;
    widget->update();
}

void CKXButton::SetLinkStyle(int on) {
    CButtonWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->linkStyle = on != 0;
    widget->setCursor(on ? Qt::PointingHandCursor : Qt::ArrowCursor);
    widget->update();
}
