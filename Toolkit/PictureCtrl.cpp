#include "Toolkit/PictureCtrl.h"

#include <QPainter>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"

namespace {

using namespace KXQt;

class CPictureWidget : public CPaintedWidget {
public:
    std::wstring image;
    FillMode mode = FillMode::Stretch;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QPixmap picture = SkinImage(image);
        if (picture.isNull()) {
            // A missing picture still shows where it stands, and its text if it has one.
            painter.fillRect(rect(), Theme::Panel());
            painter.setPen(Theme::DimText());
            painter.drawText(rect(), Qt::AlignCenter, m_text);
            return;
        }
        DrawImage(painter, rect(), picture, QRect(), mode);
        if (!m_text.isEmpty()) {
            painter.setPen(TextColor());
            painter.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignCenter, m_text);
        }
    }
    void Clicked(const QPoint&) override {
        NotifySink(static_cast<CKXPictureCtrl*>(owner), [](auto* sink, int id) { sink->PIC_OnClicked(id); });
    }
};

const auto WidgetOf = &KXQt::WidgetAs<CPictureWidget>;

}  // namespace

CKXPictureCtrl::CKXPictureCtrl(IKXPictureCtrlEvent* sink) : CKXWindow(KXQt::MakeImpl<CPictureWidget>()), m_sink(sink) {}
CKXPictureCtrl::~CKXPictureCtrl() = default;

void CKXPictureCtrl::SetImage(const std::wstring& image, const std::wstring& mode) {
    CPictureWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->image = image;
    widget->mode = ParseMode(mode);
    widget->update();
}

std::wstring CKXPictureCtrl::GetImage() const {
    CPictureWidget* widget = WidgetOf(this);
    return widget ? widget->image : std::wstring();
}
