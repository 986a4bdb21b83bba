#include "Toolkit/ComboBox.h"

#include <QComboBox>
#include <QPainter>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace {

using namespace KXQt;

class CComboWidget : public QComboBox, public CWidgetLink {
public:
    CComboWidget() {
        // Only the user's choice is an event; SetCurSel is not.
        connect(this, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
            NotifySink(static_cast<CKXComboBox*>(owner), [index](auto* sink, int id) { sink->CB_OnSelChanged(id, index); });
        });
    }
    QWidget* Widget() override { return this; }
    void SetTextColor(const QColor& color) override {
        CWidgetLink::SetTextColor(color);
        QPalette p = palette();
        p.setColor(QPalette::Text, color);
        p.setColor(QPalette::ButtonText, color);
        setPalette(p);
    }
    void SetBackground(const std::wstring& image) {
        m_background = image;
        update();
    }

protected:
    void paintEvent(QPaintEvent* e) override {
        const QPixmap image = SkinImage(m_background);
        if (image.isNull()) return QComboBox::paintEvent(e);
        QPainter painter(this);
        DrawImage(painter, rect(), image, QRect(), FillMode::Stretch);
        painter.setPen(isEnabled() ? TextColor() : Theme::DimText());
        painter.drawText(rect().adjusted(6, 0, -height(), 0), Qt::AlignLeft | Qt::AlignVCenter, currentText());
        // The arrow that says it drops down.
        const QPointF c(width() - height() / 2.0, height() / 2.0);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(TextColor());
        painter.setPen(Qt::NoPen);
        const QPointF arrow[3] = {c + QPointF(-4, -2), c + QPointF(4, -2), c + QPointF(0, 3)};
        painter.drawPolygon(arrow, 3);
    }

private:
    std::wstring m_background;
};

const auto WidgetOf = &KXQt::WidgetAs<CComboWidget>;

}  // namespace

CKXComboBox::CKXComboBox(IKXComboBoxEvent* sink) : CKXWindow(KXQt::MakeImpl<CComboWidget>()), m_sink(sink) {}
CKXComboBox::~CKXComboBox() = default;

int CKXComboBox::AddString(const std::wstring& text) {
    CComboWidget* widget = WidgetOf(this);
    if (!widget) return -1;
    const QSignalBlocker quiet(widget);
    widget->addItem(ToQString(text));
    // A new list starts with nothing chosen, as the desktop's combo does.
    if (widget->count() == 1) widget->setCurrentIndex(-1);
    return widget->count() - 1;
}

int CKXComboBox::GetCount() const {
    CComboWidget* widget = WidgetOf(this);
    return widget ? widget->count() : 0;
}

std::wstring CKXComboBox::GetItemText(int index) const {
    CComboWidget* widget = WidgetOf(this);
    return widget ? ToWString(widget->itemText(index)) : std::wstring();
}

void CKXComboBox::ResetContent() {
    if (CComboWidget* widget = WidgetOf(this)) widget->clear();
}

int CKXComboBox::SetCurSel(int index) {
    CComboWidget* widget = WidgetOf(this);
    if (!widget || index < -1 || index >= widget->count()) return 0;
    widget->setCurrentIndex(index);
    return 1;
}

int CKXComboBox::GetCurSel() const {
    CComboWidget* widget = WidgetOf(this);
    return widget ? widget->currentIndex() : -1;
}

void CKXComboBox::SetBackground(const std::wstring& image) {
    if (CComboWidget* widget = WidgetOf(this)) widget->SetBackground(image);
}
