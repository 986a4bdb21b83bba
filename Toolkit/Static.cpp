#include "Toolkit/Static.h"

#include <QFontMetrics>
#include <QPainter>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"

namespace {

using namespace KXQt;

class CStaticWidget : public CPaintedWidget {
public:
    int align = Qt::AlignLeft;
    bool wrap = false;
    bool elideMiddle = false;
    std::wstring background;

    int Flags() const { return align | Qt::AlignVCenter | (wrap ? Qt::TextWordWrap : Qt::TextSingleLine); }
    bool TextFits() override { return (elideMiddle && !wrap) || TextFitsBox(this, m_text, rect(), wrap); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        DrawImage(painter, rect(), SkinImage(background), QRect(), FillMode::Stretch);
        painter.setPen(isEnabled() ? TextColor() : Theme::DimText());
        const bool elide = elideMiddle && !wrap;
        painter.drawText(rect(), Flags(), elide ? fontMetrics().elidedText(m_text, Qt::ElideMiddle, width()) : m_text);
    }
    void Clicked(const QPoint&) override {
        NotifySink(static_cast<CKXStatic*>(owner), [](auto* sink, int id) { sink->STC_OnClicked(id); });
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CStaticWidget>;

}  // namespace

CKXStatic::CKXStatic(IKXStaticEvent* sink) : CKXWindow(KXQt::MakeImpl<CStaticWidget>()), m_sink(sink) {}
CKXStatic::~CKXStatic() = default;

void CKXStatic::SetAlignment(const std::wstring& align) {
    CStaticWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->align = align == L"center" ? Qt::AlignHCenter : align == L"right" ? Qt::AlignRight : Qt::AlignLeft;
    widget->update();
}

void CKXStatic::SetWordWrap(int on) {
    CStaticWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->wrap = on != 0;
    widget->update();
}

void CKXStatic::SetElideMiddle(int on) {
    CStaticWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->elideMiddle = on != 0;
    widget->update();
}

void CKXStatic::SetBackground(const std::wstring& image) {
    CStaticWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->background = image;
    widget->update();
}

CKXPoint CKXStatic::MeasureText(const std::wstring& text, int maxWidth) const {
    CStaticWidget* widget = WidgetOf(this);
    if (!widget) return CKXPoint{};
    const QFontMetrics metrics(widget->font());
    const QRect bounds = metrics.boundingRect(QRect(0, 0, maxWidth > 0 ? maxWidth : 100000, 100000),
                                              widget->Flags() & ~Qt::AlignVCenter, ToQString(text));
    return CKXPoint{bounds.width(), bounds.height()};
}
