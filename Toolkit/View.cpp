#include "Toolkit/View.h"

#include <QPainter>
#include <QResizeEvent>

#include "Toolkit/EventSinks.h"
#include "Toolkit/Qt/PaintedWidget.h"
#include "Toolkit/Qt/Skin.h"

namespace {

using namespace KXQt;

class CViewWidget : public CPaintedWidget {
public:
    std::wstring background;
    FillMode mode = FillMode::Stretch;
    QColor color = Theme::Window();

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), color);
        DrawImage(painter, rect(), SkinImage(background), QRect(), mode);
    }
    void resizeEvent(QResizeEvent* e) override {
        auto* view = static_cast<CKXView*>(owner);
        if (!view || !view->GetSink() || !view->IsCreated()) return;
        CDispatchScope scope;
        view->GetSink()->OnSize(KX_SIZE_RESTORED, e->size().width(), e->size().height());
    }
    // Presses on the view itself go on to the window, where a caption drag may start.
    void mousePressEvent(QMouseEvent* e) override { e->ignore(); }
    void mouseReleaseEvent(QMouseEvent* e) override { e->ignore(); }
};

const auto WidgetOf = &KXQt::WidgetAs<CViewWidget>;

}  // namespace

CKXView::CKXView(IKXViewEvent* sink) : CKXWindow(KXQt::MakeImpl<CViewWidget>()), m_sink(sink) {
    if (m_sink) m_sink->SetUIWnd(this);
}

CKXView::~CKXView() {
    if (m_sink && IsCreated()) {
        KXQt::CDispatchScope scope;
        m_sink->OnDestroy();
    }
    if (m_sink && m_sink->GetUIWnd() == this) m_sink->SetUIWnd(nullptr);
}

void CKXView::SetBackground(const std::wstring& image, const std::wstring& mode) {
    CViewWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->background = image;
    widget->mode = KXQt::ParseMode(mode);
    widget->update();
}

void CKXView::SetBackgroundColor(const std::wstring& rgb) {
    CViewWidget* widget = WidgetOf(this);
    if (!widget) return;
    widget->color = KXQt::ParseColor(rgb, KXQt::Theme::Window());
    widget->update();
}

void CKXView::OnCreated() {
    if (!m_sink) return;
    KXQt::CDispatchScope scope;
    m_sink->OnCreate();
    if (IsCreated()) {
        const CKXRect r = GetClientRect();
        m_sink->OnSize(KX_SIZE_RESTORED, r.Width(), r.Height());
    }
}
