#include "Toolkit/Window.h"

#include <QFont>
#include <QGuiApplication>

#include "Toolkit/Qt/Skin.h"
#include "Toolkit/Qt/Text.h"
#include "Toolkit/Qt/WidgetLink.h"

namespace KXQt {

namespace {
int g_dispatchDepth = 0;  // UI thread only
}

CDispatchScope::CDispatchScope() { ++g_dispatchDepth; }
CDispatchScope::~CDispatchScope() { --g_dispatchDepth; }
bool CDispatchScope::Active() { return g_dispatchDepth > 0; }

void CWidgetLink::Place(QWidget* parent, const QRect& rect) {
    Widget()->setParent(parent);
    Widget()->setGeometry(rect);
}

void CWidgetLink::SetText(const QString& text) {
    m_text = text;
    Widget()->update();
}

void CWidgetLink::SetTextColor(const QColor& color) {
    m_textColor = color;
    Widget()->update();
}

QColor CWidgetLink::TextColor() const { return m_textColor.isValid() ? m_textColor : Theme::Text(); }

CWidgetLink* LinkOf(QWidget* widget) { return dynamic_cast<CWidgetLink*>(widget); }

bool TextFitsBox(const QWidget* widget, const QString& text, const QRect& box, bool wrap) {
    if (text.isEmpty()) return true;
    const QFontMetrics metrics(widget->font());
    if (!wrap) return metrics.horizontalAdvance(text) <= box.width();
    const QRect needed = metrics.boundingRect(QRect(0, 0, std::max(1, box.width()), 100000), Qt::TextWordWrap, text);
    return needed.width() <= box.width() && needed.height() <= box.height();
}

}  // namespace KXQt

using KXQt::ToQString;
using KXQt::ToWString;

namespace {
QRect ToQRect(const CKXRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
CKXRect FromQRect(const QRect& r) { return CKXRect::FromSize(r.x(), r.y(), r.width(), r.height()); }
}  // namespace

CKXWindow::CKXWindow(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) { m_impl->link->owner = this; }

CKXWindow::~CKXWindow() {
    QWidget* widget = m_impl->widget;
    if (!widget) return;
    m_impl->link->owner = nullptr;
    widget->hide();
    // Released from inside one of its own events (a sink closing its dialog): the widget is
    // still on the stack, so it goes once that event has returned.
    if (KXQt::CDispatchScope::Active())
        widget->deleteLater();
    else
        delete widget;
}

int CKXWindow::Create(const wchar_t* name, unsigned int style, const CKXRect& rect, CKXWindow* parent, int ctrlId) {
    KXQt::CWidgetLink* link = m_impl->Link();
    if (!link || m_impl->created) return 0;
    QWidget* parentWidget = nullptr;
    if (parent) {
        KXQt::CWidgetLink* parentLink = parent->GetImpl().Link();
        if (!parentLink) return 0;
        parentWidget = parentLink->Content();
    }
    m_impl->name = name ? name : L"";
    m_impl->id = ctrlId;
    m_impl->parent = parent;
    link->Widget()->setObjectName(ToQString(m_impl->name));
    link->Place(parentWidget, ToQRect(rect));
    link->Widget()->setEnabled(!(style & KX_WS_DISABLED));
    m_impl->created = true;
    OnCreated();
    // The window may have been released by its own creation event.
    if (m_impl->Link() && (style & KX_WS_VISIBLE)) m_impl->widget->show();
    return 1;
}

int CKXWindow::IsCreated() const { return m_impl->created && m_impl->widget ? 1 : 0; }
int CKXWindow::GetDlgCtrlID() const { return m_impl->id; }
std::wstring CKXWindow::GetName() const { return m_impl->name; }
CKXWindow* CKXWindow::GetParent() const { return m_impl->parent; }

void CKXWindow::MoveWindow(const CKXRect& rect) {
    if (auto* link = m_impl->Link()) link->Widget()->setGeometry(ToQRect(rect));
}

CKXRect CKXWindow::GetWindowRect() const {
    auto* link = m_impl->Link();
    return link ? FromQRect(link->Widget()->geometry()) : CKXRect();
}

CKXRect CKXWindow::GetClientRect() const {
    auto* link = m_impl->Link();
    return link ? FromQRect(link->Content()->rect()) : CKXRect();
}

CKXPoint CKXWindow::ClientToScreen(const CKXPoint& p) const {
    auto* link = m_impl->Link();
    if (!link) return p;
    const QPoint at = link->Content()->mapToGlobal(QPoint(p.x, p.y));
    return CKXPoint{at.x(), at.y()};
}

void CKXWindow::ShowWindow(int command) {
    if (auto* link = m_impl->Link()) link->Widget()->setVisible(command != KX_SW_HIDE);
}

int CKXWindow::IsWindowVisible() const {
    auto* link = m_impl->Link();
    return link && link->Widget()->isVisible() ? 1 : 0;
}

void CKXWindow::EnableWindow(int enable) {
    if (auto* link = m_impl->Link()) link->Widget()->setEnabled(enable != 0);
}

int CKXWindow::IsTextWiderThanBox() const {
    auto* link = m_impl->Link();
    return link && !link->TextFits() ? 1 : 0;
}

std::vector<CKXWindow*> FindTextsWiderThanBox(const CKXWindow& root) {
    std::vector<CKXWindow*> found;
    auto* link = root.GetImpl().Link();
    if (!link) return found;
    QWidget* top = link->Widget();
    QList<QWidget*> widgets = top->findChildren<QWidget*>();
    widgets.prepend(top);
    for (QWidget* widget : widgets) {
        if (widget != top && !widget->isVisibleTo(top)) continue;
        KXQt::CWidgetLink* shown = KXQt::LinkOf(widget);
        if (shown && shown->owner && !shown->TextFits()) found.push_back(shown->owner);
    }
    return found;
}

int CKXWindow::IsWindowEnabled() const {
    auto* link = m_impl->Link();
    return link && link->Widget()->isEnabled() ? 1 : 0;
}

void CKXWindow::SetWindowText(const std::wstring& text) {
    if (auto* link = m_impl->Link()) link->SetText(ToQString(text));
}

std::wstring CKXWindow::GetWindowText() const {
    auto* link = m_impl->Link();
    return link ? ToWString(link->Text()) : std::wstring();
}

void CKXWindow::SetToolTip(const std::wstring& text) {
    if (auto* link = m_impl->Link()) link->Widget()->setToolTip(ToQString(text));
}

void CKXWindow::SetFont(const std::wstring& face, int pixelSize, int bold) {
    auto* link = m_impl->Link();
    if (!link) return;
    QFont font = QGuiApplication::font();
    if (!face.empty()) font.setFamily(ToQString(face));
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    font.setBold(bold != 0);
    link->Widget()->setFont(font);
}

void CKXWindow::SetTextColor(const std::wstring& rgb) {
    if (auto* link = m_impl->Link()) link->SetTextColor(KXQt::ParseColor(rgb, KXQt::Theme::Text()));
}

void CKXWindow::SetFocus() {
    if (auto* link = m_impl->Link()) link->Widget()->setFocus(Qt::OtherFocusReason);
}

int CKXWindow::HasFocus() const {
    auto* link = m_impl->Link();
    return link && link->Widget()->hasFocus() ? 1 : 0;
}

void CKXWindow::Invalidate() {
    if (auto* link = m_impl->Link()) link->Widget()->update();
}

void CKXWindow::BringWindowToTop() {
    auto* link = m_impl->Link();
    if (!link) return;
    link->Widget()->raise();
    if (link->Widget()->isWindow()) link->Widget()->activateWindow();
}
